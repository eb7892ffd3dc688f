#include "phone_routing.h"

#include "card_text.h"

namespace pindrel {

const contact_schema::FallThrough& PhoneHomes(const DecodedProperty& p) {
  namespace s = contact_schema;
  using card_text::HasType;
  const bool work = HasType(p, {L"work"}), home = HasType(p, {L"home"});
  if (HasType(p, {L"fax"})) return work ? s::kWorkFax : home ? s::kHomeFax : s::kOtherFax;
  if (HasType(p, {L"cell", L"mobile", L"iphone"})) return s::kMobilePhone;
  if (HasType(p, {L"pager"})) return s::kPager;
  if (HasType(p, {L"car", L"x-car"})) return s::kCar;
  if (HasType(p, {L"isdn", L"x-isdn"})) return s::kIsdn;
  if (HasType(p, {L"main", L"company", L"x-company"})) return s::kCompanyMain;
  if (HasType(p, {L"assistant", L"x-assistant"})) return s::kAssistant;
  if (HasType(p, {L"callback", L"x-callback"})) return s::kCallback;
  if (HasType(p, {L"radio", L"x-radio"})) return s::kRadio;
  if (HasType(p, {L"tlx", L"telex", L"x-telex"})) return s::kTelex;
  if (HasType(p, {L"textphone", L"tty", L"tdd", L"ttytdd", L"x-ttytdd"})) return s::kTty;
  if (work) return s::kWorkPhone;
  if (home) return s::kHomePhone;
  return s::kOtherPhone;
}

}  // namespace pindrel
