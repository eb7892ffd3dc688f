#include "internal/contact_loader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "internal/keywords.h"
#include "internal/line_scan.h"

namespace tessary::internal {

const Keyword* ContactLoader::Find(std::string_view name) {
  if (name.size() > sizeof Known::name) return FindKeyword(name);
  // The first eight bytes, the length and the last byte tell most names
  // apart (TEL;WORK;VOICE, TEL;HOME;VOICE, TEL;WORK;FAX).
  std::uint64_t head = 0;
  if (name.size() >= 8) {
    std::memcpy(&head, name.data(), 8);
  } else {
    for (std::size_t i = 0; i < name.size(); ++i) head |= std::uint64_t(static_cast<unsigned char>(name[i])) << (8 * i);
  }
  const std::uint64_t hash =
      (head ^ (std::uint64_t(name.size()) << 56) ^ static_cast<unsigned char>(name.back())) * 0x9E3779B97F4A7C15ull;
  // Four places a name may be in; a new one takes them in turn.
  const std::size_t set = std::size_t(hash >> 60) * kWays;
  for (std::size_t way = set; way < set + kWays; ++way) {
    const Known& known = known_[way];
    if (known.head == head && known.size == name.size() &&
        (name.size() <= 8 || std::memcmp(known.name, name.data(), name.size()) == 0))
      return known.keyword;
  }
  const Keyword* keyword = FindKeyword(name);
  Known& known = known_[set + (turn_[set / kWays]++ % kWays)];
  std::memcpy(known.name, name.data(), name.size());
  known.head = head;
  known.size = static_cast<unsigned char>(name.size());
  known.keyword = keyword;
  return keyword;
}

// Classify, with the common case first: a name with no byte of the
// separator's first in it is a normal line's.
LineKind ContactLoader::ClassifyLine(const Line& line) const {
  const std::string_view content = line.content;
  const void* colon_at = content.empty() ? nullptr : std::memchr(content.data(), ':', content.size());
  if (!colon_at) return {};
  const std::size_t colon = std::size_t(static_cast<const char*>(colon_at) - content.data());
  if (separator_.empty()) return Classify(line, separator_);
  // Eight bytes at a time: the high bit of a byte of `x` is set where the
  // byte equals `first`, with no carry between bytes.
  constexpr std::uint64_t kOnes = 0x0101010101010101ull, kLow7 = kOnes * 0x7F;
  const std::uint64_t pattern = kOnes * static_cast<unsigned char>(separator_[0]);
  std::size_t i = 0;
  for (; i + 8 <= colon; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, content.data() + i, 8);
    const std::uint64_t x = w ^ pattern;
    if (~(((x & kLow7) + kLow7) | x) & (kOnes * 0x80)) return Classify(line, separator_);
  }
  for (; i < colon; ++i)
    if (content[i] == separator_[0]) return Classify(line, separator_);
  return {false, content.substr(0, colon), colon + 1};
}

void ContactLoader::Add(std::string_view lines) {
  const char* p = lines.data();
  const char* const end = p + lines.size();
  while (p < end) {
    const char* line_feed = static_cast<const char*>(std::memchr(p, '\n', std::size_t(end - p)));
    const Line line = WithoutByteOrderMark(MakeLine(p, line_feed ? line_feed : end, line_feed != nullptr));
    p = line_feed ? line_feed + 1 : end;

    const LineKind kind = ClassifyLine(line);
    if (!kind.name.empty()) previous_ = Find(kind.name);
    const Keyword* k = previous_;
    if (!k) continue;
    // BEGIN and END fill nothing; a base-name line fills only the seven
    // fields that have a base name, and always appends.
    const bool fills = kind.base_name ? k->base_name : (k->action == Action::Replace || k->action == Action::Append);
    if (!fills) continue;

    std::string_view value = line.content.substr(kind.value_start);
    // A value ends with its line's line feed: the file's own, or one in
    // place of a CR LF pair.
    const bool own_line_feed = line.line_feed && value.data() + value.size() == line_feed;
    if (own_line_feed) value = std::string_view(value.data(), value.size() + 1);
    store_.AddOperation(k->field, !kind.base_name && k->action == Action::Replace, line.line_feed && !own_line_feed,
                        value);
  }
}

}  // namespace tessary::internal
