#include "settings/SettingsFile.h"

#include <filesystem>

#include "SettingsTestSupport.h"

namespace fs = std::filesystem;
using namespace recast::settings;

namespace {

using SettingsFileTest = SettingsFolderTest;

TEST_F(SettingsFileTest, DefaultFolderIsTheProgramsFolderInXdgConfigHomeElseDotConfig) {
  const std::string savedXdg = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
  const std::string savedHome = getenv("HOME") ? getenv("HOME") : "";
  setenv("HOME", "/home/someone", 1);
  setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(DefaultSettingsFolder(), fs::path("/cfg/recast-object"));
  setenv("XDG_CONFIG_HOME", "relative/cfg", 1);  // not absolute: ignored
  EXPECT_EQ(DefaultSettingsFolder(), fs::path("/home/someone/.config/recast-object"));
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(DefaultSettingsFolder(), fs::path("/home/someone/.config/recast-object"));
  if (!savedXdg.empty()) setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
  setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(SettingsFileTest, PreviousFileIsCarriedOverOnceAndKept) {
  const fs::path previous = folder_ / "recast-object.ini";
  const fs::path folder = folder_ / "recast-object";
  Put("[Settings]\nMainForm.Left=40\n");
  EXPECT_TRUE(CarryOverSettingsFile(folder_, folder, "recast-object.ini"));
  EXPECT_EQ(SettingsFile(folder, "recast-object.ini").ReadInteger("Settings", "MainForm.Left", 0), 40);
  EXPECT_EQ(Contents(), "[Settings]\nMainForm.Left=40\n");  // the previous file stays

  Put("[Settings]\nMainForm.Left=99\n");  // once carried over, the previous file is not read again
  EXPECT_TRUE(CarryOverSettingsFile(folder_, folder, "recast-object.ini"));
  EXPECT_EQ(SettingsFile(folder, "recast-object.ini").ReadInteger("Settings", "MainForm.Left", 0), 40);

  EXPECT_TRUE(CarryOverSettingsFile(folder_ / "none", folder_ / "fresh", "recast-object.ini"));
  EXPECT_FALSE(fs::exists(folder_ / "fresh"));  // nothing to carry over: nothing written
}

TEST_F(SettingsFileTest, PreviousFileThatCannotBeCarriedOverAnswersFalse) {
  Put("[Settings]\nMainForm.Left=40\n");
  std::ofstream(folder_ / "plain") << "x";
  EXPECT_FALSE(CarryOverSettingsFile(folder_, folder_ / "plain", "recast-object.ini"));
}

TEST_F(SettingsFileTest, WritersSkipDefaultsForNewKeysAndUnchangedValues) {
  const SettingsFile file(folder_, "recast-object.ini");
  WriteStringIfChanged(file, "S", "text", "");
  WriteIntegerIfChanged(file, "S", "number", 0);
  WriteBoolIfChanged(file, "S", "flag", false);
  EXPECT_FALSE(fs::exists(FilePath()));

  WriteStringIfChanged(file, "S", "text", "abc");
  WriteIntegerIfChanged(file, "S", "number", -5);
  WriteBoolIfChanged(file, "S", "flag", true);
  WriteStringIfChanged(file, "S", "quoted", "\" padded \"");
  EXPECT_EQ(Contents(), "[S]\ntext=abc\nnumber=-5\nflag=1\nquoted=\" padded \"\n");

  const auto inode = Inode();
  const auto written = fs::last_write_time(FilePath());
  WriteStringIfChanged(file, "s", "TEXT", "abc");
  WriteIntegerIfChanged(file, "S", "number", -5);
  WriteBoolIfChanged(file, "S", "flag", true);
  WriteStringIfChanged(file, "S", "quoted", "\" padded \"");  // reads back unquoted: not rewritten
  EXPECT_EQ(Inode(), inode);
  EXPECT_EQ(fs::last_write_time(FilePath()), written);

  WriteStringIfChanged(file, "S", "text", "");
  WriteIntegerIfChanged(file, "S", "number", 0);
  WriteBoolIfChanged(file, "S", "flag", false);
  EXPECT_EQ(Contents(), "[S]\ntext=\nnumber=0\nflag=0\nquoted=\" padded \"\n");
}

TEST_F(SettingsFileTest, FailedWriteAnswersFalse) {
  const fs::path notAFolder = folder_ / "plain";
  std::ofstream(notAFolder) << "x";
  const SettingsFile file(notAFolder, "recast-object.ini");
  EXPECT_FALSE(file.WriteString("S", "k", "v"));
  EXPECT_FALSE(WriteIntegerIfChanged(file, "S", "k", 3));
  EXPECT_TRUE(WriteIntegerIfChanged(file, "S", "k", 0));  // unchanged: nothing to write
  EXPECT_TRUE(file.EraseSection("S"));                    // nothing to erase: nothing to write
}

TEST_F(SettingsFileTest, MissingSettingsFolderIsCreated) {
  const SettingsFile file(folder_ / "new" / "deeper", "recast-object.ini");
  file.WriteInteger("S", "k", 1);
  EXPECT_EQ(file.ReadInteger("S", "k", 0), 1);
}

}  // namespace
