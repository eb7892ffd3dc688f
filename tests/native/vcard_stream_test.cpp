#include "vcard_stream.h"

#include <gtest/gtest.h>

#include <map>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "internal/contact_reader.h"
#include "internal/keywords.h"
#include "memory_source.h"
#include "test_files.h"

namespace {

using tessary::Field;
using tessary::OpenResult;
using tessary::VCardStream;
using tessary_test::MemorySource;
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
  // Never more entries than the count says, whatever the cursor does.
  while (!s.IsEOF() && r.entries.size() <= std::size_t(std::max(0, r.count))) {
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
        // Files joined with `cat`: the second one's mark starts a line.
        ReadCase{"ByteOrderMarkInTheMiddle",
                 "\xEF\xBB\xBF" "BEGIN:VCARD\nFN:A\nEND:VCARD\n\xEF\xBB\xBF" "BEGIN:VCARD\nFN:B\n\xEF\xBB\xBF"
                 "NOTE:n\nEND:VCARD\n\xEF\xBB\xBF",
                 2, {{{"FullName", "A\n"}}, {{"FullName", "B\n"}, {"Note", "n\n"}}}},
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
    const tessary::internal::Keyword* k = tessary::internal::FindKeyword(c.name);
    EXPECT_EQ(k != nullptr, c.found) << c.name;
    if (k && c.found) { EXPECT_EQ(k->field, c.field) << c.name; }
  }
  std::size_t count = 0;
  const tessary::internal::Keyword* table = tessary::internal::Keywords(&count);
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
  EXPECT_EQ(s.Open(dir), OpenResult::ReadError);
  std::fclose(dir);
  EXPECT_EQ(s.ContactCount(), 0);
  testing_files::TempFile file(kTwo);
  EXPECT_EQ(s.Open(file.path().c_str()), OpenResult::Read) << "each Open starts afresh";
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
// lines, CR LF pairs and the byte-order mark may all straddle two reads, and
// the reader's storage may be sized right, too small or not at all.
TEST(VCardStream, SplitReadsGiveSameResult) {
  const std::string text = "\xEF\xBB\xBF" + Crlf({"BEGIN:VCARD", "N:R\xC3\xB6;J", "NOTE:a", "b", "END:VCARD",
                                                  "BEGIN:VCARD", "FN:Z", "END:VCARD"}) +
                           "\r";
  VCardStream whole;
  MemorySource all(text);
  ASSERT_EQ(whole.Open(all), OpenResult::Read);
  ReadResult expected = Walk(whole);
  ASSERT_EQ(expected.count, 2);
  EXPECT_TRUE(expected.utf8);
  EXPECT_EQ(expected.entries[0].at("Name"), "R\xC3\xB6;J\n");
  EXPECT_EQ(expected.entries[0].at("Note"), "a\n$$NEWLINE$$b\n");
  EXPECT_EQ(expected.entries[1].at("FullName"), "Z\n");
  EXPECT_EQ(expected.entries[1].count("Note"), 0u) << "the trailing CR continues END";
  const std::pair<MemorySource::Hint, std::uint64_t> hints[] = {
      {MemorySource::Hint::Exact, 0}, {MemorySource::Hint::Unknown, 0},
      {MemorySource::Hint::Fixed, 1}, {MemorySource::Hint::Fixed, 7}};
  for (auto [hint, fixed] : hints) {
    for (std::size_t step = 1; step <= 9; ++step) {
      SCOPED_TRACE(testing::Message() << "step " << step << ", hint " << int(hint) << "/" << fixed);
      VCardStream s;
      MemorySource source(text, {step}, hint, fixed);
      ASSERT_EQ(s.Open(source), OpenResult::Read);
      ReadResult r = Walk(s);
      EXPECT_EQ(r.count, expected.count);
      EXPECT_EQ(r.entries, expected.entries);
      EXPECT_EQ(r.utf8, expected.utf8);
    }
  }
}

// Through windows of every size, down to a few bytes, the list is the same:
// contacts, lines, CR LF pairs and characters straddle the window's moves.
TEST(VCardStream, SmallWindowsGiveSameResult) {
  std::string text = "\xEF\xBB\xBF";
  for (int i = 0; i < 40; ++i)
    text += Crlf({"BEGIN:VCARD", "N:R\xC3\xB6;J", "NOTE:a", "b", "END:VCARD", "TITLE:after"}) + "BEGIN:VCARD\nFN:" +
            std::string(std::size_t(i) * 7, 'f') + "\nEND:VCARD\nEND:VCARD\n";
  VCardStream whole;
  MemorySource all(text);
  ASSERT_EQ(whole.Open(all), OpenResult::Read);
  const ReadResult expected = Walk(whole);
  ASSERT_EQ(expected.count, 120);
  for (std::size_t window : {8, 9, 13, 64, 333}) {
    SCOPED_TRACE(window);
    tessary::internal::SetReadLimits({window, tessary::kLargestCardBytes});
    VCardStream s;
    MemorySource source(text, {5, 1, 40});
    EXPECT_EQ(s.Open(source), OpenResult::Read);
    const ReadResult r = Walk(s);
    tessary::internal::SetReadLimits({});
    EXPECT_EQ(r.count, expected.count);
    EXPECT_EQ(r.entries, expected.entries);
    EXPECT_EQ(r.utf8, expected.utf8);
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

namespace more {

using tessary_test::MemorySource;

// Hands out the first `good` bytes, then fails the way `stop` says: a read
// error, or memory running out while reading.
class StoppingSource : public tessary::ByteSource {
 public:
  StoppingSource(std::string_view bytes, OpenResult stop) : inner_(bytes, {5}), stop_(stop) {}
  std::size_t Read(char* into, std::size_t max) override {
    std::size_t n = inner_.Read(into, max);
    if (n == 0 && stop_ == OpenResult::OutOfMemory) throw std::bad_alloc();
    failed_ = n == 0 && stop_ == OpenResult::ReadError;
    return n;
  }
  bool Failed() const override { return failed_; }

 private:
  MemorySource inner_;
  OpenResult stop_;
  bool failed_ = false;
};

std::vector<std::string> FullNames(const ReadResult& r) {
  std::vector<std::string> names;
  for (const Contact& c : r.entries) names.push_back(c.count("FullName") ? c.at("FullName") : "");
  return names;
}

// A read that fails part-way keeps the contacts before the failure, drops
// the line it was in the middle of, and the count is what the list holds;
// nothing of the file opened before survives.
TEST(VCardStream, FailedOpenLeavesCountAndListInStep) {
  const std::string a = "BEGIN:VCARD\nFN:A\nEND:VCARD\n";
  const std::string b = "BEGIN:VCARD\nFN:B\nEND:VCARD\n";
  struct Case {
    const char* name;
    std::string read;  // what arrives before the failure
    std::vector<std::string> names;
  } cases[] = {
      {"nothing", "", {}},
      {"in the middle of a contact", a + "BEGIN:VCARD\nFN:B\nEN", {"A\n"}},
      {"after an END line", a + b, {"A\n", "B\n"}},
      {"in the middle of an END line", a + "BEGIN:VCARD\nFN:B\nEND:VC", {"A\n"}},
      {"in the middle of a value", a + "BEGIN:VCARD\nFN:B\nEND:VCARD\nTITLE:Bo", {"A\n", "B\n"}},
  };
  testing_files::TempFile earlier(a + a + a + a + a);
  for (const Case& c : cases) {
    for (OpenResult stop : {OpenResult::ReadError, OpenResult::OutOfMemory}) {
      SCOPED_TRACE(testing::Message() << c.name << (stop == OpenResult::ReadError ? ", read error" : ", no memory"));
      VCardStream s;
      ASSERT_EQ(s.Open(earlier.path().c_str()), OpenResult::Read);
      ASSERT_EQ(s.ContactCount(), 5);
      StoppingSource source(c.read, stop);
      EXPECT_EQ(s.Open(source), stop);
      ReadResult r = Walk(s);
      EXPECT_EQ(r.count, int(c.names.size()));
      EXPECT_EQ(FullNames(r), c.names);
      for (const Contact& entry : r.entries) EXPECT_EQ(entry.count("Title"), 0u) << "a cut value is not kept";
    }
  }
}

// Values read from a UTF-8 file stay UTF-8 text until a move replaces them,
// whatever the next Open finds.
TEST(VCardStream, CurrentValuesKeepTheEncodingTheyWereReadIn) {
  const std::string utf8 = "BEGIN:VCARD\nFN:J\xC3\xBCrgen\nEND:VCARD\n";
  const std::string ansi = "BEGIN:VCARD\nFN:J\xFCrgen\nEND:VCARD\n";
  struct Case {
    const char* name;
    const std::string* first;
    const char* second;  // null: a missing file
    bool second_utf8;
  } cases[] = {
      {"UTF-8, then a missing file", &utf8, nullptr, false},
      {"UTF-8, then an ANSI file", &utf8, ansi.c_str(), false},
      {"UTF-8, then an empty file", &utf8, "", false},
      {"ANSI, then a UTF-8 file", &ansi, utf8.c_str(), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool first_utf8 = c.first == &utf8;
    testing_files::TempFile first(*c.first);
    VCardStream s;
    ASSERT_EQ(s.Open(first.path().c_str()), OpenResult::Read);
    s.MoveFirst();
    EXPECT_EQ(s.CurrentIsUtf8(), first_utf8);
    const std::string value = s.Current(Field::FullName);

    std::optional<testing_files::TempFile> second;
    if (c.second) second.emplace(c.second);
    s.Open(second ? second->path().c_str() : "/nonexistent/none.vcf");
    EXPECT_EQ(s.IsUtf8(), c.second_utf8);
    EXPECT_EQ(s.CurrentIsUtf8(), first_utf8) << "the kept values are still the first file's";
    EXPECT_EQ(s.Current(Field::FullName), value);
    s.MoveFirst();
    if (s.ContactCount() > 0) {
      EXPECT_EQ(s.CurrentIsUtf8(), c.second_utf8) << "a move brings the second file's";
    } else {
      EXPECT_EQ(s.CurrentIsUtf8(), first_utf8) << "a move onto nothing keeps them";
    }
  }
}

// A source is the client's code and may call the stream back while it is
// being read: it sees an emptied list, never a record that is still being
// read, and the read itself is not disturbed.
TEST(VCardStream, CallsDuringOpenSeeAnEmptyList) {
  class CallingBack : public MemorySource {
   public:
    CallingBack(std::string_view bytes, VCardStream& s) : MemorySource(bytes, {3}), s_(s) {}
    std::size_t Read(char* into, std::size_t max) override {
      s_.MoveFirst();
      seen_eof &= s_.IsEOF();
      s_.MoveNext();
      seen_count |= s_.ContactCount();
      for (std::size_t f = 0; f < tessary::kFieldCount; ++f) names_seen += s_.Current(Field(f));
      s_.Close();
      s_.SetDelimeter("E");  // for the next Open, not this one
      return MemorySource::Read(into, max);
    }
    bool seen_eof = true;
    int seen_count = 0;
    std::string names_seen;

   private:
    VCardStream& s_;
  };
  VCardStream s;
  testing_files::TempFile before("BEGIN:VCARD\nFN:Before\nEND:VCARD\n");
  s.Open(before.path().c_str());
  s.MoveFirst();
  CallingBack source(kTwo, s);
  EXPECT_EQ(s.Open(source), OpenResult::Read);
  EXPECT_TRUE(source.seen_eof);
  EXPECT_EQ(source.seen_count, 0);
  EXPECT_EQ(source.names_seen.find('A'), std::string::npos);
  ReadResult r = Walk(s);
  EXPECT_EQ(r.count, 2);
  EXPECT_EQ(FullNames(r), (std::vector<std::string>{"A\n", "B\n"}));
  EXPECT_EQ(s.Delimeter(), "E");
}

}  // namespace more

}  // namespace
