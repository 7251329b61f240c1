#include "app/ListSaving.h"

#include <gtest/gtest.h>

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
      {"/tmp/log.txt", "txt"},      {"/tmp/log.HTM", "HTM"},  {"/tmp/a.b/log", ""},
      {"/tmp/log", ""},             {"/tmp/log..xml", "xml"}, {"/tmp/archive.tar.xls", "xls"},
      {"/tmp/log.", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ExportKeyword(c.file), c.keyword) << c.file;
}

}  // namespace
}  // namespace recast::app
