#include "vcard_stream.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "keywords.h"
#include "test_files.h"

namespace {

using tessary::Field;
using tessary::VCardStream;
using Contact = std::map<std::string, std::string>;

// The non-empty fields of the current values, by field name.
Contact CurrentFields(const VCardStream& s) {
  Contact c;
  for (std::size_t i = 0; i < tessary::kFieldCount; ++i) {
    const std::string& v = s.Current(Field(i));
    if (!v.empty()) c[std::string(tessary::FieldName(Field(i)))] = v;
  }
  return c;
}

struct ReadResult {
  int count = 0;
  std::vector<Contact> entries;
  bool utf8 = false;
};

// Walks the whole list the way the importer does.
ReadResult Walk(VCardStream& s) {
  ReadResult r;
  r.count = s.ContactCount();
  r.utf8 = s.IsUtf8();
  s.MoveFirst();
  while (!s.IsEOF() && r.entries.size() <= s.ListSize()) {
    r.entries.push_back(CurrentFields(s));
    s.MoveNext();
  }
  return r;
}

ReadResult ReadText(const std::string& text, const char* separator = nullptr) {
  VCardStream s;
  if (separator) s.SetDelimeter(separator);
  testing_files::TempFile file(text);
  s.Open(file.path().c_str());
  return Walk(s);
}

std::string Crlf(std::initializer_list<const char*> lines) {
  std::string out;
  for (const char* l : lines) out += std::string(l) + "\r\n";
  return out;
}

TEST(VCardStream, WorkedExample) {
  VCardStream s;
  testing_files::TempFile file(Crlf({"BEGIN:VCARD", "VERSION:2.1", "N:Roe;Jane", "FN:Jane Roe",
                                     "TEL;WORK;VOICE:111", "NOTE;ENCODING=QUOTED-PRINTABLE:a=0D=0A=",
                                     "b", "END:VCARD"}));
  s.Open(file.path().c_str());
  // One contact, read once: the file's final line break does not repeat it.
  EXPECT_EQ(s.ContactCount(), 1);
  s.MoveFirst();
  EXPECT_FALSE(s.IsEOF());
  Contact expected = {
      {"Version", "2.1\n"},
      {"Name", "Roe;Jane\n"},
      {"FullName", "Jane Roe\n"},
      {"WorkTelephoneVoice", "111\n"},
      {"Note", "a=0D=0A=\n$$NEWLINE$$b\n"},
  };
  EXPECT_EQ(CurrentFields(s), expected);
  s.MoveNext();
  EXPECT_TRUE(s.IsEOF());
  EXPECT_EQ(CurrentFields(s), expected) << "values stay after the end";
}

// Each case: a file's text and what the reader must list.
struct ReadCase {
  const char* name;
  std::string text;
  int count;
  std::vector<Contact> entries;
  const char* separator = nullptr;
};

class ReadCases : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadCases, ListsExactly) {
  const ReadCase& c = GetParam();
  ReadResult r = ReadText(c.text, c.separator);
  EXPECT_EQ(r.count, c.count);
  EXPECT_EQ(r.entries, c.entries);
}

const std::string kTwo = "BEGIN:VCARD\nFN:A\nEND:VCARD\nBEGIN:VCARD\nFN:B\nEND:VCARD";
const std::string kLong(2500, 'x');

INSTANTIATE_TEST_SUITE_P(
    Reader, ReadCases,
    ::testing::Values(
        ReadCase{"TwoWithFinalBreak", kTwo + "\n", 2, {{{"FullName", "A\n"}}, {{"FullName", "B\n"}}}},
        ReadCase{"TwoWithoutFinalBreak", kTwo, 2, {{{"FullName", "A\n"}}, {{"FullName", "B\n"}}}},
        ReadCase{"LastLineWithoutBreakReadOnce", "BEGIN:VCARD\nNOTE:a\nEND:VCARD\nNOTE:b", 1,
                 {{{"Note", "a\n$$NEWLINE$$b"}}}},
        ReadCase{"BlankLinesAfterEndAddNothing", kTwo + "\n\n\n", 2,
                 {{{"FullName", "A\n"}}, {{"FullName", "B\n"}}}},
        ReadCase{"BlankLinesBetweenCards", "BEGIN:VCARD\nFN:A\nEND:VCARD\n\r\n\nBEGIN:VCARD\nFN:B\nEND:VCARD\n", 2,
                 {{{"FullName", "A\n"}}, {{"FullName", "B\n"}}}},
        ReadCase{"BlankLineAfterBeginKeepsContact", "BEGIN:VCARD\nFN:A\nBEGIN:VCARD\n\nFN:B\nEND:VCARD\n", 1,
                 {{{"FullName", "B\n"}}}},
        ReadCase{"ColonlessAfterEndIgnored", "BEGIN:VCARD\nFN:A\nEND:VCARD\ntrailing\nmore\n", 1,
                 {{{"FullName", "A\n"}}}},
        ReadCase{"RepeatedEndListsAgain", "BEGIN:VCARD\nFN:A\nEND:VCARD\nEND:VCARD\n", 2,
                 {{{"FullName", "A\n"}}, {{"FullName", "A\n"}}}},
        ReadCase{"LinesAfterEndChangeListedContact", "BEGIN:VCARD\nFN:A\nEND:VCARD\nTITLE:Boss\n", 1,
                 {{{"FullName", "A\n"}, {"Title", "Boss\n"}}}},
        ReadCase{"BeginTwiceDropsFirst", "BEGIN:VCARD\nFN:A\nBEGIN:VCARD\nFN:B\nEND:VCARD\n", 1,
                 {{{"FullName", "B\n"}}}},
        ReadCase{"PropertyBeforeBeginIgnored", "FN:X\nEND:VCARD\nBEGIN:VCARD\nEND:VCARD\n", 1, {{}}},
        ReadCase{"EmptyFile", "", 0, {}},
        ReadCase{"NoBegin", "FN:A\nEND:VCARD\n", 0, {}},
        ReadCase{"ByteOrderMarkSkipped", "\xEF\xBB\xBF" "BEGIN:VCARD\r\nFN:A\r\nEND:VCARD\r\n", 1,
                 {{{"FullName", "A\n"}}}},
        ReadCase{"LongLineReadWhole",
                 "BEGIN:VCARD\nNOTE:" + kLong + ":" + kLong + "\nEND:VCARD\n", 1,
                 {{{"Note", kLong + ":" + kLong + "\n"}}}},
        ReadCase{"LoneCarriageReturnStays", "BEGIN:VCARD\nFN:A\rB\r\r\nEND:VCARD\n", 1,
                 {{{"FullName", "A\rB\r\n"}}}},
        // The C runtime's text mode on Windows would stop at a Ctrl-Z byte and
        // drop the rest of the file; the reader reads every byte.
        ReadCase{"CtrlZDoesNotEndTheFile", "BEGIN:VCARD\nNOTE:a\x1A" "b\nEND:VCARD\nBEGIN:VCARD\nEND:VCARD\n", 2,
                 {{{"Note", "a\x1A" "b\n"}}, {}}},
        ReadCase{"ReplaceKeepsLast", "BEGIN:VCARD\nFN:A\nFN:B\nN:Roe;Jane;;Dr.;\nEND:VCARD\n", 1,
                 {{{"FullName", "B\n"}, {"Name", "Roe;Jane;;Dr.;\n"}}}},
        ReadCase{"AppendJoins", "BEGIN:VCARD\nNOTE:one\nNOTE:two\nTEL;WORK:111\nTEL;WORK;VOICE:222\nEND:VCARD\n", 1,
                 {{{"Note", "one\n$$NEWLINE$$two\n"}, {"WorkTelephoneVoice", "111\n$$NEWLINE$$222\n"}}}},
        ReadCase{"ContinuationReplacesOrAppends",
                 "BEGIN:VCARD\nN:Roe;Jane\n more name\nNOTE:x\n\ty\n:z\nEND:VCARD\n", 1,
                 {{{"Name", " more name\n"}, {"Note", "x\n$$NEWLINE$$\ty\n$$NEWLINE$$z\n"}}}},
        ReadCase{"ColonInContinuationStartsBogusName",
                 "BEGIN:VCARD\nNOTE:meet\ncall at 10:30\nlater\nEND:VCARD\n", 1,
                 {{{"Note", "meet\n"}}}},
        ReadCase{"EmptyEmailHoldsLineFeed", "BEGIN:VCARD\nEMAIL:\nEMAIL:a@b\nEND:VCARD\n", 1,
                 {{{"Email", "\n$$NEWLINE$$a@b\n"}}}},
        ReadCase{"CustomSeparatorJoins", "BEGIN:VCARD\nNOTE:one\nNOTE:two\nEND:VCARD\n", 1,
                 {{{"Note", "one\n|two\n"}}}, "|"},
        ReadCase{"BaseNameLineWithSemicolon", "BEGIN:VCARD\nTEL;WORK:555 1234\nADR;HOME:x\nFN;X:y\nEND:VCARD\n", 1,
                 {{{"Telephone", "WORK:555 1234\n"}, {"Address", "HOME:x\n"}}}, ";"},
        ReadCase{"BaseNameLineBeforeBeginIgnored", "TEL;WORK:1\nBEGIN:VCARD\nEND:VCARD\n", 1, {{}}, ";"},
        ReadCase{"EmptySeparatorReadsNothing", "BEGIN:VCARD\nFN:A\nEND:VCARD\n", 0, {}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Case folding covers ASCII letters only, and keywords match whole names.
TEST(Keywords, MatchWholeNamesFoldingAsciiOnly) {
  struct Case {
    const char* name;
    bool found;
    Field field;
  };
  const Case cases[] = {
      {"tel;cell;voice", true, Field::TelephoneCellVoice},
      {"adr;work", true, Field::Work_Address},
      {"ADR;HOME;ENCODING=QUOTED-PRINTABLE", true, Field::HomeAddress},
      {"Email;Work;Pref;Internet", true, Field::EmailPrefInternet},
      {"TEL;CELL;VOICE;PREF", false, {}},
      {"TEL;TYPE=WORK", false, {}},
      {"N;CHARSET=UTF-8", false, {}},
      {"FN ", false, {}},
      {" FN", false, {}},
      {"F\xC3\x91", false, {}},
      {"", false, {}},
  };
  for (const Case& c : cases) {
    const tessary::Keyword* k = tessary::FindKeyword(c.name);
    EXPECT_EQ(k != nullptr, c.found) << c.name;
    if (k && c.found) { EXPECT_EQ(k->field, c.field) << c.name; }
  }
  std::size_t count = 0;
  const tessary::Keyword* table = tessary::Keywords(&count);
  ASSERT_EQ(count, 42u);
  EXPECT_EQ(table[0].name, "BEGIN");
  EXPECT_EQ(table[16].name, "ADR;Work");
  EXPECT_EQ(table[41].name, "URL;WORK");
}

TEST(VCardStream, EncodingDetection) {
  struct Case {
    const char* name;
    std::string text;
    bool utf8;
  };
  const std::string card = "BEGIN:VCARD\nFN:";
  const Case cases[] = {
      {"ascii", card + "Jane\n", false},
      {"utf8", card + "J\xC3\xBCrgen\n", true},
      {"four byte", card + "\xF0\x9F\x98\x80\n", true},
      {"latin1", card + "J\xFCrgen\n", false},
      {"bom ascii", "\xEF\xBB\xBF" + card + "Jane\n", true},
      {"overlong", card + "\xC0\x80\n", false},
      {"surrogate", card + "\xED\xA0\x80\n", false},
      {"truncated at end", card + "\xE2\x82", false},
      {"stray continuation", card + "\x80\n", false},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadText(c.text).utf8, c.utf8) << c.name;
}

TEST(VCardStream, CursorAndEndFlag) {
  VCardStream s;
  // A fresh stream: moves on an empty list set the end flag and keep values.
  s.MoveFirst();
  EXPECT_TRUE(s.IsEOF());
  EXPECT_TRUE(CurrentFields(s).empty());

  testing_files::TempFile file(kTwo);
  s.Open(file.path().c_str());
  EXPECT_FALSE(s.IsEOF()) << "Open clears the end flag";
  s.MoveNext();  // no cursor yet
  EXPECT_TRUE(s.IsEOF());
  s.MoveFirst();
  EXPECT_FALSE(s.IsEOF()) << "MoveFirst on a non-empty list clears the end flag";
  EXPECT_EQ(s.Current(Field::FullName), "A\n");
  s.MoveNext();
  EXPECT_EQ(s.Current(Field::FullName), "B\n");
  s.MoveNext();
  EXPECT_TRUE(s.IsEOF());
  EXPECT_EQ(s.Current(Field::FullName), "B\n");
  s.MoveNext();
  EXPECT_TRUE(s.IsEOF());

  // A second walk sees the contacts again.
  s.MoveFirst();
  EXPECT_FALSE(s.IsEOF());
  EXPECT_EQ(s.Current(Field::FullName), "A\n");

  // Close empties the list but keeps the count and the current values.
  s.Close();
  EXPECT_EQ(s.ContactCount(), 2);
  EXPECT_EQ(s.Current(Field::FullName), "A\n");
  s.MoveNext();
  EXPECT_TRUE(s.IsEOF());
  s.MoveFirst();
  EXPECT_TRUE(s.IsEOF());
  EXPECT_EQ(s.Current(Field::FullName), "A\n");

  // An unreadable file: empty list, count 0, values still kept.
  s.Open("/nonexistent/dir/none.vcf");
  EXPECT_EQ(s.ContactCount(), 0);
  s.Open("");
  EXPECT_EQ(s.ContactCount(), 0);
  s.MoveFirst();
  EXPECT_TRUE(s.IsEOF());
  EXPECT_EQ(s.Current(Field::FullName), "A\n");
}

#ifndef _WIN32
// A directory opens as a stdio file here but every read fails: that must be
// told apart from an empty file.
TEST(VCardStream, ReadErrorIsReported) {
  VCardStream s;
  std::FILE* dir = std::fopen(".", "rb");
  ASSERT_NE(dir, nullptr);
  s.Open(dir);
  std::fclose(dir);
  EXPECT_TRUE(s.ReadFailed());
  EXPECT_EQ(s.ContactCount(), 0);
  testing_files::TempFile file(kTwo);
  s.Open(file.path().c_str());
  EXPECT_FALSE(s.ReadFailed()) << "each Open starts afresh";
}
#endif

TEST(VCardStream, SeparatorAppliesFromNextOpen) {
  VCardStream s;
  testing_files::TempFile file("BEGIN:VCARD\nNOTE:x\nNOTE:y\nEND:VCARD\n");
  s.Open(file.path().c_str());
  s.SetDelimeter("#");
  s.MoveFirst();
  EXPECT_EQ(s.Current(Field::Note), "x\n$$NEWLINE$$y\n") << "values already read stay";
  s.Open(file.path().c_str());
  EXPECT_EQ(s.Delimeter(), "#");
  s.MoveFirst();
  EXPECT_EQ(s.Current(Field::Note), "x\n#y\n");
}

// However the bytes arrive, the result is the same as reading them at once:
// lines, CR LF pairs and the byte-order mark may all straddle two reads.
TEST(VCardStream, SplitReadsGiveSameResult) {
  const std::string text = "\xEF\xBB\xBF" + Crlf({"BEGIN:VCARD", "N:R\xC3\xB6;J", "NOTE:a", "b", "END:VCARD",
                                                  "BEGIN:VCARD", "FN:Z", "END:VCARD"}) +
                           "\r";
  VCardStream whole;
  whole.BeginRead();
  whole.Feed(text.data(), text.size());
  whole.EndRead();
  ReadResult expected = Walk(whole);
  ASSERT_EQ(expected.count, 2);
  EXPECT_EQ(expected.entries[1].at("FullName"), "Z\n");
  for (std::size_t step = 1; step <= 9; ++step) {
    VCardStream s;
    s.BeginRead();
    for (std::size_t i = 0; i < text.size(); i += step) s.Feed(text.data() + i, std::min(step, text.size() - i));
    s.EndRead();
    ReadResult r = Walk(s);
    EXPECT_EQ(r.count, expected.count) << step;
    EXPECT_EQ(r.entries, expected.entries) << step;
    EXPECT_EQ(r.utf8, expected.utf8) << step;
  }
}

TEST(VCardStream, ManyContactsKeepOrder) {
  std::string text;
  for (int i = 0; i < 5000; ++i)
    text += "BEGIN:VCARD\r\nFN:Contact " + std::to_string(i) + "\r\nNOTE:" + std::string(i % 300, 'n') +
            "\r\nEND:VCARD\r\n";
  ReadResult r = ReadText(text);
  ASSERT_EQ(r.count, 5000);
  ASSERT_EQ(r.entries.size(), 5000u);
  for (int i = 0; i < 5000; i += 499) {
    EXPECT_EQ(r.entries[i].at("FullName"), "Contact " + std::to_string(i) + "\n");
    EXPECT_EQ(r.entries[i].at("Note"), std::string(i % 300, 'n') + "\n");
  }
}

// Contacts larger than the store's chunks, and contacts dropped (never
// listed) in between, must come back whole and in order.
TEST(VCardStream, LargeAndDroppedContactsStayWhole) {
  const std::string big(3 << 20, 'b');
  std::string text = "BEGIN:VCARD\nFN:first\nEND:VCARD\n";
  text += "BEGIN:VCARD\nNOTE:" + big + "\n";  // dropped: no END
  text += "BEGIN:VCARD\nFN:second\nNOTE:" + big + "\nNOTE:x\nEND:VCARD\n";
  for (int i = 0; i < 300; ++i) text += "BEGIN:VCARD\nFN:" + std::string(5000, char('a' + i % 26)) + "\nEND:VCARD\n";
  text += "BEGIN:VCARD\nFN:last\nEND:VCARD\n";
  ReadResult r = ReadText(text);
  ASSERT_EQ(r.count, 303);
  EXPECT_EQ(r.entries[0].at("FullName"), "first\n");
  EXPECT_EQ(r.entries[1].at("FullName"), "second\n");
  EXPECT_EQ(r.entries[1].at("Note"), big + "\n$$NEWLINE$$x\n");
  for (int i = 0; i < 300; ++i)
    ASSERT_EQ(r.entries[2 + i].at("FullName"), std::string(5000, char('a' + i % 26)) + "\n") << i;
  EXPECT_EQ(r.entries[302].at("FullName"), "last\n");
}

}  // namespace
