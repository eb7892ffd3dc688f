#include "store.h"

#include <cstdio>

#include "guard.h"

namespace pindrel::store {

namespace {

std::string Describe(std::int32_t code, const std::wstring& description) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(code));
  std::string text = "The contact store reported error " + std::string(hex);
  if (!description.empty()) text += ": " + ui::NarrowUtf8(description);
  return text;
}

}  // namespace

StoreError::StoreError(std::int32_t code, std::wstring description)
    : std::runtime_error(Describe(code, description)), code_(code), description_(std::move(description)) {}

std::wstring StoreError::reason() const { return description_.empty() ? ui::WidenUtf8(what()) : description_; }

}  // namespace pindrel::store
