#pragma once
// Days since 1970-01-01 and proleptic Gregorian dates, both ways (std::chrono's calendar).

#include <cstdint>

namespace recast {

struct CivilDate {
  int year = 1970;
  unsigned month = 1;  // 1 to 12
  unsigned day = 1;    // 1 to 31
  bool operator==(const CivilDate&) const = default;
};

// Days from 1970-01-01 to date (negative before it). month must be 1 to 12; a day past the
// month's end counts on into the next month (February 30 is March 2 or 1).
std::int64_t DaysFromCivil(const CivilDate& date);

// The date days after 1970-01-01, for years -32767 to 32767.
CivilDate CivilFromDays(std::int64_t days);

}  // namespace recast
