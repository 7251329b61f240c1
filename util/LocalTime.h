#pragma once
// The local wall-clock time, as the export stamps it.

#include <functional>

namespace recast {

struct LocalDateTime {
  int year = 0;
  int month = 0;  // 1 to 12
  int day = 0;    // 1 to 31
  int hour = 0;   // 0 to 23
  int minute = 0;
  int second = 0;
};

using Clock = std::function<LocalDateTime()>;

// The system's local time now.
LocalDateTime LocalNow();

}  // namespace recast
