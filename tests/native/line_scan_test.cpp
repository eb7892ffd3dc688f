// How single lines read: where the name ends, where the value starts, and
// which lines start or list a contact.
#include "internal/line_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "internal/contact_reader.h"
#include "internal/keywords.h"
#include "internal/simd.h"

namespace {

using tessary::internal::Classify;
using tessary::internal::Delimiter;
using tessary::internal::DelimiterOf;
using tessary::internal::Line;
using tessary::internal::MakeLine;

// `raw` is one line as the file holds it, with its line end if it has one.
Line LineOf(const std::string& raw) {
  const bool terminated = !raw.empty() && raw.back() == '\n';
  return MakeLine(raw.data(), raw.data() + raw.size() - (terminated ? 1 : 0), terminated);
}

TEST(LineScan, ClassifiesAsTextModeWouldDeliverTheLine) {
  struct Case {
    std::string raw;
    const char* separator;
    bool base_name;
    const char* name;
    const char* value;  // with the line feed, as a field would get it
  } cases[] = {
      {"FN:Jane\r\n", "$$NEWLINE$$", false, "FN", "Jane\n"},
      {"FN:Jane\n", "$$NEWLINE$$", false, "FN", "Jane\n"},
      {"FN:Jane", "$$NEWLINE$$", false, "FN", "Jane"},
      {"FN:a\rb\r\r\n", "$$NEWLINE$$", false, "FN", "a\rb\r\n"},
      {" more\r\n", "$$NEWLINE$$", false, "", " more\n"},
      {":z\n", "$$NEWLINE$$", false, "", "z\n"},
      {"NOTE:10:30\n", "$$NEWLINE$$", false, "NOTE", "10:30\n"},
      {"TEL;WORK:555\n", ";", true, "TEL", "WORK:555\n"},
      {"TEL;WORK:555\n", "WORK", true, "TEL;", "ORK:555\n"},  // one byte past its start
      {"TEL;WORK:555\n", ";WORK:555", true, "TEL", "WORK:555\n"},
      // The separator may run past the colon to the line feed, which a CR LF
      // pair delivers as one: the CR is not there to match.
      {"a:b\r\n", "a:b\n", true, "", ":b\n"},
      {"a:b\r\n", "a:b\r", false, "a", "b\n"},
      {"a:b", "a:b\n", false, "a", "b"},
      {"FN:x\n", "", true, "", "N:x\n"},
      {":x\n", "", false, "", "x\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << '"' << c.raw << "\" with \"" << c.separator << '"');
    const Line line = LineOf(c.raw);
    const auto kind = Classify(line, c.separator);
    EXPECT_EQ(kind.base_name, c.base_name);
    EXPECT_EQ(kind.name, c.name);
    std::string value(line.content.substr(kind.value_start));
    if (line.line_feed) value += '\n';
    EXPECT_EQ(value, c.value);
  }
}

// The read looks for BEGIN and END lines without the keyword table; it must
// agree with classifying the line and looking its name up.
TEST(LineScan, FindsBeginAndEndLinesAsTheKeywordTableWould) {
  const std::vector<std::string> lines = {
      "BEGIN:VCARD\r\n", "begin:\n", "BeGiN:x", "END:VCARD\n", "end:\n", "BEGIN\n", "BEGIN :VCARD\n",
      "BEGINX:VCARD\n", " BEGIN:VCARD\n", "END;X:VCARD\n", "ENDS:\n", "E:\n", "B\n", "BEGI\xCE:\n", "\n", "",
  };
  for (const char* separator : {"$$NEWLINE$$", ";", "G", "N:VC", ":", "", "EN", "\n", "D:\n"}) {
    for (const std::string& raw : lines) {
      SCOPED_TRACE(testing::Message() << '"' << raw << "\" with \"" << separator << '"');
      const Line line = LineOf(raw);
      const auto kind = Classify(line, separator);
      const auto* keyword = kind.base_name ? nullptr : tessary::internal::FindKeyword(kind.name);
      Delimiter expected = Delimiter::None;
      if (keyword && keyword->action == tessary::internal::Action::Begin) expected = Delimiter::Begin;
      if (keyword && keyword->action == tessary::internal::Action::End) expected = Delimiter::End;
      EXPECT_EQ(DelimiterOf(line, separator), expected);
    }
  }
}

// Every kind of scan finds the same line feeds, those followed by b, B, e
// or E, at every alignment and length.
TEST(LineScan, EveryKindOfScanFindsTheSameCandidates) {
  std::string text;
  const char kBytes[] = "\nbBeExy\n\n\xE2";
  for (int i = 0; i < 700; ++i) text += kBytes[(i * 7919 + i / 5) % (sizeof kBytes - 1)];
  std::uint16_t hits[tessary::internal::kScanBlock];
  using tessary::internal::ScanKind;
  for (std::size_t start = 0; start < 40; ++start) {
    for (std::size_t size : {0u, 1u, 7u, 8u, 15u, 16u, 17u, 31u, 32u, 33u, 64u, 200u, 599u}) {
      if (start + size + 1 > text.size()) continue;
      std::vector<std::uint16_t> expected;
      for (std::size_t i = 0; i < size; ++i) {
        const char next = char(text[start + i + 1] | 0x20);
        if (text[start + i] == '\n' && (next == 'b' || next == 'e')) expected.push_back(std::uint16_t(i));
      }
      for (ScanKind kind : {ScanKind::Portable, ScanKind::Sse2, ScanKind::Avx2}) {
        tessary::internal::ForceScans(kind);
        const std::size_t n = tessary::internal::FindCandidateLineFeeds(text.data() + start, size, hits);
        EXPECT_EQ(std::vector<std::uint16_t>(hits, hits + n), expected) << start << "+" << size << " kind " << int(kind);
      }
      tessary::internal::ForceScans(tessary::internal::BestScans());
    }
  }
}

}  // namespace

namespace {

// A byte order mark after a line feed is a candidate too, for every kind of
// scan; 0xCF (0xEF without the case bit) is not.
TEST(LineScan, ByteOrderMarksAreCandidates) {
  std::string text;
  const char kBytes[] = "\n\xEF\xCF\xBBxE";
  for (int i = 0; i < 300; ++i) text += kBytes[(i * 7919 + i / 3) % (sizeof kBytes - 1)];
  std::vector<std::uint16_t> expected;
  for (std::size_t i = 0; i + 1 < text.size(); ++i)
    if (text[i] == '\n' && (text[i + 1] == '\xEF' || text[i + 1] == 'E')) expected.push_back(std::uint16_t(i));
  ASSERT_GT(expected.size(), 10u);
  std::uint16_t hits[tessary::internal::kScanBlock];
  using tessary::internal::ScanKind;
  for (ScanKind kind : {ScanKind::Portable, ScanKind::Sse2, ScanKind::Avx2}) {
    tessary::internal::ForceScans(kind);
    const std::size_t n = tessary::internal::FindCandidateLineFeeds(text.data(), text.size() - 1, hits);
    EXPECT_EQ(std::vector<std::uint16_t>(hits, hits + n), expected) << int(kind);
  }
  tessary::internal::ForceScans(tessary::internal::BestScans());
}

}  // namespace
