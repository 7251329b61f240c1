#include "util/FileNames.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace recast {
namespace {

TEST(FileNamesTest, ChangeExtension) {
  struct Case {
    std::string path, extension, expected;
  };
  const std::vector<Case> cases = {
      {"/opt/recast/recast-object", "ini", "/opt/recast/recast-object.ini"},
      {"/opt/recast/recast-object.exe", ".txt", "/opt/recast/recast-object.txt"},
      {"/opt/v1.2/program", "ini", "/opt/v1.2/program.ini"},  // dot in a folder name only
      {"a.b.c", "x", "a.b.x"},
      {"name", "", "name."},
      {"", "ini", ".ini"},
  };
  for (const auto& c : cases) EXPECT_EQ(ChangeExtension(c.path, c.extension), c.expected) << c.path;
}

TEST(FileNamesTest, ProgramFileAndEnvironment) {
  const std::string ini = ProgramFileWithExt("ini");
  ASSERT_FALSE(ini.empty());
  EXPECT_EQ(ini.front(), '/');
  EXPECT_TRUE(ini.ends_with("/util_tests.ini")) << ini;

  ::setenv("RECAST_TEST_VARIABLE", "value 1", 1);
  EXPECT_EQ(GetEnvText("RECAST_TEST_VARIABLE"), "value 1");
  ::unsetenv("RECAST_TEST_VARIABLE");
  EXPECT_EQ(GetEnvText("RECAST_TEST_VARIABLE"), "");
}

}  // namespace
}  // namespace recast
