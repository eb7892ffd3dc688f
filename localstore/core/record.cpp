#include "record.h"

#include <array>
#include <bit>
#include <cstring>

namespace localstore {
namespace {

// CRC-32 tables for eight bytes a step ("slicing by 8"): table[k][b] is the
// CRC of byte b followed by k zero bytes. Items are checked on every save
// and load, so the checksum is worth the few lines.
constexpr std::array<std::array<std::uint32_t, 256>, 8> kCrcTables = [] {
  std::array<std::array<std::uint32_t, 256>, 8> tables{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    tables[0][i] = c;
  }
  for (std::size_t t = 1; t < 8; ++t)
    for (std::uint32_t i = 0; i < 256; ++i)
      tables[t][i] = (tables[t - 1][i] >> 8) ^ tables[0][tables[t - 1][i] & 0xFF];
  return tables;
}();

void PutU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
std::uint32_t GetU32(const char* p) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= std::uint32_t(static_cast<unsigned char>(p[i])) << (8 * i);
  return v;
}

// Item field tags: the text properties take 1..kTextCount, in enum order;
// the rest sit above 100 so new text properties never collide with them.
// A record written before a property existed simply lacks its tag.
constexpr std::uint16_t kTagMessageClass = 100;
// The picture's tag sits beside the dates'.
constexpr std::uint16_t kTagPicture = 103;
static_assert(kTextCount < kTagMessageClass && kTagBirthday > kTagMessageClass &&
              kTagAnniversary > kTagMessageClass && kTagPicture > kTagAnniversary);

}  // namespace

std::uint32_t Crc32(const void* data, std::size_t size, std::uint32_t crc) {
  const auto& t = kCrcTables;
  crc = ~crc;
  const auto* p = static_cast<const unsigned char*>(data);
  for (; size >= 8; p += 8, size -= 8) {
    std::uint32_t low = crc ^ (std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                               std::uint32_t(p[3]) << 24);
    crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
          t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
  }
  for (; size > 0; ++p, --size) crc = t[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void PutLe(unsigned char* p, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

std::uint64_t GetLe(const unsigned char* p, int bytes) {
  std::uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= std::uint64_t(p[i]) << (8 * i);
  return v;
}

void RecordWriter::Add(std::uint16_t tag, std::string_view bytes) {
  payload_ += static_cast<char>(tag & 0xFF);
  payload_ += static_cast<char>(tag >> 8);
  PutU32(payload_, static_cast<std::uint32_t>(bytes.size()));
  payload_.append(bytes);
}

void RecordWriter::Add(std::uint16_t tag, std::u16string_view text) {
  std::size_t at = payload_.size();
  payload_.resize(at + 6 + text.size() * 2);
  auto* out = reinterpret_cast<unsigned char*>(payload_.data() + at);
  PutLe(out, tag, 2);
  PutLe(out + 2, text.size() * 2, 4);
  out += 6;
  for (char16_t c : text) {
    *out++ = static_cast<unsigned char>(c & 0xFF);
    *out++ = static_cast<unsigned char>(c >> 8);
  }
}

void RecordWriter::AddU64(std::uint16_t tag, std::uint64_t value) {
  std::string bytes;
  for (int i = 0; i < 8; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
  Add(tag, bytes);
}

std::string RecordWriter::Finish(std::uint32_t magic) const {
  std::string out;
  out.reserve(payload_.size() + 12);
  PutU32(out, magic);
  PutU32(out, static_cast<std::uint32_t>(payload_.size()));
  out += payload_;
  PutU32(out, Crc32(payload_.data(), payload_.size()));
  return out;
}

std::u16string RecordField::Text() const {
  std::u16string text(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  return text;
}

std::uint64_t RecordField::U64() const {
  if (bytes.size() != 8) return 0;
  std::uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v |= std::uint64_t(static_cast<unsigned char>(bytes[i])) << (8 * i);
  return v;
}

std::optional<std::vector<RecordField>> ReadRecord(std::string_view file, std::uint32_t magic) {
  if (file.size() < 12 || GetU32(file.data()) != magic) return std::nullopt;
  std::uint32_t length = GetU32(file.data() + 4);
  if (file.size() != std::size_t{length} + 12) return std::nullopt;
  std::string_view payload = file.substr(8, length);
  if (GetU32(file.data() + 8 + length) != Crc32(payload.data(), payload.size())) return std::nullopt;
  std::vector<RecordField> fields;
  fields.reserve(kTextCount + 4);  // an item's fields, without growing
  for (std::size_t at = 0; at < payload.size();) {
    if (payload.size() - at < 6) return std::nullopt;
    auto tag = static_cast<std::uint16_t>(static_cast<unsigned char>(payload[at]) |
                                          (static_cast<unsigned char>(payload[at + 1]) << 8));
    std::uint32_t size = GetU32(payload.data() + at + 2);
    at += 6;
    if (payload.size() - at < size) return std::nullopt;
    fields.push_back({tag, payload.substr(at, size)});
    at += size;
  }
  return fields;
}

std::string EncodeItem(const Item& item) {
  RecordWriter writer;
  std::size_t size = 6 + item.message_class.size() * 2 + 2 * (6 + 8) + 6 + item.picture.size();
  for (const std::u16string& text : item.text) size += text.empty() ? 0 : 6 + text.size() * 2;
  writer.Reserve(size);
  writer.Add(kTagMessageClass, item.message_class);
  for (std::size_t i = 0; i < kTextCount; ++i)
    if (!item.text[i].empty()) writer.Add(static_cast<std::uint16_t>(i + 1), item.text[i]);
  if (item.birthday) writer.AddU64(kTagBirthday, std::bit_cast<std::uint64_t>(*item.birthday));
  if (item.anniversary) writer.AddU64(kTagAnniversary, std::bit_cast<std::uint64_t>(*item.anniversary));
  if (!item.picture.empty()) writer.Add(kTagPicture, std::string_view(item.picture));
  return writer.Finish(kItemMagic);
}

std::optional<Item> DecodeItem(std::string_view file) {
  auto fields = ReadRecord(file, kItemMagic);
  if (!fields) return std::nullopt;
  Item item;
  for (const RecordField& field : *fields) {
    if (field.tag >= 1 && field.tag <= kTextCount) {
      item.text[field.tag - 1] = field.Text();
    } else if (field.tag == kTagMessageClass) {
      item.message_class = field.Text();
    } else if (field.tag == kTagBirthday && field.bytes.size() == 8) {
      item.birthday = std::bit_cast<double>(field.U64());
    } else if (field.tag == kTagAnniversary && field.bytes.size() == 8) {
      item.anniversary = std::bit_cast<double>(field.U64());
    } else if (field.tag == kTagPicture) {
      item.picture.assign(field.bytes);
    }
    // Unknown tags come from a newer writer: ignored, not an error.
  }
  return item;
}

}  // namespace localstore
