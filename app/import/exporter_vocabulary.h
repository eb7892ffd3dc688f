// The words exporters use for what a card holds beyond the standard's own
// properties: the X- names of instant messaging, related people and dates,
// an address book's labels. What the card mapping asks of them by name.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "contact_schema.h"

namespace pindrel::vocabulary {

// Instant-messaging handles: the standard property and the ones address
// books wrote before it.
bool IsInstantMessaging(std::wstring_view name);
// An anniversary, by the names address books write it under.
bool IsAnniversary(std::wstring_view name);
// An office, by the same.
bool IsOffice(std::wstring_view name);

// A person related to the contact, and the property that keeps them.
struct Relation {
  std::wstring_view label;
  contact_schema::Id property;
  bool list;  // several names join into one property
};
inline constexpr Relation kSpouse{L"Spouse", contact_schema::Id::Spouse, false};
inline constexpr Relation kChildren{L"Children", contact_schema::Id::Children, true};
inline constexpr Relation kManager{L"Manager", contact_schema::Id::ManagerName, false};
inline constexpr Relation kAssistant{L"Assistant", contact_schema::Id::AssistantName, false};

// By the property's name (the local store writes the short X- forms).
std::optional<Relation> RelationByName(std::wstring_view name);
// By a word of a type or a label ("spouse", "Manager").
std::optional<Relation> RelationByWord(std::wstring_view word);
// By the relation code of one phone maker's own property.
std::optional<Relation> RelationByAndroidCode(std::wstring_view code);

// An Apple-style label: "_$!<Mobile>!$_" is the address book's own word
// for "Mobile"; any other text is the user's own label as written.
std::wstring LabelText(std::wstring_view raw);

}  // namespace pindrel::vocabulary
