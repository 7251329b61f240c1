#include "app/ListSaving.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "tests/support/ScriptedUserInterface.h"

namespace recast::app {
namespace {

TEST(ListSavingTest, DefaultFileNamesOfTheFiveLists) {
  const struct {
    const char* tree;
    const char* control;
    const char* expected;
  } cases[] = {
      {"CORP", "ListBoxProtocol", "CORP-Protocol"},
      {"CORP", "ListBoxInfo", "CORP-Info"},
      {"CORP", "ListBoxDelta", "CORP-Delta"},
      {"CORP", "lbSourceClassAttributes", "CORP-lbSourceClassAttributes"},
      {"CORP", "lbTargetClassAttributes", "CORP-lbTargetClassAttributes"},
      {"", "ListBoxProtocol", "-Protocol"},
      {"T", "xLISTBOXyListBox", "T-xyListBox"},
  };
  for (const auto& c : cases) EXPECT_EQ(DefaultSaveFileName(c.tree, c.control), c.expected) << c.control;
}

TEST(ListSavingTest, KeywordIsTheExtensionWithoutLeadingDotsInTheCaseTyped) {
  const struct {
    const char* file;
    const char* keyword;
  } cases[] = {
      {"/tmp/log.txt", "txt"},  {"/tmp/log.HTM", "HTM"},         {"/tmp/a.b/log", ""}, {"/tmp/log", ""},
      {"/tmp/log..xml", "xml"}, {"/tmp/archive.tar.xls", "xls"}, {"/tmp/log.", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ExportKeyword(c.file), c.keyword) << c.file;
}

class SaveTargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/recast-save-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    std::ofstream(Path("old.txt")) << "old";
    std::ofstream(Path("locked.txt")) << "old";
    ::chmod(Path("locked.txt").c_str(), 0444);
    std::ofstream(Path("sheet.xls")) << "old";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  std::filesystem::path dir_;
};

TEST_F(SaveTargetTest, ReplacingAFileTheExportWritesIsAskedFirst) {
  const struct {
    std::vector<std::string> chosen;  // "" cancels
    std::vector<bool> answers;
    std::optional<std::string> expected;
    int questions;
  } cases[] = {
      {{"new.txt"}, {}, "new.txt", 0},
      {{"old.txt"}, {true}, "old.txt", 1},
      {{"old.txt", "new.txt"}, {false}, "new.txt", 1},  // declined: the dialog again
      {{"old.txt", ""}, {false}, std::nullopt, 1},
      {{"locked.txt"}, {}, "locked.txt", 0},  // the export refuses it with its own box
      {{"sheet.xls"}, {}, "sheet.xls", 0},    // the spreadsheet never touches the file
  };
  for (const auto& c : cases) {
    ScriptedUserInterface ui;
    for (const std::string& name : c.chosen) {
      ui.QueueSaveFileName(name.empty() ? std::nullopt : std::optional<std::string>(Path(name)));
    }
    for (bool answer : c.answers) ui.QueueOkAbort(answer);
    const SaveDialogRequest request{"T-Protocol", "txt", "Text Files|*.txt|All Files|*.*"};
    const std::optional<std::string> expected =
        c.expected ? std::optional<std::string>(Path(*c.expected)) : std::nullopt;
    EXPECT_EQ(AskSaveTarget(ui, request), expected) << c.chosen.front();
    EXPECT_EQ(ui.questions().size(), static_cast<std::size_t>(c.questions)) << c.chosen.front();
    if (c.questions > 0) {
      EXPECT_EQ(ui.questions().front(), Path("old.txt") + " already exists. Replace it?");
    }
    EXPECT_EQ(ui.unusedAnswers(), 0u) << c.chosen.front();
  }
}

}  // namespace
}  // namespace recast::app
