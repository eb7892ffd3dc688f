// The mapping of decoded cards: each card of the table gives exactly the
// property sets listed, and the number of values that went into the notes.
#include "card_mapping.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "card_test_support.h"

namespace {

using pindrel::CardMapping;
using pindrel::DecodedCard;
using pindrel::MapCard;
using pindrel::testing::Card;
using pindrel::testing::SetsOf;

struct Case {
  const char* name;
  DecodedCard card;
  // Every property set and its value; a date as YYYY-MM-DD.
  std::map<std::wstring, std::wstring> want;
  int noted = 0;
};

TEST(CardMapping, EveryRule) {
  const std::wstring none(pindrel::kNoName);
  const std::vector<Case> cases = {
      // Names.
      {"FN is the full name; N gives the parts",
       Card({L"N:Doe;John;Q;Dr.;Jr.", L"FN:Johnny Doe"}),
       {{L"FirstName", L"John"}, {L"MiddleName", L"Q"}, {L"LastName", L"Doe"}, {L"Title", L"Dr."},
        {L"Suffix", L"Jr."}, {L"FullName", L"Johnny Doe"}}},
      {"no FN: the full name is made of N; a prefix and suffix \"0\" are none",
       Card({L"N:Doe;John;;0;0"}),
       {{L"FirstName", L"John"}, {L"LastName", L"Doe"}, {L"FullName", L"John Doe"}}},
      {"neither N nor FN, nothing else: a contact all the same",
       Card({L"VERSION:4.0", L"PHOTO:data:image/png;base64,AAAA", L"X-ABUID:1234"}), {{L"FullName", none}}},
      {"an empty FN and an empty N count as none",
       Card({L"FN: ", L"N:;;;;"}), {{L"FullName", none}}},
      {"a second, different FN goes to the notes",
       Card({L"FN:Ann Lee", L"FN:\u674e\u5b89"}),
       {{L"FullName", L"Ann Lee"}, {L"Body", L"Name: \u674e\u5b89"}}, 1},
      // Telephones by type, each kind falling through to its next home.
      {"telephones of every kind",
       Card({L"TEL;work,voice:1", L"TEL;work:2", L"TEL;home:3", L"TEL;home:4", L"TEL;cell:5", L"TEL;work,fax:6",
             L"TEL;home,fax:7", L"TEL;fax:8", L"TEL;pager:9", L"TEL;car:10", L"TEL;isdn:11", L"TEL;main:12",
             L"TEL;x-assistant:13", L"TEL;callback:14", L"TEL;radio:15", L"TEL;tlx:16", L"TEL;textphone:17",
             L"TEL:18"}),
       {{L"BusinessTelephoneNumber", L"1"}, {L"Business2TelephoneNumber", L"2"}, {L"HomeTelephoneNumber", L"3"},
        {L"Home2TelephoneNumber", L"4"}, {L"MobileTelephoneNumber", L"5"}, {L"BusinessFaxNumber", L"6"},
        {L"HomeFaxNumber", L"7"}, {L"OtherFaxNumber", L"8"}, {L"PagerNumber", L"9"},
        {L"CarTelephoneNumber", L"10"}, {L"ISDNNumber", L"11"}, {L"CompanyMainTelephoneNumber", L"12"},
        {L"AssistantTelephoneNumber", L"13"}, {L"CallbackTelephoneNumber", L"14"},
        {L"RadioTelephoneNumber", L"15"}, {L"TelexNumber", L"16"}, {L"TTYTDDTelephoneNumber", L"17"},
        {L"OtherTelephoneNumber", L"18"}, {L"FullName", none}}},
      {"untyped numbers: Other, then the next free one, then the notes",
       Card({L"TEL:1", L"TEL;voice:2", L"TEL:3", L"TEL: 4 "}),
       {{L"OtherTelephoneNumber", L"1"}, {L"Home2TelephoneNumber", L"2"}, {L"Business2TelephoneNumber", L"3"},
        {L"Body", L"Other phone: 4"}, {L"FullName", none}},
       1},
      {"a third mobile goes to the notes, under its Apple label when it has one",
       Card({L"TEL;cell:1", L"TEL;cell:2", L"item1.TEL;cell:3", L"item1.X-ABLabel:_$!<Mobile>!$_", L"TEL;cell:4",
             L"item2.TEL;cell:5", L"item2.X-ABLABEL:Boat"}),
       {{L"MobileTelephoneNumber", L"1"}, {L"OtherTelephoneNumber", L"2"},
        {L"Body", L"Mobile: 3\r\nMobile phone: 4\r\nBoat: 5"}, {L"FullName", none}},
       3},
      {"a third work fax goes to the notes",
       Card({L"TEL;work,fax:1", L"TEL;fax,work:2", L"TEL;work,fax:3"}),
       {{L"BusinessFaxNumber", L"1"}, {L"OtherFaxNumber", L"2"}, {L"Body", L"Work fax: 3"}, {L"FullName", none}},
       1},
      {"a preferred number also fills the primary one; a bare preferred one is only that",
       Card({L"TEL;pref:0", L"TEL;cell,pref:1", L"TEL;pref:2"}),
       {{L"PrimaryTelephoneNumber", L"0"}, {L"MobileTelephoneNumber", L"1"}, {L"OtherTelephoneNumber", L"2"},
        {L"FullName", none}}},
      {"a typed preferred number when there is no primary yet",
       Card({L"TEL;work:1", L"TEL;cell,pref:2"}),
       {{L"BusinessTelephoneNumber", L"1"}, {L"MobileTelephoneNumber", L"2"}, {L"PrimaryTelephoneNumber", L"2"},
        {L"FullName", none}}},
      // E-mail.
      {"three e-mail addresses, the preferred first, each once; the fourth in the notes",
       Card({L"EMAIL;internet:a@x", L"EMAIL;home:b@x", L"EMAIL;work,pref:c@x", L"EMAIL:a@x", L"EMAIL:d@x"}),
       {{L"Email1Address", L"c@x"}, {L"Email2Address", L"a@x"}, {L"Email3Address", L"b@x"},
        {L"Body", L"E-mail: d@x"}, {L"FullName", none}},
       1},
      // Addresses.
      {"all seven parts of an address; the extended address is the street's second line",
       Card({L"ADR;work:PO Box 7;Suite 200;1 Main St;Springfield;IL;62701;USA"}),
       {{L"BusinessAddressPostOfficeBox", L"PO Box 7"}, {L"BusinessAddressStreet", L"1 Main St\r\nSuite 200"},
        {L"BusinessAddressCity", L"Springfield"}, {L"BusinessAddressState", L"IL"},
        {L"BusinessAddressPostalCode", L"62701"}, {L"BusinessAddressCountry", L"USA"}, {L"FullName", none}}},
      {"home, other, and a second work address in the other one's place",
       Card({L"ADR;home:;;2 Elm St;Town", L"ADR;work:;;3 Oak St;City", L"ADR;postal,dom:;Flat 1;;Village",
             L"ADR;work:;;4 Ash St;Burg"}),
       {{L"HomeAddressStreet", L"2 Elm St"}, {L"HomeAddressCity", L"Town"}, {L"BusinessAddressStreet", L"3 Oak St"},
        {L"BusinessAddressCity", L"City"}, {L"OtherAddressStreet", L"Flat 1"}, {L"OtherAddressCity", L"Village"},
        {L"Body", L"Work address: 4 Ash St, Burg"}, {L"FullName", none}},
       1},
      {"an address of empty parts is none; a street written over lines keeps them",
       Card({L"ADR;home:;;;;;;", L"ADR;home:;;1 Main St\nBack door;Springfield"}),
       {{L"HomeAddressStreet", L"1 Main St\r\nBack door"}, {L"HomeAddressCity", L"Springfield"},
        {L"FullName", none}}},
      // Web pages, categories, the other texts.
      {"web pages by type",
       Card({L"URL;work:http://w", L"URL;home:http://h", L"URL:http://o", L"URL:http://p"}),
       {{L"BusinessHomePage", L"http://w"}, {L"PersonalHomePage", L"http://h"}, {L"WebPage", L"http://o"},
        {L"Body", L"Web page: http://p"}, {L"FullName", none}},
       1},
      {"categories from every line, one list",
       Card({L"CATEGORIES:Friends, Work", L"CATEGORIES:VIP"}),
       {{L"Categories", L"Friends, Work, VIP"}, {L"FullName", none}}},
      {"organisation with its units, nickname, title, role; a line break in one becomes \", \"",
       Card({L"ORG:Acme;Sales;West", L"ORG:Other Co", L"NICKNAME:Bob", L"NICKNAME:Bobby", L"TITLE:Head of\nSales",
             L"ROLE:Engineer"}),
       {{L"CompanyName", L"Acme"}, {L"Department", L"Sales, West"}, {L"NickName", L"Bob, Bobby"},
        {L"JobTitle", L"Head of, Sales"}, {L"Profession", L"Engineer"}, {L"Body", L"Company: Other Co"},
        {L"FullName", none}},
       1},
      {"an organisation of units only",
       Card({L"ORG:;R&D"}), {{L"Department", L"R&D"}, {L"FullName", none}}},
      // Dates.
      {"birthday and anniversary in every full form",
       Card({L"BDAY:19850607", L"ANNIVERSARY:2001-09-08T10:00:00Z"}),
       {{L"Birthday", L"1985-06-07"}, {L"Anniversary", L"2001-09-08"}, {L"FullName", none}}},
      {"dates with a basic time, the older anniversary names",
       Card({L"BDAY:19850607T103000", L"X-EVOLUTION-ANNIVERSARY:2001-09-08"}),
       {{L"Birthday", L"1985-06-07"}, {L"Anniversary", L"2001-09-08"}, {L"FullName", none}}},
      {"a date without a year, a text date and a second birthday go to the notes",
       Card({L"BDAY:--0607", L"X-ANNIVERSARY:circa 1990", L"BDAY:1985-06-07", L"BDAY:1986-01-01"}),
       {{L"Birthday", L"1985-06-07"},
        {L"Body", L"Birthday: --0607\r\nAnniversary: circa 1990\r\nBirthday: 1986-01-01"},
        {L"FullName", none}},
       3},
      {"an address book's labelled dates and a phone maker's own properties",
       Card({L"item1.X-ABDATE:2004-06-19", L"item1.X-ABLabel:_$!<Anniversary>!$_", L"item2.X-ABDATE:2010-01-01",
             L"item2.X-ABLabel:Graduation", L"X-ANDROID-CUSTOM:vnd.android.cursor.item/nickname;Bob;1;;",
             L"X-ANDROID-CUSTOM:vnd.android.cursor.item/relation;Jo;14;;",
             L"X-ANDROID-CUSTOM:vnd.android.cursor.item/relation;Max;6;;",
             L"X-ANDROID-CUSTOM:vnd.android.cursor.item/contact_event;1985-06-07;3;;"}),
       {{L"Anniversary", L"2004-06-19"}, {L"Birthday", L"1985-06-07"}, {L"NickName", L"Bob"}, {L"Spouse", L"Jo"},
        {L"Body", L"Graduation: 2010-01-01\r\nRelated: Max"}, {L"FullName", none}},
       2},
      // Notes and what follows them.
      {"the card's notes first, then what had no home",
       Card({L"NOTE:one\nline two", L"NOTE:three\r\n", L"EMAIL:a@x", L"EMAIL:b@x", L"EMAIL:c@x", L"EMAIL:d@x"}),
       {{L"Body", L"one\r\nline two\r\nthree\r\n\r\nE-mail: d@x"}, {L"Email1Address", L"a@x"},
        {L"Email2Address", L"b@x"}, {L"Email3Address", L"c@x"}, {L"FullName", none}},
       1},
      // Instant messaging, people, office, initials.
      {"the first handle is the IM address, the others go to the notes",
       Card({L"IMPP:xmpp:ann@example.org", L"X-AIM:annlee", L"item3.X-SKYPE:ann.lee", L"item3.X-ABLabel:Skype"}),
       {{L"IMAddress", L"xmpp:ann@example.org"}, {L"Body", L"IM: annlee\r\nSkype: ann.lee"}, {L"FullName", none}},
       2},
      {"related people by name, type and label",
       Card({L"X-SPOUSE:Jo", L"RELATED;child:Kim", L"X-CHILDREN:Lee", L"item1.X-ABRELATEDNAMES:Pat",
             L"item1.X-ABLabel:_$!<Manager>!$_", L"X-EVOLUTION-ASSISTANT:Sam", L"RELATED;friend:Max",
             L"X-OFFICE:Room 4", L"X-INITIALS:A.L."}),
       {{L"Spouse", L"Jo"}, {L"Children", L"Kim, Lee"}, {L"ManagerName", L"Pat"}, {L"AssistantName", L"Sam"},
        {L"OfficeLocation", L"Room 4"}, {L"Initials", L"A.L."}, {L"Body", L"Related: Max"}, {L"FullName", none}},
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CardMapping out;
    MapCard(c.card, out);
    EXPECT_EQ(SetsOf(out.sets), c.want);
    EXPECT_EQ(out.noted, c.noted);
  }
}

}  // namespace
