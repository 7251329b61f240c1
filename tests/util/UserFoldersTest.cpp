#include "util/UserFolders.h"

#include <gtest/gtest.h>

#include "tests/directory/support/ScopedEnvironment.h"

namespace recast {
namespace {

TEST(UserFoldersTest, AbsoluteXdgFoldersWinElseHomeFolders) {
  const struct {
    const char* configHome;
    const char* dataHome;
    const char* config;
    const char* data;
  } cases[] = {
      {"/cfg", "/share", "/cfg/recast-object", "/share/recast-object"},
      {"relative", "relative", "/home/u/.config/recast-object", "/home/u/.local/share/recast-object"},
      {nullptr, nullptr, "/home/u/.config/recast-object", "/home/u/.local/share/recast-object"},
  };
  for (const auto& c : cases) {
    const testing::ScopedEnvironment environment(
        {{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", c.configHome}, {"XDG_DATA_HOME", c.dataHome}});
    EXPECT_EQ(UserConfigFolder(), std::filesystem::path(c.config));
    EXPECT_EQ(UserConfigFolder().parent_path(), UserConfigHome());
    EXPECT_EQ(UserDataFolder(), std::filesystem::path(c.data));
  }
}

}  // namespace
}  // namespace recast
