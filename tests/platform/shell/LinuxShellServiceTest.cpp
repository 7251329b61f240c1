#include "platform/shell/LinuxShellService.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "util/ShellLauncher.h"

namespace recast {
namespace {

namespace fs = std::filesystem;

TEST(LinuxShellServiceTest, FileExistsIgnoresDirectories) {
  LinuxShellService shell;
  EXPECT_TRUE(shell.FileExists("/bin/true"));
  EXPECT_FALSE(shell.FileExists("/bin"));
  EXPECT_FALSE(shell.FileExists(""));
  EXPECT_FALSE(shell.FileExists("/no/such/file"));
}

TEST(LinuxShellServiceTest, StartsAnExistingProgramAndRefusesAMissingOne) {
  LinuxShellService shell;
  EXPECT_EQ(ShellOpen(shell, "/bin/true"), kShellAccepted);
  EXPECT_EQ(ShellOpen(shell, "/bin/true --ignored argument"), kShellAccepted);
  EXPECT_EQ(ShellOpen(shell, "/no/such/program --flag"), kShellFileNotFound);
  EXPECT_EQ(ShellOpen(shell, ""), kShellFileNotFound);
  EXPECT_EQ(shell.Open("relative-nothing", "", "", kShowNormal), kShellFileNotFound);
}

TEST(LinuxShellServiceTest, PassesEachWordAsOneArgumentInTheWorkingDirectory) {
  char pattern[] = "/tmp/recast-shell-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const fs::path dir(pattern);
  LinuxShellService shell;
  // No interpreter sees the words: ";" and "$HOME" arrive as plain file names.
  ASSERT_EQ(shell.Open("/usr/bin/touch", "one ;two  $HOME", dir.string(), kShowNormal), kShellAccepted);
  const std::vector<fs::path> expected = {dir / "one", dir / ";two", dir / "$HOME"};
  for (int i = 0; i < 500; ++i) {
    bool all = true;
    for (const auto& p : expected) all = all && fs::exists(p);
    if (all) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  for (const auto& p : expected) EXPECT_TRUE(fs::exists(p)) << p;
  fs::remove_all(dir);
}

TEST(LinuxShellServiceTest, RecognisesAddresses) {
  for (const char* name : {"https://example.org", "mailto:a@b.c", "svn+ssh://h/r"}) EXPECT_TRUE(HasUrlScheme(name));
  for (const char* name : {"C:\\x", "plain", ":x", "1a://b", "a b://c"}) EXPECT_FALSE(HasUrlScheme(name));
}

}  // namespace
}  // namespace recast
