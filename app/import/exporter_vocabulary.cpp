#include "exporter_vocabulary.h"

#include <algorithm>
#include <initializer_list>

#include "card_text.h"

namespace pindrel::vocabulary {

namespace {

bool In(std::wstring_view name, std::initializer_list<std::wstring_view> names) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

bool InNoCase(std::wstring_view word, std::initializer_list<std::wstring_view> words) {
  return std::any_of(words.begin(), words.end(), [&](std::wstring_view w) { return card_text::EqualsNoCase(word, w); });
}

}  // namespace

bool IsInstantMessaging(std::wstring_view name) {
  return In(name, {L"IMPP", L"X-AIM", L"X-ICQ", L"X-JABBER", L"X-MSN", L"X-YAHOO", L"X-SKYPE", L"X-SKYPE-USERNAME",
                   L"X-GOOGLE-TALK", L"X-GTALK", L"X-QQ", L"X-GADUGADU", L"X-GROUPWISE", L"X-MS-IMADDRESS"});
}

bool IsAnniversary(std::wstring_view name) {
  return In(name, {L"ANNIVERSARY", L"X-ANNIVERSARY", L"X-EVOLUTION-ANNIVERSARY", L"X-KADDRESSBOOK-X-ANNIVERSARY"});
}

bool IsOffice(std::wstring_view name) { return In(name, {L"X-OFFICE", L"X-KADDRESSBOOK-X-OFFICE"}); }

std::optional<Relation> RelationByName(std::wstring_view name) {
  if (In(name, {L"X-SPOUSE", L"X-EVOLUTION-SPOUSE", L"X-KADDRESSBOOK-X-SPOUSESNAME"})) return kSpouse;
  if (In(name, {L"X-CHILDREN", L"X-CHILD"})) return kChildren;
  if (In(name, {L"X-MANAGER", L"X-EVOLUTION-MANAGER", L"X-KADDRESSBOOK-X-MANAGERSNAME"})) return kManager;
  if (In(name, {L"X-ASSISTANT", L"X-EVOLUTION-ASSISTANT", L"X-KADDRESSBOOK-X-ASSISTANTSNAME"})) return kAssistant;
  return std::nullopt;
}

std::optional<Relation> RelationByWord(std::wstring_view word) {
  if (InNoCase(word, {L"spouse", L"partner", L"husband", L"wife"})) return kSpouse;
  if (InNoCase(word, {L"child", L"children", L"son", L"daughter"})) return kChildren;
  if (InNoCase(word, {L"manager"})) return kManager;
  if (InNoCase(word, {L"assistant"})) return kAssistant;
  return std::nullopt;
}

std::optional<Relation> RelationByAndroidCode(std::wstring_view code) {
  if (In(code, {L"14", L"10", L"4"})) return kSpouse;
  if (code == L"3") return kChildren;
  if (code == L"7") return kManager;
  if (code == L"1") return kAssistant;
  return std::nullopt;
}

std::wstring LabelText(std::wstring_view raw) {
  raw = card_text::Trim(raw);
  constexpr std::wstring_view kOpen = L"_$!<", kClose = L">!$_";
  if (raw.starts_with(kOpen) && raw.ends_with(kClose) && raw.size() >= kOpen.size() + kClose.size())
    raw = raw.substr(kOpen.size(), raw.size() - kOpen.size() - kClose.size());
  return card_text::OneLine(raw);
}

}  // namespace pindrel::vocabulary
