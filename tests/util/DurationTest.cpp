#include "util/Duration.h"

#include <gtest/gtest.h>

#include <vector>

namespace recast {
namespace {

TEST(DurationTest, TextShowsOnlyNonZeroParts) {
  struct Case {
    std::uint32_t seconds;
    std::string text;
  };
  const std::vector<Case> cases = {
      {0, "0 sec"},
      {59, "59 sec"},
      {60, "1 min"},
      {120, "2 min"},
      {3600, "1 h"},
      {3661, "1 h, 1 min, 1 sec"},
      {86400, "1 days"},
      {86405, "1 days, 5 sec"},
      {90061, "1 days, 1 h, 1 min, 1 sec"},
      {90000, "1 days, 1 h"},
      {4294967295u, "49710 days, 6 h, 28 min, 15 sec"},
  };
  for (const auto& c : cases) EXPECT_EQ(DurationText(c.seconds), c.text) << c.seconds;
}

TEST(DurationTest, SplitFitsTheLargestValue) {
  EXPECT_EQ(SplitDuration(4294967295u), (DurationParts{49710, 6, 28, 15}));
  EXPECT_EQ(SplitDuration(86399), (DurationParts{0, 23, 59, 59}));
}

}  // namespace
}  // namespace recast
