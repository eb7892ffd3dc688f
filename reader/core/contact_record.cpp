#include "contact_record.h"

namespace tessary {

std::string_view FieldName(Field f) {
  static constexpr std::string_view kNames[kFieldCount] = {
      "Name", "FullName", "Email", "Org", "Version", "Rev", "Telephone",
      "Address", "Note", "Label", "Title", "URL", "BirthDay", "NickName",
      "Role", "Work_Address", "HomeAddress", "PostalAddress",
      "WorkTelephoneVoice", "WorkTelephoneFax", "HomeTelephoneFax",
      "HomeTelephoneVoice", "TelephoneCellVoice", "TelephonePagerVoice",
      "TelephoneCarVoice", "TelephoneISDN", "TelephonePref", "TelephoneVoice",
      "EmailTelex", "EmailPrefInternet", "HomeUrl", "WorkUrl",
  };
  return kNames[static_cast<std::size_t>(f)];
}

}  // namespace tessary
