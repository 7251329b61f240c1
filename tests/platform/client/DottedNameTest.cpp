// Names as the client resolves them against a name context.
#include <gtest/gtest.h>

#include "platform/client/DottedName.h"

namespace recast::client {
namespace {

using service::EntryName;

EntryName Parts(std::initializer_list<std::pair<const char*, const char*>> parts) {
  EntryName name;
  for (const auto& [type, value] : parts) name.push_back({type, value});
  return name;
}

struct ResolveCase {
  const char* name;
  const char* context;
  DirStatus status;
  EntryName expected;
};

TEST(DottedNameTest, ResolvesAgainstTheNameContext) {
  const ResolveCase cases[] = {
      {"Clerk1", "Sales.ACME", 0, Parts({{"", "Clerk1"}, {"", "Sales"}, {"", "ACME"}})},
      {"CN=Clerk1", "OU=Sales.O=ACME", 0, Parts({{"CN", "Clerk1"}, {"OU", "Sales"}, {"O", "ACME"}})},
      {"CN=Clerk1.OU=Lab", "ACME", 0, Parts({{"CN", "Clerk1"}, {"OU", "Lab"}, {"", "ACME"}})},
      {".Lab.ACME", "Sales.ACME", 0, Parts({{"", "Lab"}, {"", "ACME"}})},
      {"Lab.", "Sales.ACME", 0, Parts({{"", "Lab"}, {"", "ACME"}})},
      {"Admin..", "Sales.ACME", 0, Parts({{"", "Admin"}})},
      {"Admin...", "Sales.ACME", kErrBadName, {}},
      {"[Root]", "Sales.ACME", 0, {}},
      {"", "Sales.ACME", 0, Parts({{"", "Sales"}, {"", "ACME"}})},
      {"", "[Root]", 0, {}},
      {"ACME", "[Root]", 0, Parts({{"", "ACME"}})},
      {"ACME", "", 0, Parts({{"", "ACME"}})},
      {"a\\.b.ACME", "[Root]", 0, Parts({{"", "a.b"}, {"", "ACME"}})},
      {"CN=x\\=y", "[Root]", 0, Parts({{"CN", "x=y"}})},
      {".", "Sales.ACME", 0, {}},
      {"..", "Sales.ACME", kErrBadName, {}},
      {".a.b.", "Sales.ACME", kErrBadName, {}},
      {"a..b", "Sales.ACME", kErrBadName, {}},
      {"=x", "[Root]", kErrBadName, {}},
      {"CN=", "[Root]", kErrBadName, {}},
      {"x\\", "[Root]", kErrBadName, {}},
  };
  for (const ResolveCase& c : cases) {
    EntryName context;
    ASSERT_EQ(ParseNameContext(c.context, &context), 0) << c.context;
    EntryName out = Parts({{"", "untouched"}});
    EXPECT_EQ(ResolveDottedName(c.name, context, &out), c.status) << c.name << " in " << c.context;
    if (c.status == 0) {
      EXPECT_EQ(out, c.expected) << c.name << " in " << c.context;
    } else {
      EXPECT_EQ(out, Parts({{"", "untouched"}})) << c.name;
    }
  }
}

TEST(DottedNameTest, NameContextsAreAbsolute) {
  EntryName out;
  EXPECT_EQ(ParseNameContext(".Sales.ACME", &out), 0);
  EXPECT_EQ(out, Parts({{"", "Sales"}, {"", "ACME"}}));
  EXPECT_EQ(ParseNameContext("Sales.", &out), kErrBadName);
  EXPECT_EQ(ParseNameContext(std::string(300, 'a'), &out), kErrBadName);
}

TEST(DottedNameTest, FormattingEscapesWhatParsingReadsBack) {
  const EntryName name = Parts({{"CN", "a.b=c\\d"}, {"O", "ACME"}});
  EXPECT_EQ(FormatDottedName(name, false), "CN=a\\.b=c\\\\d.O=ACME");
  EXPECT_EQ(FormatDottedName(name, true), "a\\.b\\=c\\\\d.ACME");
  EXPECT_EQ(FormatDottedName({}, true), "[Root]");
  for (bool typeless : {false, true}) {
    EntryName back;
    ASSERT_EQ(ParseNameContext(FormatDottedName(name, typeless), &back), 0);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].value, "a.b=c\\d");
    EXPECT_EQ(back[0].type, typeless ? "" : "CN");
  }
}

}  // namespace
}  // namespace recast::client
