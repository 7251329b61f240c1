#include "platform/profile/Profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace recast::profile;

namespace {

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("profile-test-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    file_ = folder_ / "test.ini";
  }
  void TearDown() override {
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(folder_);
  }
  void Put(const std::string& text) { std::ofstream(file_, std::ios::binary) << text; }
  std::string Contents() const {
    std::ifstream in(file_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  fs::path folder_;
  fs::path file_;
};

TEST_F(ProfileTest, MissingFileReadsDefaults) {
  EXPECT_EQ(GetPrivateProfileString("Settings", "a", "dflt", file_), "dflt");
  EXPECT_EQ(GetPrivateProfileInt("Settings", "a", 7, file_), 7);
  EXPECT_TRUE(GetPrivateProfileSectionNames(file_).empty());
  EXPECT_TRUE(GetPrivateProfileKeys("Settings", file_).empty());
  EXPECT_TRUE(ErasePrivateProfileSection("Settings", file_));
  EXPECT_FALSE(fs::exists(file_));
}

TEST_F(ProfileTest, LookupsIgnoreCaseTrimBlanksAndRemoveOnePairOfQuotes) {
  Put("; comment=1\r\n[Settings]\r\n  Name  =  plain value  \r\nQuoted=\"  x \"\r\nTwice=\"\"y\"\"\r\n"
      "Half=\"z\r\nEmpty=\r\n[ Other ]\r\nName=other\r\n");
  EXPECT_EQ(GetPrivateProfileString("SETTINGS", "name", "", file_), "plain value");
  EXPECT_EQ(GetPrivateProfileString("settings", "QUOTED", "", file_), "  x ");
  EXPECT_EQ(GetPrivateProfileString("Settings", "Twice", "", file_), "\"y\"");
  EXPECT_EQ(GetPrivateProfileString("Settings", "Half", "", file_), "\"z");
  EXPECT_EQ(GetPrivateProfileString("Settings", "Empty", "d", file_), "");
  EXPECT_EQ(GetPrivateProfileString("other", "name", "", file_), "other");
  EXPECT_EQ(GetPrivateProfileString("Settings", "missing", "d", file_), "d");
  EXPECT_EQ(GetPrivateProfileString("; comment", "1", "d", file_), "d");
}

TEST_F(ProfileTest, IntegerReading) {
  Put("[s]\nneg=-12\nplus=+5\nquoted=\"42\"\ntrail=12px\nword=abc\nempty=\nhuge=99999999999\n");
  struct Case {
    const char* key;
    int expected;
  };
  for (const Case& c : {Case{"neg", -12}, Case{"plus", 5}, Case{"quoted", 42}, Case{"trail", 12}, Case{"word", -1},
                        Case{"empty", -1}, Case{"huge", -1}, Case{"none", -1}}) {
    EXPECT_EQ(GetPrivateProfileInt("s", c.key, -1, file_), c.expected) << c.key;
  }
}

TEST_F(ProfileTest, MalformedLinesAreKeptAndIgnored) {
  Put("orphan=1\n[broken\njunk line\n=novalue\n[s]\n[x=1\nk=v\n");
  EXPECT_EQ(GetPrivateProfileString("s", "k", "", file_), "v");
  EXPECT_EQ(GetPrivateProfileString("broken", "junk line", "d", file_), "d");
  EXPECT_EQ(GetPrivateProfileString("s", "[x", "d", file_), "d");
  ASSERT_TRUE(WritePrivateProfileString("s", "k", "w", file_));
  EXPECT_EQ(Contents(), "orphan=1\n[broken\njunk line\n=novalue\n[s]\n[x=1\nk=w\n");
}

TEST_F(ProfileTest, WritesKeepEverythingElse) {
  Put("\xEF\xBB\xBF; head\r\n[A]\r\nx=1 ; not a comment\r\n\r\n; about B\r\n[b]\r\nY=2\r\n");
  ASSERT_TRUE(WritePrivateProfileString("a", "X", "10", file_));
  ASSERT_TRUE(WritePrivateProfileString("a", "new", "n", file_));
  ASSERT_TRUE(WritePrivateProfileString("C", "z", "3", file_));
  EXPECT_EQ(Contents(),
            "\xEF\xBB\xBF; head\r\n[A]\r\nX=10\r\nnew=n\r\n\r\n; about B\r\n[b]\r\nY=2\r\n\r\n[C]\r\nz=3\r\n");
  EXPECT_EQ(GetPrivateProfileSectionNames(file_), (std::vector<std::string>{"A", "b", "C"}));
  EXPECT_EQ(GetPrivateProfileKeys("A", file_), (std::vector<std::string>{"X", "new"}));
}

TEST_F(ProfileTest, NewFileAndDuplicateSections) {
  ASSERT_TRUE(WritePrivateProfileString("Settings", "MainForm.Top", "12", file_));
  EXPECT_EQ(Contents(), "[Settings]\nMainForm.Top=12\n");

  Put("[s]\nk=first\nk=second\n[S]\nk=third\nj=4\n");
  EXPECT_EQ(GetPrivateProfileString("s", "k", "", file_), "first");
  EXPECT_EQ(GetPrivateProfileString("s", "j", "d", file_), "d");
  ASSERT_TRUE(ErasePrivateProfileSection("S", file_));
  EXPECT_EQ(Contents(), "");
}

TEST_F(ProfileTest, EraseSectionRemovesOnlyThatSection) {
  Put("[a]\nx=1\n[Memo]\n0=line\n1=two\n[c]\ny=2\n");
  ASSERT_TRUE(ErasePrivateProfileSection("memo", file_));
  EXPECT_EQ(Contents(), "[a]\nx=1\n[c]\ny=2\n");
  const auto before = fs::last_write_time(file_);
  ASSERT_TRUE(ErasePrivateProfileSection("memo", file_));
  EXPECT_EQ(fs::last_write_time(file_), before);
}

TEST_F(ProfileTest, RefusesTextsThatWouldCorruptTheFile) {
  Put("[s]\nk=v\n");
  struct Case {
    std::string section, key, value;
  };
  for (const Case& c :
       {Case{"s", "k", "two\nlines"}, Case{"s", "k", "cr\rhere"}, Case{"s", "a=b", "1"}, Case{"s", "", "1"},
        Case{"s", "  ", "1"}, Case{"s", "[x", "1"}, Case{"s", ";x", "1"}, Case{"a]b", "k", "1"}, Case{"", "k", "1"},
        Case{"s\n[t", "k", "1"}, Case{"s", "k", std::string("nul\0x", 5)}}) {
    EXPECT_FALSE(WritePrivateProfileString(c.section, c.key, c.value, file_)) << c.key << "|" << c.value;
  }
  EXPECT_EQ(Contents(), "[s]\nk=v\n");
}

TEST_F(ProfileTest, WriteFailureLeavesFileUnchangedAndNoTemporary) {
  const fs::path plain = folder_ / "plain";
  std::ofstream(plain) << "x";
  EXPECT_FALSE(WritePrivateProfileString("s", "k", "w", plain / "x.ini"));
  EXPECT_FALSE(WritePrivateProfileString("s", "k", "w", folder_ / "missing" / "x.ini"));

  // A folder in the file's place: the temporary is written, the rename fails.
  const fs::path taken = folder_ / "taken.ini";
  fs::create_directory(taken);
  EXPECT_FALSE(WritePrivateProfileString("s", "k", "w", taken));
  std::vector<fs::path> entries;
  for (const auto& entry : fs::directory_iterator(folder_)) entries.push_back(entry.path().filename());
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<fs::path>{"plain", "taken.ini"}));
}

// A writable file in a read-only folder is written in place, as a plain write would.
TEST_F(ProfileTest, ReadOnlyFileIsNotWrittenButOneInAReadOnlyFolderIs) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  Put("[s]\nk=v\n");
  fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_TRUE(WritePrivateProfileString("s", "k", "w", file_));
  fs::permissions(folder_, fs::perms::owner_all);
  EXPECT_EQ(Contents(), "[s]\nk=w\n");

  fs::permissions(file_, fs::perms::owner_read);
  EXPECT_FALSE(WritePrivateProfileString("s", "k", "x", file_));
  EXPECT_FALSE(ErasePrivateProfileSection("s", file_));
  EXPECT_EQ(Contents(), "[s]\nk=w\n");
}

TEST_F(ProfileTest, WriteThroughSymlinkKeepsLinkAndMode) {
  Put("[s]\nk=v\n");
  fs::permissions(file_, fs::perms::owner_read | fs::perms::owner_write);
  const fs::path link = folder_ / "link.ini";
  fs::create_symlink(file_, link);
  ASSERT_TRUE(WritePrivateProfileString("s", "k", "w", link));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Contents(), "[s]\nk=w\n");
  EXPECT_EQ(fs::status(file_).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

}  // namespace
