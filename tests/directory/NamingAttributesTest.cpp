// Which attributes a typed name part names.
#include <gtest/gtest.h>

#include "directory/NamingAttributes.h"

namespace recast {
namespace {

TEST(NamingAttributesTest, EveryTypedPieceOfThePartNamesItsAttribute) {
  using Strings = std::vector<std::string>;
  const struct {
    const char* part;
    Strings types;
  } cases[] = {
      {"UID=jdoe", {"UID"}},
      {"CN=a+UID=b", {"CN", "UID"}},
      {"CN=a+b", {"CN"}},        // a "+" inside the value
      {"CN=a\\+UID=b", {"CN"}},  // an escaped "+"
      {"Title=x=y", {"Title"}},  // only the first "=" ends the type
      {"jdoe", {}},              // typeless
      {"=x", {}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(NamePartAttributes(c.part), c.types) << c.part;
}

}  // namespace
}  // namespace recast
