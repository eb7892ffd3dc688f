#include "contact_schema.h"

namespace contact_schema {
namespace {

// The rows' order is their Id's: each row must stand at its own place.
constexpr bool InOrder() {
  for (std::size_t i = 0; i < kCount; ++i)
    if (static_cast<std::size_t>(kProperties[i].id) != i) return false;
  return true;
}
static_assert(InOrder());

// Tags are the local store's file format: none may be used twice.
constexpr bool TagsUnique() {
  for (std::size_t i = 0; i < kCount; ++i)
    for (std::size_t j = i + 1; j < kCount; ++j)
      if (kProperties[i].tag == kProperties[j].tag) return false;
  return true;
}
static_assert(TagsUnique());

template <typename Name>
const Property* FindBy(Name name, Name Property::*field) {
  for (const Property& p : kProperties)
    if (p.*field == name) return &p;
  return nullptr;
}

}  // namespace

const Property* Find(std::wstring_view name) { return FindBy(name, &Property::name); }
const Property* Find(std::string_view member) { return FindBy(member, &Property::member); }

}  // namespace contact_schema
