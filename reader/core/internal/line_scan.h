// Lines: where they end, and what kind each one is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tessary::internal {

// The reader scans at most this many bytes per call, so offsets fit 16 bits.
inline constexpr std::size_t kScanBlock = 4096;

// Only a line that begins with B or E can name BEGIN or END, and those are
// all the read looks for; or one that begins with the first byte of a UTF-8
// byte order mark, which files joined with `cat` carry in their middle.
// Writes the offset of every line feed in data[0, size) that is followed by
// b, B, e, E or 0xEF to `out`, in order, and returns how many there are.
// Reads data[size] too; size <= kScanBlock.
std::size_t FindCandidateLineFeeds(const char* data, std::size_t size, std::uint16_t* out);

// A line as reading in text mode delivers it: its bytes without the line
// end, then one line feed if the line had one. A CR LF pair counts as a line
// feed; a carriage return anywhere else is an ordinary byte.
struct Line {
  std::string_view content;
  bool line_feed = false;

  std::size_t size() const { return content.size() + (line_feed ? 1 : 0); }
};

// The line whose bytes run from `begin` to `end`, where `end` is its line
// feed (`terminated`) or the end of the file.
inline Line MakeLine(const char* begin, const char* end, bool terminated) {
  if (terminated && end > begin && end[-1] == '\r') --end;
  return {std::string_view(begin, std::size_t(end - begin)), terminated};
}

// A UTF-8 byte order mark at the start of a line is no part of it: the line
// is where a file began before it was joined to another.
inline Line WithoutByteOrderMark(Line line) {
  if (line.content.starts_with("\xEF\xBB\xBF")) line.content.remove_prefix(3);
  return line;
}

// How a line reads. A base-name line has the separator beginning before its
// first colon; its name ends where the separator begins and its value starts
// one byte after that. Any other line is normal: its name is what stands
// before the first colon (empty without one) and its value what follows it.
// An empty name continues the previous property.
struct LineKind {
  bool base_name = false;
  std::string_view name;
  std::size_t value_start = 0;  // into the line; at most content.size()
};

LineKind Classify(const Line& line, std::string_view separator);

// Whether the separator begins somewhere before `end` (a position in the
// line, at most the content's size): the test that makes a line whose first
// colon is at `end` a base-name line. An empty separator begins everywhere.
bool SeparatorBeginsBefore(const Line& line, std::size_t end, std::string_view separator);

// The value of a classified line: the rest of its content, plus its line feed.
inline std::string_view ValueContent(const Line& line, const LineKind& kind) {
  return line.content.substr(kind.value_start);
}

}  // namespace tessary::internal
