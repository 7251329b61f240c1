#include "util/CalendarDays.h"

#include <chrono>

namespace recast {

namespace chrono = std::chrono;

std::int64_t DaysFromCivil(const CivilDate& date) {
  // sys_days of a date whose day is past the month's end is the first of the month plus
  // (day - 1) days: the overflow the header promises.
  const chrono::year_month_day ymd{chrono::year{date.year}, chrono::month{date.month}, chrono::day{date.day}};
  return chrono::sys_days{ymd}.time_since_epoch().count();
}

CivilDate CivilFromDays(std::int64_t days) {
  const chrono::year_month_day ymd{chrono::sys_days{chrono::days{days}}};
  return {static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day())};
}

}  // namespace recast
