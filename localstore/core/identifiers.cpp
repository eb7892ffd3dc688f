#include "identifiers.h"

#include "files.h"
#include "text.h"

namespace localstore {

std::string NormaliseId(std::string_view id) {
  std::string out(id);
  for (char& c : out)
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

IdSource::IdSource() {
  int local = 0;
  state_ = ProcessSeed() ^ reinterpret_cast<std::uintptr_t>(&local) ^
           (reinterpret_cast<std::uintptr_t>(this) << 20);
}

std::uint64_t IdSource::Next() {
  // splitmix64: every state gives a different output, so one process never
  // repeats itself; processes differ by their seed.
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

std::string IdSource::Hex(std::size_t bytes) {
  std::string out;
  while (out.size() < bytes * 2) out += ItemHex(Next());
  out.resize(bytes * 2);
  return out;
}

std::string ItemHex(std::uint64_t id) {
  unsigned char bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(id >> (8 * (7 - i)));
  return ToHex(bytes, 8);
}

std::optional<std::uint64_t> ParseItemHex(std::string_view hex) {
  if (hex.size() != 16 || !IsHex(hex)) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : hex) {
    int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
    v = (v << 4) | static_cast<std::uint64_t>(digit);
  }
  return v;
}

}  // namespace localstore
