#include "differential.h"

#include <algorithm>
#include <string_view>

#include "decoded_card.h"
#include "internal/contact_reader.h"
#include "internal/simd.h"
#include "memory_source.h"
#include "plain_reader.h"
#include "vcard_stream.h"

namespace tessary_test {
namespace {

std::string Shown(std::string_view s) {
  std::string out;
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += char(c);
    } else {
      static const char kHex[] = "0123456789ABCDEF";
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// Sets the read's window for a scope; 0 leaves the usual one.
class Window {
 public:
  explicit Window(std::size_t bytes) {
    if (bytes) tessary::internal::SetReadLimits({bytes, tessary::kLargestCardBytes});
  }
  ~Window() { tessary::internal::SetReadLimits({}); }
};

// Every card of the modern reading, written out whole.
std::string DecodedCards(std::string_view file, std::size_t window, bool read_at) {
  MemorySource source(file, {7, 1, 300});
  source.set_read_at(read_at);
  tessary::VCardStream stream;
  std::string out;
  {
    const Window scope(window);
    out = std::to_string(int(stream.OpenDecoded(source))) + " " + std::to_string(stream.ContactCount()) + "\n";
  }
  stream.MoveFirst();
  for (std::int32_t i = 0; i < stream.ContactCount(); ++i, stream.MoveNext()) {
    const tessary::DecodedCard& card = stream.CurrentCard();
    // Appended piece by piece: a chain of + makes mingw's g++ warn falsely
    // of overlapping copies.
    auto put = [&out](std::initializer_list<std::string_view> pieces) {
      for (std::string_view piece : pieces) out += piece;
    };
    put({"[", std::to_string(int(stream.CurrentCardError())), " ", Shown(card.version), "]\n"});
    for (const tessary::DecodedProperty& p : card.properties) {
      put({Shown(p.group), ".", Shown(p.name), ";"});
      for (const std::string& t : p.types) put({Shown(t), ","});
      put({":", Shown(p.value)});
      for (const std::string& c : p.components) put({"|", Shown(c)});
      out += '\n';
    }
  }
  return out;
}

}  // namespace

std::size_t WindowOf(const std::uint8_t* data, std::size_t size) {
  if (size < kSettingsBytes || data[2] == 0xFF) return 0;
  return 8 + std::size_t(data[2]) * 3;
}

std::string CompareDecodedReadings(const std::uint8_t* data, std::size_t size) {
  if (size < kSettingsBytes) return {};
  const std::string_view file(reinterpret_cast<const char*>(data + kSettingsBytes), size - kSettingsBytes);
  const std::string usual = DecodedCards(file, 0, true);
  for (bool read_at : {true, false}) {
    const std::string windowed = DecodedCards(file, WindowOf(data, size), read_at);
    if (windowed != usual)
      return std::string(read_at ? "cards read again" : "cards kept") + " through the window differ:\n" + windowed +
             "usual:\n" + usual;
  }
  return {};
}

std::string CompareReaders(const std::uint8_t* data, std::size_t size) {
  if (size < kSettingsBytes) return {};
  const std::uint8_t flags = data[0];
  const std::size_t sizes[] = {1 + std::size_t(data[1] & 0x0F) * 7, 1 + std::size_t(data[1] >> 4) * 131};
  const int hint_mode = (flags >> 3) & 3;
  const MemorySource::Hint hint = hint_mode == 0   ? MemorySource::Hint::Exact
                                  : hint_mode == 1 ? MemorySource::Hint::Unknown
                                                   : MemorySource::Hint::Fixed;
  const std::uint64_t fixed = 1 + data[2];
  const int scan_bits = ((flags >> 5) & 1) | ((flags >> 6) & 2);
  const auto scans = scan_bits == 1   ? tessary::internal::ScanKind::Portable
                     : scan_bits == 2 ? tessary::internal::ScanKind::Sse2
                                      : tessary::internal::BestScans();
  std::string_view rest(reinterpret_cast<const char*>(data + kSettingsBytes), size - kSettingsBytes);

  tessary::VCardStream fast;
  std::string separator = "$$NEWLINE$$";
  if ((flags & 7) != 7) {
    const std::size_t length = std::min<std::size_t>(flags & 7, rest.size());
    separator.assign(rest.substr(0, length));
    rest.remove_prefix(length);
  }
  const std::string separator_utf8 = flags & 0x40 ? separator + "\xC2\xA7" : separator;
  fast.SetDelimeter(separator, separator_utf8);

  MemorySource source(rest, {sizes[0], sizes[1]}, hint, fixed);
  tessary::internal::ForceScans(scans);
  tessary::OpenResult result;
  {
    const Window scope(WindowOf(data, size));
    result = fast.Open(source);
  }
  tessary::internal::ForceScans(tessary::internal::BestScans());
  if (result != tessary::OpenResult::Read) return "Open did not read the whole input";

  const PlainResult plain = PlainRead(rest, separator, separator_utf8);
  if (fast.ContactCount() != std::int32_t(plain.list.size()))
    return "count " + std::to_string(fast.ContactCount()) + ", plain " + std::to_string(plain.list.size());
  if (fast.IsUtf8() != plain.utf8) return plain.utf8 ? "UTF-8 missed" : "UTF-8 wrongly found";

  fast.MoveFirst();
  for (std::size_t i = 0; i < plain.list.size(); ++i) {
    if (i > 0) fast.MoveNext();
    const std::string at = "entry " + std::to_string(i + 1) + ": ";
    if (fast.IsEOF()) return at + "the end flag is set";
    if (fast.CurrentIsUtf8() != plain.utf8) return at + "wrong encoding of the current values";
    for (std::size_t f = 0; f < tessary::kFieldCount; ++f) {
      const std::string& got = fast.Current(tessary::Field(f));
      const std::string& want = plain.list[i]->fields[f];
      if (got != want)
        return at + std::string(tessary::FieldName(tessary::Field(f))) + " is \"" + Shown(got) + "\", plain \"" +
               Shown(want) + "\"";
    }
  }
  fast.MoveNext();
  if (!fast.IsEOF()) return "the end flag is not set after the last entry";
  return {};
}

}  // namespace tessary_test
