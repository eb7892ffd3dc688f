#include "item.h"

#include <array>
#include <cmath>
#include <iterator>

namespace localstore {

std::string_view TextName(Text t) {
  // The schema's text rows by their tags, every tag below the first date's
  // taken by one of them.
  static constexpr auto kNames = [] {
    std::array<std::string_view, kTextCount> names{};
    for (const contact_schema::Property& p : contact_schema::kProperties)
      if (!p.IsDate()) names[p.tag - 1] = p.member;
    return names;
  }();
  static_assert([] {
    for (std::string_view name : kNames)
      if (name.empty()) return false;
    return true;
  }());
  return kNames[static_cast<std::size_t>(t)];
}

namespace {

// Days from 1 March of year 0 (proleptic Gregorian), the usual civil-date
// arithmetic.
long DaysFromCivil(long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe);
}

CivilDate CivilFromDays(long z) {
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long y = static_cast<long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

const long kOleEpoch = DaysFromCivil(1899, 12, 30);

}  // namespace

CivilDate ToCivil(double ole_date) {
  // Automation dates before the epoch count days backwards but the time
  // forwards, so the day is the integer part towards zero.
  long days = static_cast<long>(std::trunc(ole_date));
  return CivilFromDays(kOleEpoch + days);
}

std::optional<double> FromCivil(CivilDate date) {
  if (date.year < 100 || date.year > 9999 || date.month < 1 || date.month > 12 || date.day < 1)
    return std::nullopt;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (date.year % 4 == 0 && date.year % 100 != 0) || date.year % 400 == 0;
  int last = kDays[date.month - 1] + (date.month == 2 && leap ? 1 : 0);
  if (date.day > last) return std::nullopt;
  return static_cast<double>(DaysFromCivil(date.year, static_cast<unsigned>(date.month),
                                           static_cast<unsigned>(date.day)) -
                             kOleEpoch);
}

}  // namespace localstore
