#include "util/Duration.h"

#include "util/Format.h"
#include "util/TextHelpers.h"

namespace recast {

DurationParts SplitDuration(std::uint32_t seconds) {
  DurationParts parts;
  parts.days = static_cast<std::uint16_t>(seconds / 86400);
  parts.hours = static_cast<std::uint16_t>((seconds / 3600) % 24);
  parts.minutes = static_cast<std::uint16_t>((seconds / 60) % 60);
  parts.seconds = static_cast<std::uint16_t>(seconds % 60);
  return parts;
}

std::string DurationText(std::uint32_t seconds) {
  if (seconds == 0) return "0 sec";
  const DurationParts parts = SplitDuration(seconds);
  std::string text;
  if (parts.days != 0) text += Format("%d days, ", {parts.days});
  if (parts.hours != 0) text += Format("%d h, ", {parts.hours});
  if (parts.minutes != 0) text += Format("%d min, ", {parts.minutes});
  if (parts.seconds != 0) text += Format("%d sec", {parts.seconds});
  return TrimRightChars(text, ", ");
}

}  // namespace recast
