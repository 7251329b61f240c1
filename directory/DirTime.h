#pragma once
// Directory time values as text.

#include <cstdint>
#include <string>

namespace recast {

// seconds since 1970-01-01 00:00 UTC as the locale's short date and long time ("%x %X" in
// the LC_TIME of the environment; "yyyy-mm-dd hh:nn:ss" when that locale cannot be made).
// toLocalTime shifts by LocalTimeBias(), the current offset, for every date.
std::string FormatDirTime(std::uint32_t seconds, bool toLocalTime);

// UTC minus local time in minutes, daylight saving included when in effect now; 0 when
// the time-zone information cannot be had.
std::int32_t LocalTimeBias();

}  // namespace recast
