// The on-disk form of every file the store writes: a magic, the payload's
// length, the payload (tagged fields) and a CRC-32 of the payload. A file cut
// short or damaged anywhere fails the check on load, so a write torn by a
// crash is recognised instead of being read as data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "item.h"

namespace localstore {

std::uint32_t Crc32(const void* data, std::size_t size, std::uint32_t crc = 0);

// Little-endian numbers of `bytes` bytes in fixed-size headers.
void PutLe(unsigned char* p, std::uint64_t v, int bytes);
std::uint64_t GetLe(const unsigned char* p, int bytes);

// Builds a payload of tagged fields (tag, length, bytes).
class RecordWriter {
 public:
  // Room for `bytes` of fields, so building a record allocates once.
  void Reserve(std::size_t bytes) { payload_.reserve(bytes); }
  void Add(std::uint16_t tag, std::string_view bytes);
  void Add(std::uint16_t tag, std::u16string_view text);  // stored UTF-16LE
  void AddU64(std::uint16_t tag, std::uint64_t value);
  // The whole file: magic, length, payload, CRC.
  std::string Finish(std::uint32_t magic) const;

 private:
  std::string payload_;
};

struct RecordField {
  std::uint16_t tag;
  std::string_view bytes;
  std::u16string Text() const;
  std::uint64_t U64() const;  // 0 unless exactly eight bytes
};

// The fields of a file written by RecordWriter::Finish with `magic`; nothing
// when the file is short, long, of another kind or fails its check. The
// fields point into `file`.
std::optional<std::vector<RecordField>> ReadRecord(std::string_view file, std::uint32_t magic);

// File kinds.
inline constexpr std::uint32_t kItemMagic = 0x314D5449;     // "ITM1"
inline constexpr std::uint32_t kStoreMagic = 0x31525453;    // "STR1"
inline constexpr std::uint32_t kProfileMagic = 0x31465250;  // "PRF1"

// Items in their file form.
std::string EncodeItem(const Item& item);
std::optional<Item> DecodeItem(std::string_view file);

}  // namespace localstore
