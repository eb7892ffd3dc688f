// One contact as the reader sees it: 32 raw text fields.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessary {

// Field order is the record's order; it is also the order tessary-dump
// prints in.
enum class Field : std::uint8_t {
  Name, FullName, Email, Org, Version, Rev, Telephone, Address, Note, Label,
  Title, URL, BirthDay, NickName, Role, Work_Address, HomeAddress,
  PostalAddress, WorkTelephoneVoice, WorkTelephoneFax, HomeTelephoneFax,
  HomeTelephoneVoice, TelephoneCellVoice, TelephonePagerVoice,
  TelephoneCarVoice, TelephoneISDN, TelephonePref, TelephoneVoice,
  EmailTelex, EmailPrefInternet, HomeUrl, WorkUrl,
};

inline constexpr std::size_t kFieldCount = 32;

// The field's name as the stream's property that returns it.
std::string_view FieldName(Field f);

// Values are kept as the file's bytes, including the line feed that ended
// each piece; nothing is decoded. A plain value type: nothing derives from
// it and nothing deletes it through a base.
class ContactRecord {
 public:
  const std::string& Get(Field f) const { return fields_[Index(f)]; }
  void Set(Field f, std::string_view value) { fields_[Index(f)].assign(value); }
  // Appends a piece: the separator goes between pieces, never before the first.
  void Append(Field f, std::string_view value, std::string_view separator) {
    std::string& s = fields_[Index(f)];
    if (!s.empty()) s.append(separator);
    s.append(value);
  }
  // Adds bytes to the end of the field's last piece (no separator).
  void Extend(Field f, std::string_view more) { fields_[Index(f)].append(more); }
  // Empties every field but keeps their storage for the next contact.
  void Clear() {
    for (auto& s : fields_) s.clear();
  }

 private:
  static std::size_t Index(Field f) { return static_cast<std::size_t>(f); }
  std::array<std::string, kFieldCount> fields_;
};

}  // namespace tessary
