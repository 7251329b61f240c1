#include "directory/Names.h"

#include <gtest/gtest.h>

namespace recast {
namespace {

struct Case {
  std::string_view input;
  std::string_view expected;
};

TEST(CleanTreeName, KeepsThirtyTwoCharactersAndDropsTrailingUnderscores) {
  const Case cases[] = {
      {"MAIN_TREE_______________________", "MAIN_TREE"},
      {"MAIN_TREE_______________________XYZ", "MAIN_TREE"},  // past 32 cut first
      {"MY_TREE__", "MY_TREE"},                              // own trailing "_" go too
      {"INNER_NAME", "INNER_NAME"},
      {"________________________________", ""},
      {"", ""},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"},
  };
  for (const Case& c : cases) EXPECT_EQ(CleanTreeName(c.input), c.expected) << c.input;
}

TEST(LeadingDot, AddAndStripRules) {
  EXPECT_EQ(AddLeadingDot("org"), ".org");
  EXPECT_EQ(AddLeadingDot(".org"), ".org");
  EXPECT_EQ(AddLeadingDot(""), "");
  EXPECT_EQ(AddLeadingDot("[Root]"), "[Root]");
  EXPECT_EQ(AddLeadingDot("[Public]"), "[Public]");
  EXPECT_EQ(AddLeadingDot("[root]"), ".[root]");  // special names compare case-sensitively
  EXPECT_EQ(StripLeadingDot("..org"), ".org");
  EXPECT_EQ(StripLeadingDot(".org"), "org");
  EXPECT_EQ(StripLeadingDot("org"), "org");
  EXPECT_EQ(StripLeadingDot(""), "");
  EXPECT_TRUE(IsSpecialName("[Root]"));
  EXPECT_TRUE(IsSpecialName("[Public]"));
  EXPECT_FALSE(IsSpecialName("[ROOT]"));
  EXPECT_FALSE(IsSpecialName(".[Root]"));
}

TEST(ComposeContainerName, FirstMatchingRuleDecides) {
  struct Compose {
    std::string_view current;
    std::string_view entry;
    std::string_view expected;
  };
  const Compose cases[] = {
      // 1: "." or empty stays.
      {".org", ".", ".org"},
      {".org", "", ".org"},
      {"[Root]", ".", "[Root]"},
      // 2: climbing.
      {".sales.org", "[ .. ]", "org"},
      {".sales.org", "..", "org"},
      {".org", "[ .. ]", "[Root]"},
      {"", "[ .. ]", "[Root]"},
      {"..org", "[ .. ]", "[Root]"},
      {"a.b.c", "..", "b.c"},
      // 3: from the top.
      {"[Root]", "org", ".org"},
      {"", "org", ".org"},
      {".org", ".other", ".other"},
      {"[Root]", "[Public]", "[Public]"},
      // 4 and 5: below the current container.
      {".org", "sales", ".sales.org"},
      {"org", "sales", "sales.org"},
      // No escapes: an escaped dot is split like any other.
      {".a\\.b.org", "[ .. ]", "b.org"},
  };
  for (const Compose& c : cases) {
    EXPECT_EQ(ComposeContainerName(c.current, c.entry), c.expected) << c.current << " + " << c.entry;
  }
}

}  // namespace
}  // namespace recast
