#include "util/CalendarDays.h"

#include <gtest/gtest.h>

namespace recast {
namespace {

TEST(CalendarDaysTest, DatesAndDayCountsConvertBothWays) {
  const struct {
    CivilDate date;
    std::int64_t days;
  } cases[] = {
      {{1970, 1, 1}, 0},     {{1969, 12, 31}, -1},  {{2000, 2, 29}, 11016},
      {{2000, 3, 1}, 11017}, {{2106, 2, 7}, 49710}, {{1899, 12, 30}, -25569},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DaysFromCivil(c.date), c.days) << c.date.year << "-" << c.date.month << "-" << c.date.day;
    EXPECT_EQ(CivilFromDays(c.days), c.date) << c.days;
  }
}

TEST(CalendarDaysTest, DayPastTheMonthsEndCountsOn) {
  EXPECT_EQ(DaysFromCivil({2001, 2, 31}), DaysFromCivil({2001, 3, 3}));
  EXPECT_EQ(DaysFromCivil({2004, 2, 30}), DaysFromCivil({2004, 3, 1}));
}

}  // namespace
}  // namespace recast
