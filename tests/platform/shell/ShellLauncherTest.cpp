#include "util/ShellLauncher.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace recast {
namespace {

// Knows a fixed set of files and records what it is asked to open.
class FakeShell : public ShellService {
 public:
  std::set<std::string> files;
  std::string comspec = "C:\\WINDOWS\\system32\\cmd.exe";
  struct Call {
    ShellRequest request;
    int showMode;
  };
  std::vector<Call> calls;
  mutable std::vector<std::string> probes;

  bool FileExists(const std::string& path) const override {
    probes.push_back(path);
    return files.count(path) != 0;
  }
  std::string GetEnv(const std::string& name) const override { return name == "comspec" ? comspec : ""; }
  int Open(const std::string& program, const std::string& parameters, const std::string& workingDirectory,
           int showMode) override {
    calls.push_back({{program, parameters, workingDirectory}, showMode});
    return kShellAccepted;
  }
};

TEST(ShellLauncherTest, BuiltinWordsAreMatchedWhole) {
  for (const char* word : {"CD", "copy", "Del", "DIR", "echo", "MD", "path", "PROMPT", "rem", "REN", "rd", "SET",
                           "TrueName", "TYPE", "ver"}) {
    EXPECT_TRUE(IsShellBuiltin(word)) << word;
  }
  for (const char* text : {"", "DIR C:", "VERX", "CLS", " VER"}) EXPECT_FALSE(IsShellBuiltin(text)) << text;
}

TEST(ShellLauncherTest, ResolvesProgramParametersAndWorkingDirectory) {
  struct Case {
    std::string commandLine;
    ShellRequest expected;
  };
  const std::string cmd = "C:\\WINDOWS\\system32\\cmd.exe";
  const std::vector<Case> cases = {
      {"https://www.example.org", {"https://www.example.org", "", "https:"}},
      {"http://host:8080/page", {"http://host:8080/page", "", "http://host:"}},
      {"VER", {cmd, "/C VER", "C:\\WINDOWS\\system32\\"}},
      {"ver", {cmd, "/C ver", "C:\\WINDOWS\\system32\\"}},
      {"DIR C:", {"DIR C:", "", "DIR C:"}},  // not built-in as a whole: opened as a name
      {"C:\\Program Files\\Tool\\tool.exe -x y",
       {"C:\\Program Files\\Tool\\tool.exe", "-x y", "C:\\Program Files\\Tool\\"}},
      {"C:\\Program Files\\Tool\\tool.exe", {"C:\\Program Files\\Tool\\tool.exe", "", "C:\\Program Files\\Tool\\"}},
      {"notes.txt  more words", {"notes.txt", "more words", ""}},
      {"VER  x", {cmd, "/C VER  x", "C:\\WINDOWS\\system32\\"}},  // empty word stops at a built-in
      {"", {"", "", ""}},
      {"no such thing", {"no such thing", "", ""}},
  };
  FakeShell shell;
  shell.files = {"C:\\Program Files\\Tool\\tool.exe"};
  for (const auto& c : cases) {
    EXPECT_EQ(ResolveShellCommand(shell, c.commandLine), c.expected) << c.commandLine;
  }
}

TEST(ShellLauncherTest, ScanProbesGrowingCandidatesAndStopsAtTheFirstFile) {
  FakeShell shell;
  shell.files = {"/opt/my tools/run", "/opt/my tools/run x"};
  EXPECT_EQ(ShellOpen(shell, "/opt/my tools/run x y"), kShellAccepted);
  EXPECT_EQ(shell.probes, (std::vector<std::string>{"/opt/my", "/opt/my tools/run"}));
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].request, (ShellRequest{"/opt/my tools/run", "x y", ""}));
  EXPECT_EQ(shell.calls[0].showMode, kShowNormal);

  shell.calls.clear();
  ShellRun(shell, "VER", 0);
  EXPECT_EQ(shell.calls.at(0).showMode, 0);
}

TEST(ShellLauncherTest, BuiltinWithoutComspecOpensAnEmptyName) {
  FakeShell shell;
  shell.comspec.clear();
  EXPECT_EQ(ResolveShellCommand(shell, "echo"), (ShellRequest{"", "/C echo", ""}));
}

}  // namespace
}  // namespace recast
