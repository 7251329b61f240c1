#pragma once
// Durations given in seconds (the directory's interval values), split and as text.

#include <cstdint>
#include <string>

namespace recast {

struct DurationParts {
  std::uint16_t days = 0;
  std::uint16_t hours = 0;    // 0 to 23
  std::uint16_t minutes = 0;  // 0 to 59
  std::uint16_t seconds = 0;  // 0 to 59
  bool operator==(const DurationParts&) const = default;
};

// The largest input, 4294967295, gives 49710 days, which fits the day field.
DurationParts SplitDuration(std::uint32_t seconds);

// "0 sec" for zero; otherwise the non-zero parts as "%d days, %d h, %d min, %d sec" without
// a trailing comma or blank and without singular forms ("1 days, 5 sec").
std::string DurationText(std::uint32_t seconds);

}  // namespace recast
