// VCardStream through COM, bound early (vtable) and late (IDispatch), and
// the placeholder classes.
#include <string>
#include <vector>

#include "com_test_support.h"

namespace tessary_test {
namespace {

// Eight lines, each ended by CR LF; the NOTE continues on the line "b".
constexpr std::string_view kWorkedExample =
    "BEGIN:VCARD\r\n"
    "VERSION:2.1\r\n"
    "N:Roe;Jane\r\n"
    "FN:Jane Roe\r\n"
    "TEL;WORK;VOICE:111\r\n"
    "NOTE;ENCODING=QUOTED-PRINTABLE:a=0D=0A=\r\n"
    "b\r\n"
    "END:VCARD\r\n";

using Getter = HRESULT (STDMETHODCALLTYPE IVCardStream::*)(BSTR*);

struct StringProperty {
  const wchar_t* name;
  DISPID id;
  Getter get;
  const wchar_t* worked_example;  // its value after MoveFirst on the worked example
};

const StringProperty kStringProperties[] = {
    {L"Name", 5, &IVCardStream::get_Name, L"Roe;Jane\n"},
    {L"FullName", 6, &IVCardStream::get_FullName, L"Jane Roe\n"},
    {L"Email", 7, &IVCardStream::get_Email, L""},
    {L"Org", 8, &IVCardStream::get_Org, L""},
    {L"Version", 9, &IVCardStream::get_Version, L"2.1\n"},
    {L"Rev", 10, &IVCardStream::get_Rev, L""},
    {L"Telephone", 11, &IVCardStream::get_Telephone, L""},
    {L"Address", 12, &IVCardStream::get_Address, L""},
    {L"Label", 13, &IVCardStream::get_Label, L""},
    {L"Title", 14, &IVCardStream::get_Title, L""},
    {L"Note", 17, &IVCardStream::get_Note, L"a=0D=0A=\n$$NEWLINE$$b\n"},
    {L"URL", 18, &IVCardStream::get_URL, L""},
    {L"Role", 19, &IVCardStream::get_Role, L""},
    {L"NickName", 20, &IVCardStream::get_NickName, L""},
    {L"BirthDay", 21, &IVCardStream::get_BirthDay, L""},
    {L"Work_Address", 23, &IVCardStream::get_Work_Address, L""},
    {L"HomeAddress", 24, &IVCardStream::get_HomeAddress, L""},
    {L"OtherAddress", 25, &IVCardStream::get_OtherAddress, L""},
    {L"PostalAddress", 26, &IVCardStream::get_PostalAddress, L""},
    {L"WorkTelephoneVoice", 27, &IVCardStream::get_WorkTelephoneVoice, L"111\n"},
    {L"WorkTelephoneFax", 28, &IVCardStream::get_WorkTelephoneFax, L""},
    {L"HomeTelephoneFax", 29, &IVCardStream::get_HomeTelephoneFax, L""},
    {L"HomeTelephoneVoice", 30, &IVCardStream::get_HomeTelephoneVoice, L""},
    {L"TelephoneCellVoice", 31, &IVCardStream::get_TelephoneCellVoice, L""},
    {L"TelephonePagerVoice", 32, &IVCardStream::get_TelephonePagerVoice, L""},
    {L"TelephoneCarVoice", 33, &IVCardStream::get_TelephoneCarVoice, L""},
    {L"TelephoneISDN", 34, &IVCardStream::get_TelephoneISDN, L""},
    {L"TelephonePref", 35, &IVCardStream::get_TelephonePref, L""},
    {L"TelephoneVoice", 36, &IVCardStream::get_TelephoneVoice, L""},
    {L"EmailTelex", 37, &IVCardStream::get_EmailTelex, L""},
    {L"EmailPrefInternet", 38, &IVCardStream::get_EmailPrefInternet, L""},
    {L"HomeUrl", 39, &IVCardStream::get_HomeUrl, L""},
    {L"WorkUrl", 40, &IVCardStream::get_WorkUrl, L""},
    {L"Delimeter", 41, &IVCardStream::get_Delimeter, L"$$NEWLINE$$"},
    {L"LineSeparator", 42, &IVCardStream::get_LineSeparator, L"$$NEWLINE$$"},
};

std::wstring Read(IVCardStream* stream, Getter get) {
  Bstr value;
  EXPECT_EQ((stream->*get)(value.Receive()), S_OK);
  EXPECT_NE(value.Get(), nullptr) << "the stream hands out a string, even an empty one";
  return std::wstring(value.View());
}

long Count(IVCardStream* stream) {
  long count = -1;
  EXPECT_EQ(stream->get_ContactCount(&count), S_OK);
  return count;
}

long IsEOF(IVCardStream* stream) {
  long eof = -1;
  EXPECT_EQ(stream->get_IsEOF(&eof), S_OK);
  return eof;
}

HRESULT OpenFile(IVCardStream* stream, const std::wstring& path) {
  Bstr name(path);
  return stream->Open(name.Get());
}

// Late binding: DISPID by name, then a call by DISPID.
DISPID IdOf(IDispatch* object, const wchar_t* name) {
  std::wstring copy(name);
  LPOLESTR names[] = {copy.data()};
  DISPID id = DISPID_UNKNOWN;
  EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << copy;
  return id;
}

HRESULT Call(IDispatch* object, DISPID id, WORD flags, std::vector<VARIANT*> args,
             VARIANT* result) {
  DISPPARAMS params{};
  // Arguments go in reverse order.
  std::vector<VARIANT> reversed;
  for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(**it);
  params.rgvarg = reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  DISPID put_id = DISPID_PROPERTYPUT;
  if (flags == DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &put_id;
    params.cNamedArgs = 1;
  }
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr,
                        nullptr);
}

using StreamTest = ComTest;

TEST_F(StreamTest, WorkedExampleThroughTheVtable) {
  TempFile file(kWorkedExample, L"worked.vcf");
  ASSERT_TRUE(file.written());
  ComPtr<IVCardStream> stream = Create<IVCardStream>(CLSID_VCardStream);
  ASSERT_TRUE(stream);
  ASSERT_EQ(OpenFile(stream.Get(), file.path()), S_OK);
  // One vCard ending in a line break: its last line is read once.
  EXPECT_EQ(Count(stream.Get()), 1);
  ASSERT_EQ(stream->MoveFirst(), S_OK);
  EXPECT_EQ(IsEOF(stream.Get()), 0);
  for (const StringProperty& p : kStringProperties)
    EXPECT_EQ(Read(stream.Get(), p.get), p.worked_example) << p.name;

  ASSERT_EQ(stream->MoveNext(), S_OK);
  EXPECT_EQ(IsEOF(stream.Get()), 1);
  // Passing the end keeps the last contact's values.
  EXPECT_EQ(Read(stream.Get(), &IVCardStream::get_FullName), L"Jane Roe\n");
  EXPECT_EQ(stream->Close(), S_OK);
  EXPECT_EQ(stream->MoveNext(), S_OK);
  EXPECT_EQ(IsEOF(stream.Get()), 1);
}

TEST_F(StreamTest, WorkedExampleThroughIDispatchByNameAndById) {
  TempFile file(kWorkedExample, L"late.vcf");
  ASSERT_TRUE(file.written());
  ComPtr<IDispatch> stream = Create<IDispatch>(CLSID_VCardStream);
  ASSERT_TRUE(stream);
  UINT count = 0;
  EXPECT_EQ(stream->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);

  Variant path, result;
  path.SetBstr(Bstr(file.path()));
  ASSERT_EQ(Call(stream.Get(), IdOf(stream.Get(), L"Open"), DISPATCH_METHOD, {path.Pointer()},
                 result.Receive()),
            S_OK);
  ASSERT_EQ(Call(stream.Get(), IdOf(stream.Get(), L"MOVEFIRST"), DISPATCH_METHOD, {},
                 result.Receive()),
            S_OK)
      << "names are matched without regard to case";
  ASSERT_EQ(Call(stream.Get(), 15, DISPATCH_PROPERTYGET, {}, result.Receive()), S_OK);
  EXPECT_EQ(V_VT(&result.Get()), VT_I4);
  EXPECT_EQ(V_I4(&result.Get()), 1);

  for (const StringProperty& p : kStringProperties) {
    SCOPED_TRACE(testing::Message() << p.id);
    EXPECT_EQ(IdOf(stream.Get(), p.name), p.id);
    ASSERT_EQ(Call(stream.Get(), p.id, DISPATCH_PROPERTYGET, {}, result.Receive()), S_OK);
    ASSERT_EQ(V_VT(&result.Get()), VT_BSTR);
    EXPECT_EQ(ToWide(V_BSTR(&result.Get())), p.worked_example);
  }

  // Setting the separator by DISPID, read back under its other name.
  Variant separator;
  separator.SetBstr(Bstr(L"|"));
  EXPECT_EQ(Call(stream.Get(), 41, DISPATCH_PROPERTYPUT, {separator.Pointer()}, nullptr), S_OK);
  ASSERT_EQ(Call(stream.Get(), IdOf(stream.Get(), L"LineSeparator"), DISPATCH_PROPERTYGET, {},
                 result.Receive()),
            S_OK);
  EXPECT_EQ(ToWide(V_BSTR(&result.Get())), L"|");

  // Names are remembered per interface: a second object, any spelling,
  // gets the same answers; unknown names stay unknown.
  ComPtr<IDispatch> another = Create<IDispatch>(CLSID_VCardStream);
  for (const wchar_t* name : {L"FullName", L"fullname", L"FULLNAME"})
    EXPECT_EQ(IdOf(another.Get(), name), 6);
  for (int attempt = 0; attempt < 2; ++attempt) {
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
    DISPID id = 0;
    EXPECT_EQ(another->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id),
              DISP_E_UNKNOWNNAME);
  }
  // The placeholder interface has its own names: FullName is 2 there.
  ComPtr<IDispatch> contact = Create<IDispatch>(CLSID_VCardContact);
  EXPECT_EQ(IdOf(contact.Get(), L"FullName"), 2);
}

// Every getter returns its own field: one line per property, each value
// different, so a getter wired to the wrong field shows.
TEST_F(StreamTest, EachGetterReturnsItsOwnField) {
  struct Case {
    Getter get;
    const char* line;  // written to the file; empty for a getter with no line of its own
    const wchar_t* expected;
  } cases[] = {
      {&IVCardStream::get_Name, "N:n", L"n\n"},
      {&IVCardStream::get_FullName, "FN:fn", L"fn\n"},
      {&IVCardStream::get_Email, "EMAIL:email", L"email\n"},
      {&IVCardStream::get_Org, "ORG:org", L"org\n"},
      {&IVCardStream::get_Version, "VERSION:version", L"version\n"},
      {&IVCardStream::get_Rev, "REV:rev", L"rev\n"},
      {&IVCardStream::get_Telephone, "TEL:tel", L"tel\n"},
      {&IVCardStream::get_Address, "ADR:adr", L"adr\n"},
      {&IVCardStream::get_Label, "LABEL:label", L"label\n"},
      {&IVCardStream::get_Title, "TITLE:title", L"title\n"},
      {&IVCardStream::get_Note, "NOTE:note", L"note\n"},
      {&IVCardStream::get_URL, "URL:url", L"url\n"},
      {&IVCardStream::get_Role, "ROLE:role", L"role\n"},
      {&IVCardStream::get_NickName, "NICKNAME:nick", L"nick\n"},
      {&IVCardStream::get_BirthDay, "BDAY:bday", L"bday\n"},
      {&IVCardStream::get_Work_Address, "ADR;Work:work adr", L"work adr\n"},
      {&IVCardStream::get_HomeAddress, "ADR;Home:home adr", L"home adr\n"},
      {&IVCardStream::get_PostalAddress, "ADR;POSTAL:postal", L"postal\n"},
      {&IVCardStream::get_OtherAddress, "", L"postal\n"},
      {&IVCardStream::get_WorkTelephoneVoice, "TEL;WORK;VOICE:work voice", L"work voice\n"},
      {&IVCardStream::get_WorkTelephoneFax, "TEL;WORK;FAX:work fax", L"work fax\n"},
      {&IVCardStream::get_HomeTelephoneFax, "TEL;HOME;FAX:home fax", L"home fax\n"},
      {&IVCardStream::get_HomeTelephoneVoice, "TEL;HOME;VOICE:home voice", L"home voice\n"},
      {&IVCardStream::get_TelephoneCellVoice, "TEL;CELL;VOICE:cell", L"cell\n"},
      {&IVCardStream::get_TelephonePagerVoice, "TEL;PAGER;VOICE:pager", L"pager\n"},
      {&IVCardStream::get_TelephoneCarVoice, "TEL;CAR;VOICE:car", L"car\n"},
      {&IVCardStream::get_TelephoneISDN, "TEL;ISDN:isdn", L"isdn\n"},
      {&IVCardStream::get_TelephonePref, "TEL;PREF:pref", L"pref\n"},
      {&IVCardStream::get_TelephoneVoice, "TEL;VOICE:voice", L"voice\n"},
      {&IVCardStream::get_EmailTelex, "EMAIL;TLX:telex", L"telex\n"},
      {&IVCardStream::get_EmailPrefInternet, "EMAIL;PREF;INTERNET:pref mail", L"pref mail\n"},
      {&IVCardStream::get_HomeUrl, "URL;HOME:home url", L"home url\n"},
      {&IVCardStream::get_WorkUrl, "URL;WORK:work url", L"work url\n"},
  };
  std::string text = "BEGIN:VCARD\n";
  for (const Case& c : cases)
    if (*c.line) text += std::string(c.line) + "\n";
  text += "END:VCARD";
  TempFile file(text, L"fields.vcf");
  ASSERT_TRUE(file.written());
  ComPtr<IVCardStream> stream = Create<IVCardStream>(CLSID_VCardStream);
  ASSERT_EQ(OpenFile(stream.Get(), file.path()), S_OK);
  ASSERT_EQ(stream->MoveFirst(), S_OK);
  for (const Case& c : cases)
    EXPECT_EQ(Read(stream.Get(), c.get), c.expected) << (*c.line ? c.line : "OtherAddress");
}

// Values are the file's bytes: UTF-8 when the whole file is UTF-8, the ANSI
// code page otherwise.
TEST_F(StreamTest, ValuesWidenFromTheFilesEncoding) {
  ASSERT_EQ(GetACP(), 1252u) << "the expectations below are for the Western code page";
  struct Case {
    const char* name;
    std::string_view bytes;
    const wchar_t* full_name;
  } cases[] = {
      {"UTF-8", "BEGIN:VCARD\nFN:J\xC3\xBCrgen M\xC3\xBCller \xE2\x82\xAC\nEND:VCARD",
       L"J\u00FCrgen M\u00FCller \u20AC\n"},
      {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" "BEGIN:VCARD\nFN:\xC3\xA9t\xC3\xA9\nEND:VCARD",
       L"\u00E9t\u00E9\n"},
      {"ANSI", "BEGIN:VCARD\nFN:J\xFCrgen M\xFCller \x80\nEND:VCARD",
       L"J\u00FCrgen M\u00FCller \u20AC\n"},
      // One byte that is not UTF-8 makes the whole file ANSI.
      {"mixed", "BEGIN:VCARD\nFN:\xC3\xBC\nN:\xFC\nEND:VCARD", L"\u00C3\u00BC\n"},
  };
  ComPtr<IVCardStream> stream = Create<IVCardStream>(CLSID_VCardStream);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFile file(c.bytes, L"encoding.vcf");
    ASSERT_TRUE(file.written());
    ASSERT_EQ(OpenFile(stream.Get(), file.path()), S_OK);
    ASSERT_EQ(stream->MoveFirst(), S_OK);
    EXPECT_EQ(Read(stream.Get(), &IVCardStream::get_FullName), c.full_name);
  }
}

// The values kept from one file read back in that file's encoding after an
// Open of another, until a move replaces them.
TEST_F(StreamTest, KeptValuesReadBackInTheEncodingTheyWereReadIn) {
  ASSERT_EQ(GetACP(), 1252u);
  TempFile utf8("BEGIN:VCARD\nFN:J\xC3\xBCrgen\nEND:VCARD", L"kept-utf8.vcf");
  TempFile ansi("BEGIN:VCARD\nFN:Ana \xC3\nEND:VCARD", L"kept-ansi.vcf");
  TempFile empty("", L"kept-empty.vcf");
  struct Case {
    const char* name;
    std::wstring path;
  } cases[] = {
      {"a missing file", utf8.path() + L".missing"},
      {"an ANSI file", ansi.path()},
      {"an empty file", empty.path()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ComPtr<IVCardStream> stream = Create<IVCardStream>(CLSID_VCardStream);
    ASSERT_EQ(OpenFile(stream.Get(), utf8.path()), S_OK);
    ASSERT_EQ(stream->MoveFirst(), S_OK);
    EXPECT_EQ(Read(stream.Get(), &IVCardStream::get_FullName), L"J\u00FCrgen\n");
    ASSERT_EQ(OpenFile(stream.Get(), c.path), S_OK);
    EXPECT_EQ(Read(stream.Get(), &IVCardStream::get_FullName), L"J\u00FCrgen\n") << "not J\u00C3\u00BCrgen";
    ASSERT_EQ(stream->MoveFirst(), S_OK);
    if (Count(stream.Get()) > 0) {
      EXPECT_EQ(Read(stream.Get(), &IVCardStream::get_FullName), L"Ana \u00C3\n") << "the new file's own";
    }
  }
}

TEST_F(StreamTest, OpensAFileWhoseNameTheAnsiCodePageCannotHold) {
  const std::wstring name = L"\u6F22\u5B57_\u03A9_contacts.vcf";
  BOOL lossy = FALSE;
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.c_str(), -1, nullptr, 0, nullptr, &lossy);
  ASSERT_TRUE(lossy) << "the name must be one the ANSI code page cannot spell";
  TempFile file(kWorkedExample, name);
  ASSERT_TRUE(file.written());
  ComPtr<IVCardStream> stream = Create<IVCardStream>(CLSID_VCardStream);
  ASSERT_EQ(OpenFile(stream.Get(), file.path()), S_OK);
  EXPECT_EQ(Count(stream.Get()), 1);
  ASSERT_EQ(stream->MoveFirst(), S_OK);
  EXPECT_EQ(Read(stream.Get(), &IVCardStream::get_FullName), L"Jane Roe\n");
}

TEST_F(StreamTest, FilesThatCannotBeReadGiveNoContacts) {
  ComPtr<IVCardStream> stream = Create<IVCardStream>(CLSID_VCardStream);
  TempFile missing_dir_file("", L"x.vcf");
  const std::wstring paths[] = {L"", missing_dir_file.path() + L".missing",
                                L"C:\\no\\such\\directory\\x.vcf"};
  for (const std::wstring& path : paths) {
    SCOPED_TRACE(testing::Message() << path.size());
    EXPECT_EQ(OpenFile(stream.Get(), path), S_OK);
    EXPECT_EQ(Count(stream.Get()), 0);
    EXPECT_EQ(stream->MoveFirst(), S_OK);
    EXPECT_EQ(IsEOF(stream.Get()), 1);
  }
  EXPECT_EQ(stream->Open(nullptr), S_OK);
  EXPECT_EQ(Count(stream.Get()), 0);
}

TEST_F(StreamTest, SeparatorIsNarrowedThroughTheAnsiCodePage) {
  ASSERT_EQ(GetACP(), 1252u);
  struct Case {
    const wchar_t* set;
    const wchar_t* read_back;  // what the ANSI code page kept
  } cases[] = {
      {L"|", L"|"},
      {L" \u00A7 ", L" \u00A7 "},
      {L"\u6F22", L"?"},
  };
  ComPtr<IVCardStream> stream = Create<IVCardStream>(CLSID_VCardStream);
  // Joined values read as one text whichever encoding the file is in.
  TempFile ansi("BEGIN:VCARD\nNOTE:one\nNOTE:tw\xE9\nEND:VCARD", L"separator-ansi.vcf");
  TempFile utf8("BEGIN:VCARD\nNOTE:one\nNOTE:tw\xC3\xA9\nEND:VCARD", L"separator-utf8.vcf");
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.read_back);
    Bstr separator{std::wstring_view(c.set)};
    ASSERT_EQ(stream->put_Delimeter(separator.Get()), S_OK);
    EXPECT_EQ(Read(stream.Get(), &IVCardStream::get_Delimeter), c.read_back);
    EXPECT_EQ(Read(stream.Get(), &IVCardStream::get_LineSeparator), c.read_back);
    for (const TempFile* file : {&ansi, &utf8}) {
      ASSERT_EQ(OpenFile(stream.Get(), file->path()), S_OK);
      ASSERT_EQ(stream->MoveFirst(), S_OK);
      EXPECT_EQ(Read(stream.Get(), &IVCardStream::get_Note),
                std::wstring(L"one\n") + c.read_back + L"tw\u00E9\n")
          << (file == &utf8 ? "UTF-8 file" : "ANSI file");
    }
    // Joining a UTF-8 file leaves the separator itself as it was set.
    EXPECT_EQ(Read(stream.Get(), &IVCardStream::get_Delimeter), c.read_back);
  }
  Bstr back(L"$$NEWLINE$$");
  ASSERT_EQ(stream->put_LineSeparator(back.Get()), S_OK);
  EXPECT_EQ(Read(stream.Get(), &IVCardStream::get_Delimeter), L"$$NEWLINE$$");
}

TEST_F(StreamTest, NullOutPointersAreRefused) {
  ComPtr<IVCardStream> stream = Create<IVCardStream>(CLSID_VCardStream);
  for (const StringProperty& p : kStringProperties)
    EXPECT_EQ((stream.Get()->*p.get)(nullptr), E_POINTER) << p.name;
  EXPECT_EQ(stream->get_ContactCount(nullptr), E_POINTER);
  EXPECT_EQ(stream->get_IsEOF(nullptr), E_POINTER);
  EXPECT_EQ(stream->GetContact(0, nullptr), E_POINTER);
  EXPECT_EQ(stream->GetTypeInfoCount(nullptr), E_POINTER);
  EXPECT_EQ(stream->GetTypeInfo(0, 0, nullptr), E_POINTER);
}

TEST_F(StreamTest, GetContactProducesNoObject) {
  TempFile file(kWorkedExample, L"contact.vcf");
  ComPtr<IVCardStream> stream = Create<IVCardStream>(CLSID_VCardStream);
  ASSERT_EQ(OpenFile(stream.Get(), file.path()), S_OK);
  for (int index : {-1, 0, 1, 1000}) {
    // Whatever the caller left there must not look like a contact.
    IDispatch* contact = reinterpret_cast<IDispatch*>(stream.Get());
    EXPECT_EQ(stream->GetContact(index, &contact), S_OK);
    EXPECT_EQ(contact, nullptr) << index;
  }
  EXPECT_EQ(Read(stream.Get(), &IVCardStream::get_Email), L"");
  Bstr ignored(L"x@example.com");
  EXPECT_EQ(stream->put_Email(ignored.Get()), S_OK);
  EXPECT_EQ(stream->put_Org(ignored.Get()), S_OK);
  ASSERT_EQ(stream->MoveFirst(), S_OK);
  EXPECT_EQ(Read(stream.Get(), &IVCardStream::get_Email), L"") << "puts are ignored";
}

// The modern reading through IVCardStream2, the class's default interface:
// every new member bound early, the new names late, indexes checked, and
// the old getters answering with decoded text.
TEST_F(StreamTest, ModernReadingThroughIVCardStream2) {
  TempFile file(
      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:J\xC3\xBCrgen M\xC3\xBC\r\n ller\r\nitem1.TEL;TYPE=cell;TYPE=pref:+1 555 0100\r\n"
      "N:M\xC3\xBCller;J\xC3\xBCrgen\\, Jr.\r\nEND:VCARD\r\n"
      "BEGIN:VCARD\r\nVERSION:4.0\r\nTEL;VALUE=uri:tel:+1-555-0101;ext=7\r\n",
      L"modern.vcf");
  ASSERT_TRUE(file.written());
  ComPtr<IVCardStream2> stream = Create<IVCardStream2>(CLSID_VCardStream);
  ASSERT_TRUE(stream);
  Bstr path(file.path());
  ASSERT_EQ(stream->OpenDecoded(path.Get()), S_OK);
  EXPECT_EQ(Count(stream.Get()), 2) << "the card without END is listed too";
  long properties = -1;
  EXPECT_EQ(stream->get_PropertyCount(&properties), S_OK);
  EXPECT_EQ(properties, 0) << "no card before the first move";
  ASSERT_EQ(stream->MoveFirst(), S_OK);
  ASSERT_EQ(stream->get_PropertyCount(&properties), S_OK);
  ASSERT_EQ(properties, 3);

  auto text = [&](HRESULT (STDMETHODCALLTYPE IVCardStream2::*get)(long, BSTR*), long index) {
    Bstr value;
    EXPECT_EQ((stream.Get()->*get)(index, value.Receive()), S_OK) << index;
    return std::wstring(value.View());
  };
  struct Expected {
    const wchar_t *name, *group, *types, *value;
    std::vector<std::wstring> components;
  } expected[] = {
      {L"FN", L"", L"", L"J\u00FCrgen M\u00FCller", {L"J\u00FCrgen M\u00FCller"}},
      {L"TEL", L"item1", L"cell,pref", L"+1 555 0100", {L"+1 555 0100"}},
      {L"N", L"", L"", L"M\u00FCller;J\u00FCrgen, Jr.", {L"M\u00FCller", L"J\u00FCrgen, Jr."}},
  };
  for (long i = 1; i <= 3; ++i) {
    const Expected& e = expected[i - 1];
    SCOPED_TRACE(i);
    EXPECT_EQ(text(&IVCardStream2::get_PropertyName, i), e.name);
    EXPECT_EQ(text(&IVCardStream2::get_PropertyGroup, i), e.group);
    EXPECT_EQ(text(&IVCardStream2::get_PropertyTypes, i), e.types);
    EXPECT_EQ(text(&IVCardStream2::get_PropertyValue, i), e.value);
    long components = -1;
    ASSERT_EQ(stream->get_PropertyComponentCount(i, &components), S_OK);
    ASSERT_EQ(components, long(e.components.size()));
    for (long k = 1; k <= components; ++k) {
      Bstr component;
      EXPECT_EQ(stream->get_PropertyComponent(i, k, component.Receive()), S_OK);
      EXPECT_EQ(component.View(), e.components[k - 1]);
    }
  }
  // Indexes are 1-based; outside the card they are refused.
  Bstr unused;
  long count = 0;
  for (long bad : {0L, 4L, -1L}) {
    EXPECT_EQ(stream->get_PropertyName(bad, unused.Receive()), E_INVALIDARG);
    EXPECT_EQ(stream->get_PropertyGroup(bad, unused.Receive()), E_INVALIDARG);
    EXPECT_EQ(stream->get_PropertyTypes(bad, unused.Receive()), E_INVALIDARG);
    EXPECT_EQ(stream->get_PropertyValue(bad, unused.Receive()), E_INVALIDARG);
    EXPECT_EQ(stream->get_PropertyComponentCount(bad, &count), E_INVALIDARG);
    EXPECT_EQ(stream->get_PropertyComponent(bad, 1, unused.Receive()), E_INVALIDARG);
  }
  EXPECT_EQ(stream->get_PropertyComponent(3, 0, unused.Receive()), E_INVALIDARG);
  EXPECT_EQ(stream->get_PropertyComponent(3, 3, unused.Receive()), E_INVALIDARG);
  EXPECT_EQ(stream->get_PropertyCount(nullptr), E_POINTER);
  EXPECT_EQ(stream->get_PropertyValue(1, nullptr), E_POINTER);
  // The old getters hold the decoded values, without a line feed.
  EXPECT_EQ(Read(stream.Get(), &IVCardStream::get_FullName), L"J\u00FCrgen M\u00FCller");
  EXPECT_EQ(Read(stream.Get(), &IVCardStream::get_TelephoneCellVoice), L"+1 555 0100");

  // Late bound, as a script sees the default interface: the new names
  // beside the old.
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(stream.As(&dispatch), S_OK);
  EXPECT_EQ(IdOf(dispatch.Get(), L"OpenDecoded"), 100);
  EXPECT_EQ(IdOf(dispatch.Get(), L"ContactCount"), 15);
  ASSERT_EQ(Call(dispatch.Get(), IdOf(dispatch.Get(), L"MoveNext"), DISPATCH_METHOD, {}, nullptr), S_OK);
  Variant index, component, result;
  V_VT(index.Pointer()) = VT_I4;
  V_I4(index.Pointer()) = 1;
  ASSERT_EQ(Call(dispatch.Get(), IdOf(dispatch.Get(), L"PropertyValue"), DISPATCH_PROPERTYGET, {index.Pointer()},
                 result.Receive()),
            S_OK);
  EXPECT_EQ(ToWide(V_BSTR(&result.Get())), L"+1-555-0101 ext. 7");
  V_VT(component.Pointer()) = VT_I4;
  V_I4(component.Pointer()) = 1;
  ASSERT_EQ(Call(dispatch.Get(), 107, DISPATCH_PROPERTYGET, {index.Pointer(), component.Pointer()},
                 result.Receive()),
            S_OK);
  EXPECT_EQ(ToWide(V_BSTR(&result.Get())), L"+1-555-0101 ext. 7");
  V_I4(index.Pointer()) = 2;
  EXPECT_TRUE(FAILED(Call(dispatch.Get(), 105, DISPATCH_PROPERTYGET, {index.Pointer()}, result.Receive())));

  // The same object is an IVCardStream, and an Open there is the keyword
  // reader's again: no card shows.
  ComPtr<IVCardStream> old;
  ASSERT_EQ(stream.As(&old), S_OK);
  EXPECT_EQ(static_cast<IVCardStream*>(stream.Get()), old.Get());
  ASSERT_EQ(OpenFile(old.Get(), file.path()), S_OK);
  ASSERT_EQ(old->MoveFirst(), S_OK);
  ASSERT_EQ(stream->get_PropertyCount(&properties), S_OK);
  EXPECT_EQ(properties, 0);
  EXPECT_EQ(Count(old.Get()), 1);
  EXPECT_EQ(Read(old.Get(), &IVCardStream::get_FullName), L" ller\n") << "the fold replaces FN, as it always did";
  // A file that cannot be opened: no contacts, as for Open.
  Bstr missing(file.path() + L".missing");
  EXPECT_EQ(stream->OpenDecoded(missing.Get()), S_OK);
  EXPECT_EQ(Count(stream.Get()), 0);
}

// Binary values through IVCardStream3, the class's default interface: early
// bound, and late bound as a script gets them, the bytes as an array of
// bytes; a value that does not decode names its failure.
TEST_F(StreamTest, BinaryValuesThroughIVCardStream3) {
  // A 1 x 1 GIF, and a key cut short.
  const std::string gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xFF\x88\x00\x00\x00\x00!\xF9\x04\x00\x00\x00\x00\x00,"
                        "\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02" "D\x01\x00;", 43);
  TempFile file("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Pat\r\nitem2.PHOTO;ENCODING=b;TYPE=GIF:R0lGODlhAQABAIAAAP+IAAAAACH5BAAAAAAALAAA\r\n"
                " AAABAAEAAAICRAEAOw==\r\nKEY;ENCODING=b:QUJDR\r\nEND:VCARD\r\n",
                L"pictures.vcf");
  ASSERT_TRUE(file.written());
  ComPtr<IVCardStream3> stream = Create<IVCardStream3>(CLSID_VCardStream);
  ASSERT_TRUE(stream);
  Bstr path(file.path());
  ASSERT_EQ(stream->OpenDecoded(path.Get()), S_OK);
  ASSERT_EQ(stream->MoveFirst(), S_OK);
  long count = -1, properties = -1;
  ASSERT_EQ(stream->get_BinaryCount(&count), S_OK);
  ASSERT_EQ(count, 2);
  ASSERT_EQ(stream->get_PropertyCount(&properties), S_OK);
  EXPECT_EQ(properties, 1) << "binary values are not among the properties";

  auto text = [&](HRESULT (STDMETHODCALLTYPE IVCardStream3::*get)(long, BSTR*), long index) {
    Bstr value;
    EXPECT_EQ((stream.Get()->*get)(index, value.Receive()), S_OK) << index;
    return std::wstring(value.View());
  };
  auto bytes = [&](long index) {
    Variant data;
    EXPECT_EQ(stream->get_BinaryData(index, data.Receive()), S_OK);
    EXPECT_EQ(V_VT(&data.Get()), VT_ARRAY | VT_UI1);
    void* at = nullptr;
    SAFEARRAY* array = V_ARRAY(&data.Get());
    EXPECT_EQ(SafeArrayAccessData(array, &at), S_OK);
    std::string out(static_cast<const char*>(at), array->rgsabound[0].cElements);
    SafeArrayUnaccessData(array);
    return out;
  };
  struct Expected {
    const wchar_t *name, *group, *types, *media_type, *failure;
    std::string bytes;
  } expected[] = {
      {L"PHOTO", L"item2", L"gif", L"image/gif", L"", gif},
      {L"KEY", L"", L"", L"application/octet-stream", L"the value is cut short", ""},
  };
  for (long i = 1; i <= 2; ++i) {
    const Expected& e = expected[i - 1];
    SCOPED_TRACE(i);
    EXPECT_EQ(text(&IVCardStream3::get_BinaryName, i), e.name);
    EXPECT_EQ(text(&IVCardStream3::get_BinaryGroup, i), e.group);
    EXPECT_EQ(text(&IVCardStream3::get_BinaryTypes, i), e.types);
    EXPECT_EQ(text(&IVCardStream3::get_BinaryMediaType, i), e.media_type);
    EXPECT_EQ(text(&IVCardStream3::get_BinaryFailure, i), e.failure);
    EXPECT_TRUE(bytes(i) == e.bytes);
    long size = -1;
    EXPECT_EQ(stream->get_BinarySize(i, &size), S_OK);
    EXPECT_EQ(size, long(e.bytes.size()));
  }
  Bstr unused;
  Variant no_data;
  for (long bad : {0L, 3L, -1L}) {
    EXPECT_EQ(stream->get_BinaryName(bad, unused.Receive()), E_INVALIDARG);
    EXPECT_EQ(stream->get_BinaryMediaType(bad, unused.Receive()), E_INVALIDARG);
    EXPECT_EQ(stream->get_BinaryFailure(bad, unused.Receive()), E_INVALIDARG);
    EXPECT_EQ(stream->get_BinaryData(bad, no_data.Receive()), E_INVALIDARG);
    EXPECT_EQ(stream->get_BinarySize(bad, &count), E_INVALIDARG);
  }
  EXPECT_EQ(stream->get_BinaryCount(nullptr), E_POINTER);
  EXPECT_EQ(stream->get_BinaryData(1, nullptr), E_POINTER);

  // Late bound: the new names beside the old, the bytes as a script gets
  // them.
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(stream.As(&dispatch), S_OK);
  EXPECT_EQ(IdOf(dispatch.Get(), L"OpenDecoded"), 100);
  EXPECT_EQ(IdOf(dispatch.Get(), L"BinaryData"), 205);
  Variant index, result;
  V_VT(index.Pointer()) = VT_I4;
  V_I4(index.Pointer()) = 1;
  ASSERT_EQ(Call(dispatch.Get(), 205, DISPATCH_PROPERTYGET, {index.Pointer()}, result.Receive()), S_OK);
  ASSERT_EQ(V_VT(&result.Get()), VT_ARRAY | VT_UI1);
  EXPECT_EQ(V_ARRAY(&result.Get())->rgsabound[0].cElements, gif.size());

  // The next card lets the picture go; Open is the keyword reader's again.
  ASSERT_EQ(stream->MoveNext(), S_OK);
  ComPtr<IVCardStream> old;
  ASSERT_EQ(stream.As(&old), S_OK);
  ASSERT_EQ(OpenFile(old.Get(), file.path()), S_OK);
  ASSERT_EQ(old->MoveFirst(), S_OK);
  ASSERT_EQ(stream->get_BinaryCount(&count), S_OK);
  EXPECT_EQ(count, 0);
}

// The modern reading reads each card from the file again when the cursor
// reaches it, through a handle of its own: a card lost from the file since
// says so in every member that reads it, and Close lets the file go.
TEST_F(StreamTest, ModernReadingReadsCardsAgainUntilClose) {
  const std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:A\r\nEND:VCARD\r\n";
  TempFile file(card + card, L"again.vcf");
  ASSERT_TRUE(file.written());
  ComPtr<IVCardStream2> stream = Create<IVCardStream2>(CLSID_VCardStream);
  ASSERT_TRUE(stream);
  Bstr path(file.path());
  ASSERT_EQ(stream->OpenDecoded(path.Get()), S_OK);
  ASSERT_EQ(Count(stream.Get()), 2);
  // The second card is cut off.
  HANDLE cut = CreateFileW(file.path().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(cut, INVALID_HANDLE_VALUE);
  LARGE_INTEGER size;
  size.QuadPart = LONGLONG(card.size() + 10);
  ASSERT_TRUE(SetFilePointerEx(cut, size, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(cut));
  CloseHandle(cut);

  long properties = -1;
  ASSERT_EQ(stream->MoveFirst(), S_OK);
  EXPECT_EQ(stream->get_PropertyCount(&properties), S_OK);
  EXPECT_EQ(properties, 1);
  ASSERT_EQ(stream->MoveNext(), S_OK);
  EXPECT_EQ(stream->get_PropertyCount(&properties), STG_E_READFAULT);
  Bstr unused;
  EXPECT_EQ(stream->get_PropertyValue(1, unused.Receive()), STG_E_READFAULT);
  EXPECT_EQ(stream->get_FullName(unused.Receive()), STG_E_READFAULT);
  ASSERT_EQ(stream->MoveNext(), S_OK);
  EXPECT_EQ(IsEOF(stream.Get()), 1);

  ASSERT_EQ(stream->Close(), S_OK);
  EXPECT_TRUE(DeleteFileW(file.path().c_str())) << "Close lets the file go";
}

// The placeholders keep nothing: puts succeed and are forgotten, gets
// succeed with no string, and refuse a null out-pointer.
TEST_F(StreamTest, PlaceholdersKeepNothing) {
  ComPtr<IBusinessContact> business = Create<IBusinessContact>(CLSID_BusinessContact);
  ComPtr<IVCardContact> contact = Create<IVCardContact>(CLSID_VCardContact);
  ASSERT_TRUE(business && contact);
  Bstr text(L"Director");
  struct Case {
    const char* name;
    std::function<HRESULT(BSTR)> put;
    std::function<HRESULT(BSTR*)> get;
  } cases[] = {
      {"BusinessContact.Title", [&](BSTR v) { return business->put_Title(v); },
       [&](BSTR* v) { return business->get_Title(v); }},
      {"BusinessContact.Note", [&](BSTR v) { return business->put_Note(v); },
       [&](BSTR* v) { return business->get_Note(v); }},
      {"VCardContact.FullName", [&](BSTR v) { return contact->put_FullName(v); },
       [&](BSTR* v) { return contact->get_FullName(v); }},
      {"VCardContact.EmailAddress", [&](BSTR v) { return contact->put_EmailAddress(v); },
       [&](BSTR* v) { return contact->get_EmailAddress(v); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.put(text.Get()), S_OK);
    Bstr value(L"stale");
    EXPECT_EQ(c.get(value.Receive()), S_OK);
    EXPECT_EQ(value.View(), L"");
    EXPECT_EQ(c.get(nullptr), E_POINTER);
  }
  EXPECT_EQ(business->Dummy(), S_OK);

  // Late bound, as a script would: the value read back is empty.
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(contact.As(&dispatch), S_OK);
  Variant value, result;
  value.SetBstr(Bstr(L"Jane Roe"));
  EXPECT_EQ(Call(dispatch.Get(), IdOf(dispatch.Get(), L"FullName"), DISPATCH_PROPERTYPUT,
                 {value.Pointer()}, nullptr),
            S_OK);
  ASSERT_EQ(Call(dispatch.Get(), 2, DISPATCH_PROPERTYGET, {}, result.Receive()), S_OK);
  EXPECT_EQ(ToWide(V_VT(&result.Get()) == VT_BSTR ? V_BSTR(&result.Get()) : nullptr), L"");
}

}  // namespace
}  // namespace tessary_test
