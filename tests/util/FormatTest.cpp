#include "util/Format.h"

#include <gtest/gtest.h>

namespace recast {
namespace {

TEST(FormatTest, FollowsTheProgramsOwnRules) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {Format("Error %04X: %s", {18, "DSChangeCurrentTree"}), "Error   12: DSChangeCurrentTree"},
      {Format("Error %04X: %s", {-1, "x"}), "Error FFFFFFFF: x"},
      {Format("0x%.4X", {7}), "0x0007"},
      {Format("0x%.4X", {0x12345}), "0x12345"},
      {Format("0x%.4X", {-601}), "0xFFFFFDA7"},
      {Format("[%.02X]", {5}), "[05]"},
      {Format("[%.02X]", {0x1AB}), "[1AB]"},
      {Format("%4X", {10}), "   A"},
      {Format("%d", {-5}), "-5"},
      {Format("%d", {static_cast<std::uint32_t>(0xFFFFFFFF)}), "-1"},
      {Format("%u", {-1}), "4294967295"},
      {Format("%d", {static_cast<std::int32_t>(0x80000000u)}), "-2147483648"},
      {Format("%s-%s", {"CORP", "Protocol"}), "CORP-Protocol"},
      {Format("%s-%s", {"", "Protocol"}), "-Protocol"},
      {Format("100%%", {}), "100%"},
      {Format("%s and %s", {"one"}), "one and "},
      {Format("%x", {255}), "ff"},
      {Format("(%d) %s:%s", {0, "SYS", "\\PUBLIC"}), "(0) SYS:\\PUBLIC"},
  };
  for (const auto& [actual, expected] : cases) EXPECT_EQ(actual, expected);
}

TEST(FormatTest, KeepsUnknownPlaceholdersLiterally) {
  EXPECT_EQ(Format("%q %d", {3}), "%q 3");
  EXPECT_EQ(Format("trailing %", {}), "trailing %");
}

}  // namespace
}  // namespace recast
