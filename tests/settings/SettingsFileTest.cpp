#include "settings/SettingsFile.h"

#include <filesystem>

#include "SettingsTestSupport.h"
#include "settings/SettingsStore.h"

namespace fs = std::filesystem;
using namespace recast::settings;

namespace {

using SettingsFileTest = SettingsFolderTest;

TEST_F(SettingsFileTest, FileNameFollowsProgramFileAndBareNameLivesInFolder) {
  const SettingsStore store(folder_, "/opt/tools/recast-object");
  EXPECT_EQ(store.SettingsFileName(true), "recast-object.ini");
  EXPECT_EQ(store.SettingsFileName(false), "/opt/tools/recast-object.ini");
  EXPECT_EQ(SettingsStore(folder_, "/opt/Tool.exe").SettingsFileName(true), "Tool.ini");

  EXPECT_EQ(SettingsFile(folder_, "recast-object.ini").Path(), FilePath());
  EXPECT_EQ(SettingsFile(folder_, "/elsewhere/x.ini").Path(), fs::path("/elsewhere/x.ini"));
}

TEST_F(SettingsFileTest, DefaultFolderIsXdgConfigHomeElseDotConfig) {
  const std::string savedXdg = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
  const std::string savedHome = getenv("HOME") ? getenv("HOME") : "";
  setenv("HOME", "/home/someone", 1);
  setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(DefaultSettingsFolder(), fs::path("/cfg"));
  setenv("XDG_CONFIG_HOME", "relative/cfg", 1);  // not absolute: ignored
  EXPECT_EQ(DefaultSettingsFolder(), fs::path("/home/someone/.config"));
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(DefaultSettingsFolder(), fs::path("/home/someone/.config"));
  if (!savedXdg.empty()) setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
  setenv("HOME", savedHome.c_str(), 1);
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

TEST_F(SettingsFileTest, FailedWriteThrowsUnableToWrite) {
  const fs::path notAFolder = folder_ / "plain";
  std::ofstream(notAFolder) << "x";
  const SettingsFile file(notAFolder, "recast-object.ini");
  try {
    file.WriteString("S", "k", "v");
    FAIL() << "no exception";
  } catch (const SettingsWriteError& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + (notAFolder / "recast-object.ini").string());
  }
  EXPECT_THROW(WriteIntegerIfChanged(file, "S", "k", 3), SettingsWriteError);
  EXPECT_NO_THROW(file.EraseSection("S"));  // nothing to erase: nothing to write
}

TEST_F(SettingsFileTest, MissingSettingsFolderIsCreated) {
  const SettingsFile file(folder_ / "new" / "deeper", "recast-object.ini");
  file.WriteInteger("S", "k", 1);
  EXPECT_EQ(file.ReadInteger("S", "k", 0), 1);
}

}  // namespace
