/* The contact's properties, listed once. Everything that names a contact
 * property expands this list: the program's property names (store.h) and
 * the card mapping's homes, the local store's enum, member names, type
 * library, record tags and vCard writer, and the tests' property lists.
 *
 * A text property is a row
 *   CONTACT_TEXT(member, tag, form, vcard, types, part, line)
 * and a date property (passed as a date, never as text)
 *   CONTACT_DATE(member, tag, vcard, line)
 * - member: the store library's member name;
 * - tag: the local store's field tag in an item's record (its file format:
 *   a new property takes the next free tag, texts below 100, dates above;
 *   a text's DISPID there is LS_DISPID_TEXT + tag - 1);
 * - form: how its value is written in a card: LINE a one-line value, PART
 *   a part of a structured value, STREET a part that keeps its lines, LIST
 *   a comma-separated list, NOTE the notes, NONE no vCard form;
 * - vcard, types, part: the vCard property it is read from and written as,
 *   its types (lower case, comma-separated, in the order written) and, in a
 *   structured value (N, ORG, ADR), the part it is (-1 for a whole value);
 * - line: where the local store's vCard writes it (rows of one structured
 *   value share their line; 0 for none).
 * ITEM_DEFAULT_TEXT(member, tag) is the item's default member (Subject),
 * a text of every item that no card holds.
 *
 * Plain preprocessor rows, so the type library's compiler reads them too;
 * included once per expansion, so there is no include guard. */
CONTACT_TEXT(FirstName, 1, PART, "N", "", 1, 1)
CONTACT_TEXT(MiddleName, 2, PART, "N", "", 2, 1)
CONTACT_TEXT(LastName, 3, PART, "N", "", 0, 1)
CONTACT_TEXT(Title, 4, PART, "N", "", 3, 1)
CONTACT_TEXT(Suffix, 5, PART, "N", "", 4, 1)
CONTACT_TEXT(FullName, 6, LINE, "FN", "", -1, 2)
CONTACT_TEXT(NickName, 7, LINE, "NICKNAME", "", -1, 3)
CONTACT_TEXT(JobTitle, 8, LINE, "TITLE", "", -1, 5)
CONTACT_TEXT(CompanyName, 9, PART, "ORG", "", 0, 6)
CONTACT_TEXT(Department, 10, PART, "ORG", "", 1, 6)
CONTACT_TEXT(BusinessTelephoneNumber, 11, LINE, "TEL", "work,voice", -1, 12)
CONTACT_TEXT(BusinessFaxNumber, 12, LINE, "TEL", "work,fax", -1, 14)
CONTACT_TEXT(HomeTelephoneNumber, 13, LINE, "TEL", "home,voice", -1, 15)
CONTACT_TEXT(HomeFaxNumber, 14, LINE, "TEL", "home,fax", -1, 17)
CONTACT_TEXT(MobileTelephoneNumber, 15, LINE, "TEL", "cell,voice", -1, 18)
CONTACT_TEXT(PagerNumber, 16, LINE, "TEL", "pager,voice", -1, 19)
CONTACT_TEXT(BusinessAddressStreet, 17, STREET, "ADR", "work", 2, 31)
CONTACT_TEXT(BusinessAddressCity, 18, PART, "ADR", "work", 3, 31)
CONTACT_TEXT(BusinessAddressState, 19, PART, "ADR", "work", 4, 31)
CONTACT_TEXT(BusinessAddressPostalCode, 20, PART, "ADR", "work", 5, 31)
CONTACT_TEXT(BusinessAddressCountry, 21, PART, "ADR", "work", 6, 31)
CONTACT_TEXT(OfficeLocation, 22, LINE, "X-OFFICE", "", -1, 7)
CONTACT_TEXT(HomeAddressStreet, 23, STREET, "ADR", "home", 2, 32)
CONTACT_TEXT(HomeAddressCity, 24, PART, "ADR", "home", 3, 32)
CONTACT_TEXT(HomeAddressState, 25, PART, "ADR", "home", 4, 32)
CONTACT_TEXT(HomeAddressPostalCode, 26, PART, "ADR", "home", 5, 32)
CONTACT_TEXT(HomeAddressCountry, 27, PART, "ADR", "home", 6, 32)
CONTACT_TEXT(Email1Address, 28, LINE, "EMAIL", "pref,internet", -1, 34)
CONTACT_TEXT(WebPage, 29, LINE, "URL", "", -1, 38)
CONTACT_TEXT(Profession, 30, LINE, "ROLE", "", -1, 41)
CONTACT_TEXT(Body, 31, NOTE, "NOTE", "", -1, 43)
CONTACT_TEXT(FileAs, 32, NONE, "", "", -1, 0)
ITEM_DEFAULT_TEXT(Subject, 33)
/* The further properties a card's values have a home in. */
CONTACT_TEXT(Business2TelephoneNumber, 34, LINE, "TEL", "voice,work", -1, 13)
CONTACT_TEXT(Home2TelephoneNumber, 35, LINE, "TEL", "voice,home", -1, 16)
CONTACT_TEXT(OtherTelephoneNumber, 36, LINE, "TEL", "voice", -1, 20)
CONTACT_TEXT(PrimaryTelephoneNumber, 37, LINE, "TEL", "pref", -1, 22)
CONTACT_TEXT(CarTelephoneNumber, 38, LINE, "TEL", "car,voice", -1, 23)
CONTACT_TEXT(ISDNNumber, 39, LINE, "TEL", "isdn", -1, 24)
CONTACT_TEXT(AssistantTelephoneNumber, 40, LINE, "TEL", "assistant", -1, 25)
CONTACT_TEXT(CallbackTelephoneNumber, 41, LINE, "TEL", "callback", -1, 26)
CONTACT_TEXT(CompanyMainTelephoneNumber, 42, LINE, "TEL", "main", -1, 27)
CONTACT_TEXT(RadioTelephoneNumber, 43, LINE, "TEL", "radio", -1, 28)
CONTACT_TEXT(TelexNumber, 44, LINE, "TEL", "tlx", -1, 29)
CONTACT_TEXT(TTYTDDTelephoneNumber, 45, LINE, "TEL", "textphone", -1, 30)
CONTACT_TEXT(OtherFaxNumber, 46, LINE, "TEL", "fax", -1, 21)
CONTACT_TEXT(Email2Address, 47, LINE, "EMAIL", "internet", -1, 35)
CONTACT_TEXT(Email3Address, 48, LINE, "EMAIL", "internet", -1, 36)
CONTACT_TEXT(OtherAddressStreet, 49, STREET, "ADR", "postal", 2, 33)
CONTACT_TEXT(OtherAddressCity, 50, PART, "ADR", "postal", 3, 33)
CONTACT_TEXT(OtherAddressState, 51, PART, "ADR", "postal", 4, 33)
CONTACT_TEXT(OtherAddressPostalCode, 52, PART, "ADR", "postal", 5, 33)
CONTACT_TEXT(OtherAddressCountry, 53, PART, "ADR", "postal", 6, 33)
CONTACT_TEXT(BusinessAddressPostOfficeBox, 54, PART, "ADR", "work", 0, 31)
CONTACT_TEXT(HomeAddressPostOfficeBox, 55, PART, "ADR", "home", 0, 32)
CONTACT_TEXT(OtherAddressPostOfficeBox, 56, PART, "ADR", "postal", 0, 33)
CONTACT_TEXT(BusinessHomePage, 57, LINE, "URL", "work", -1, 39)
CONTACT_TEXT(PersonalHomePage, 58, LINE, "URL", "home", -1, 40)
CONTACT_TEXT(Categories, 59, LIST, "CATEGORIES", "", -1, 42)
CONTACT_TEXT(Spouse, 60, LINE, "X-SPOUSE", "", -1, 10)
CONTACT_TEXT(Children, 61, LINE, "X-CHILDREN", "", -1, 11)
CONTACT_TEXT(ManagerName, 62, LINE, "X-MANAGER", "", -1, 8)
CONTACT_TEXT(AssistantName, 63, LINE, "X-ASSISTANT", "", -1, 9)
CONTACT_TEXT(IMAddress, 64, LINE, "IMPP", "", -1, 37)
CONTACT_TEXT(Initials, 65, LINE, "X-INITIALS", "", -1, 4)
CONTACT_DATE(Birthday, 101, "BDAY", 44)
CONTACT_DATE(Anniversary, 102, "ANNIVERSARY", 45)
