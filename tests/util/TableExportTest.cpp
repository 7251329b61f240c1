#include "util/TableExport.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/MemoryClipboard.h"
#include "tests/support/RecordingAutomation.h"
#include "tests/support/ScriptedUserInterface.h"
#include "tests/util/StrictXml.h"
#include "util/TextFile.h"

namespace recast {
namespace {

namespace fs = std::filesystem;
using Message = ScriptedUserInterface::Message;

class TableExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/recast-export-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::size_t FilesInDir() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {})); }

  ScriptedUserInterface ui_;
  MemoryClipboard clipboard_;
  RecordingAutomation automation_;
  ExportContext context_{ui_, clipboard_, automation_, [] { return LocalDateTime{2026, 12, 8, 23, 4, 5}; }};
  fs::path dir_;
};

TEST_F(TableExportTest, KeywordsInTheirOrderAndAnyCase) {
  struct Case {
    std::string keyword;
    std::optional<ExportTarget> target;
  };
  const std::vector<Case> cases = {
      {"htm", ExportTarget::Html},
      {"hTmL", ExportTarget::Html},
      {"XML", ExportTarget::Xml},
      {"txt", ExportTarget::Text},
      {"Doc", ExportTarget::Text},
      {"ascii", ExportTarget::Text},
      {"qp", ExportTarget::QuattroPro},
      {"wb3", ExportTarget::QuattroPro},
      {"xls", ExportTarget::Excel},
      {"Excel", ExportTarget::Excel},
      {"clipboard", ExportTarget::Clipboard},
      {"csv", std::nullopt},
      {"", std::nullopt},
      {" htm", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ExportTargetForKeyword(c.keyword), c.target) << c.keyword;
}

TEST_F(TableExportTest, TextFileHoldsTheClipboardTextWithCrLf) {
  const std::string path = PathOf("protocol.txt");
  ASSERT_TRUE(ExportLines(context_, {"Deleting", "  \"x\"", "M\xC3\xBCller \xE2\x82\xAC"}, "TXT", path));
  EXPECT_EQ(clipboard_.GetText(), "Deleting\r\n  \"x\"\r\nM\xC3\xBCller \xE2\x82\xAC\r\n");
  EXPECT_EQ(Read(path), "Deleting\r\n  \"x\"\r\nM\xFCller \x80\r\n");  // windows-1252
  EXPECT_TRUE(ui_.messages().empty());
}

TEST_F(TableExportTest, TextFileSplitsQuotedMultiLineCells) {
  TextTable table(2, 1);
  table.SetCell(0, 0, "a\r\nb");
  table.SetCell(1, 0, "c");
  const std::string path = PathOf("grid.doc");
  ASSERT_TRUE(ExportTableTabbed(context_, &table, "", path));
  EXPECT_EQ(clipboard_.GetText(), "\"a\nb\"\tc\r\n");
  EXPECT_EQ(Read(path), "\"a\r\nb\"\tc\r\n");
}

// The file gets the text generated for the clipboard even when the clipboard loses it.
TEST_F(TableExportTest, TextFileDoesNotDependOnTheClipboard) {
  class ForgetfulClipboard : public Clipboard {
   public:
    void SetText(const std::string&) override {}
    std::string GetText() const override { return "someone else's text"; }
  } forgetful;
  ExportContext context{ui_, forgetful, automation_};
  const std::string path = PathOf("list.txt");
  ASSERT_TRUE(ExportLines(context, {"one", "two"}, "txt", path));
  EXPECT_EQ(Read(path), "one\r\ntwo\r\n");
}

TEST_F(TableExportTest, EmptyListGivesOneEmptyRowInEveryForm) {
  ASSERT_TRUE(ExportLines(context_, {}, "txt", PathOf("e.txt")));
  EXPECT_EQ(Read(PathOf("e.txt")), "\r\n");
  ASSERT_TRUE(ExportLines(context_, {}, "htm", PathOf("e.htm")));
  EXPECT_NE(Read(PathOf("e.htm")).find("<tr>\r\n<td><br></td>\r\n</tr>"), std::string::npos);
  ASSERT_TRUE(ExportLines(context_, {}, "xml", PathOf("e.xml")));
  const std::string xml = Read(PathOf("e.xml"));
  EXPECT_NE(xml.find("date=\"2026-12-08\" time=\"23:04:05\"/>\r\n<row value=\"0\">\r\n<row/>\r\n</row>"),
            std::string::npos)
      << xml;
  EXPECT_TRUE(IsWellFormedXml(xml));
}

TEST_F(TableExportTest, KeywordFromTheFileNameWhenEmpty) {
  const TextTable table = TableFromLines({"x"});
  ASSERT_TRUE(ExportTableTabbed(context_, &table, "", PathOf("a.b.HtMl")));
  EXPECT_TRUE(fs::exists(PathOf("a.b.HtMl")));
  EXPECT_EQ(clipboard_.setCount(), 0);  // HTML does not touch the clipboard

  EXPECT_FALSE(ExportTableTabbed(context_, &table, "", PathOf("noextension")));
  EXPECT_FALSE(ExportTableTabbed(context_, &table, "", PathOf("dotted.dir/file")));
  EXPECT_EQ(ui_.messages(), (std::vector<Message>{{MessageBoxKind::Error, "Invalid target"},
                                                  {MessageBoxKind::Error, "Invalid target"}}));
}

TEST_F(TableExportTest, InvalidTargetsWriteNothing) {
  clipboard_.SetText("before");
  const TextTable table = TableFromLines({"x"});
  EXPECT_FALSE(ExportTableTabbed(context_, &table, "csv", PathOf("x.csv")));
  EXPECT_FALSE(ExportTableTabbed(context_, &table, "txt", "ab"));
  EXPECT_FALSE(ExportTableTabbed(context_, &table, "xml", ""));
  EXPECT_FALSE(ExportTableTabbed(context_, nullptr, "txt", PathOf("y.txt")));
  EXPECT_EQ(ui_.messages(), (std::vector<Message>{{MessageBoxKind::Error, "Invalid target"},
                                                  {MessageBoxKind::Error, "Invalid target path"},
                                                  {MessageBoxKind::Error, "Invalid target path"}}));
  EXPECT_EQ(clipboard_.GetText(), "before");
  EXPECT_EQ(FilesInDir(), 0u);
  // Spreadsheet and clipboard targets never look at the file name.
  EXPECT_TRUE(ExportTableTabbed(context_, &table, "clipboard", ""));
  EXPECT_EQ(clipboard_.GetText(), "x\r\n");
  EXPECT_TRUE(CheckTargetPath(ui_, "a.t", false));
  EXPECT_FALSE(CheckTargetPath(ui_, "at", false));
  EXPECT_EQ(ui_.messages().size(), 3u);
}

TEST_F(TableExportTest, UnwritableFileIsReportedAndLeavesTheOldOne) {
  const std::string missing = PathOf("missing-folder/out.txt");
  EXPECT_FALSE(ExportLines(context_, {"x"}, "txt", missing));
  const std::string path = PathOf("keep.txt");
  ASSERT_TRUE(WriteTextFile(path, "old"));
  ::chmod(path.c_str(), 0444);
  EXPECT_FALSE(ExportLines(context_, {"new"}, "htm", path));
  EXPECT_EQ(ui_.messages(),
            (std::vector<Message>{
                {MessageBoxKind::Error, "Could not write " + missing +
                                            ": No such file or directory. Choose a folder that exists and save again."},
                {MessageBoxKind::Error, "Could not write " + path +
                                            ": the file is read-only. Save under another name, or make the file "
                                            "writable and save again."}}));
  EXPECT_EQ(Read(path), "old\r\n");

  ::chmod(path.c_str(), 0640);
  ASSERT_TRUE(ExportLines(context_, {"new"}, "txt", path));  // replaced whole
  EXPECT_EQ(Read(path), "new\r\n");
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(FilesInDir(), 1u);  // no temporary file left behind
}

// An entry holding line breaks (the values of a multi-valued attribute) takes a row per piece.
TEST_F(TableExportTest, EntriesWithLineBreaksLoseNothing) {
  const std::string path = PathOf("info.txt");
  ASSERT_TRUE(ExportLines(context_, {"   Current value: \"555 0102\r\n555 0103\"", "last\n", "end"}, "txt", path));
  EXPECT_EQ(Read(path), "   Current value: \"555 0102\r\n555 0103\"\r\nlast\r\n \r\nend\r\n");
}

TEST_F(TableExportTest, SpreadsheetTargetsFillTheClipboardFirst) {
  automation_.FailOn("Create(Excel.Application)", "no server");
  EXPECT_FALSE(ExportLines(context_, {"a", "b"}, "XLS", ""));
  EXPECT_EQ(clipboard_.GetText(), "a\r\nb\r\n");
  EXPECT_EQ(
      ui_.messages(),
      (std::vector<Message>{{MessageBoxKind::Custom, "Error saving to Excel (no server) - Results are in clipboard"}}));
  EXPECT_TRUE(ExportLines(context_, {"c"}, "wb3", ""));
  EXPECT_EQ(clipboard_.GetText(), "c\r\n");
  EXPECT_EQ(automation_.calls().at(1), "Create(QuattroPro.PerfectScript)");
}

}  // namespace
}  // namespace recast
