// The identifiers of stores, folders and items: random, different between
// processes, and written as hexadecimal digits.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace localstore {

class IdSource {
 public:
  IdSource();
  std::uint64_t Next();
  std::string Hex(std::size_t bytes);

 private:
  std::uint64_t state_;
};

// Identifiers compare without regard to the case of their hex digits.
std::string NormaliseId(std::string_view id);

// An item identifier as its 16 hexadecimal digits, and back (either case).
std::string ItemHex(std::uint64_t id);
std::optional<std::uint64_t> ParseItemHex(std::string_view hex);

}  // namespace localstore
