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

bool IsCalendarDate(const Date& date) {
  static constexpr int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (date.year < 100 || date.year > 9999 || date.month < 1 || date.month > 12 || date.day < 1) return false;
  bool leap = (date.year % 4 == 0 && date.year % 100 != 0) || date.year % 400 == 0;
  return date.day <= kMonthDays[date.month - 1] + (date.month == 2 && leap ? 1 : 0);
}

}  // namespace pindrel::store
