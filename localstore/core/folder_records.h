// The records of a folder's data file (folder_items.h): a fixed header,
// checksummed, and the payload it announces. Shared by the folder's reading
// and writing and by its upkeep (compaction, conversion).
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "record.h"

namespace localstore::folder_records {

constexpr std::size_t kHeaderSize = 24;
constexpr std::uint32_t kMarker = 0x31434552;  // "REC1"
enum Kind : int { kPut = 1, kDelete = 2, kMoved = 3 };
// Files are read in pieces of this size, so opening a large folder needs
// no more memory than its index.
constexpr std::size_t kChunk = 1 << 20;
// Small files are not worth compacting.
constexpr std::uint64_t kCompactFrom = 64 * 1024;
// How long a writer keeps the lock after its last save, how long at most
// while it goes on saving, and how long it then stays away from it.
constexpr auto kIdle = std::chrono::milliseconds(20);
constexpr auto kLongest = std::chrono::milliseconds(50);
constexpr auto kPolite = std::chrono::milliseconds(2);

struct Header {
  int kind;
  std::uint64_t id;  // the next generation for kMoved
  std::uint32_t length;
};

inline void EncodeHeader(const Header& header, unsigned char* out) {
  PutLe(out, kMarker, 4);
  PutLe(out + 4, static_cast<std::uint64_t>(header.kind), 4);
  PutLe(out + 8, header.id, 8);
  PutLe(out + 16, header.length, 4);
  PutLe(out + 20, Crc32(out, 20), 4);
}

inline std::optional<Header> DecodeHeader(const unsigned char* in) {
  if (GetLe(in, 4) != kMarker || GetLe(in + 20, 4) != Crc32(in, 20)) return std::nullopt;
  auto kind = static_cast<int>(GetLe(in + 4, 4));
  if (kind < kPut || kind > kMoved) return std::nullopt;
  return Header{kind, GetLe(in + 8, 8), static_cast<std::uint32_t>(GetLe(in + 16, 4))};
}

inline std::string Framed(const Header& header, std::string_view payload) {
  std::string record(kHeaderSize, '\0');
  EncodeHeader(header, reinterpret_cast<unsigned char*>(record.data()));
  record.append(payload);
  return record;
}

}  // namespace localstore::folder_records
