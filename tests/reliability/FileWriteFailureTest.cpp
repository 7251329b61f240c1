// Writers facing a full disk or a folder that cannot exist: each must report the failure and
// leave the file it was replacing, and the folder around it, exactly as they were. And where
// their writes land: through symbolic links, in folders the user cannot write, under the
// longest names, never over a read-only file.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/client/Connections.h"
#include "platform/client/DirectoryClientFactory.h"
#include "platform/embedded/StoreCreator.h"
#include "platform/profile/Profile.h"
#include "settings/SettingsFile.h"
#include "tests/reliability/HostileEnvironment.h"
#include "util/TextFile.h"

namespace recast::reliability {
namespace {

namespace fs = std::filesystem;

constexpr long kDiskLimit = 4096;
const std::string kOldContent = "[Settings]\nLeft=10\nTop=20\n";
const std::string kBigText(64 * 1024, 'x');

// The child's answers.
constexpr int kReportedFailure = 0;
constexpr int kReportedSuccess = 1;

struct Writer {
  const char* what;
  // Writes a large text to file; answers one of the child's answers.
  std::function<int(const fs::path& file)> write;
};

std::vector<Writer> Writers() {
  return {
      {"export file",
       [](const fs::path& file) {
         return WriteTextFile(file.string(), kBigText) ? kReportedSuccess : kReportedFailure;
       }},
      {"profile entry",
       [](const fs::path& file) {
         return profile::WritePrivateProfileString("Settings", "Big", kBigText, file) ? kReportedSuccess
                                                                                      : kReportedFailure;
       }},
      {"settings value",
       [](const fs::path& file) {
         const settings::SettingsFile settingsFile(file.parent_path(), file.filename().string());
         return settingsFile.WriteString("Settings", "Big", kBigText) ? kReportedSuccess : kReportedFailure;
       }},
  };
}

TEST(FileWriteFailureTest, FullDiskLeavesTheOldFileAndNoScraps) {
  for (const Writer& writer : Writers()) {
    SCOPED_TRACE(writer.what);
    TempFolder folder;
    const fs::path file = folder.path() / "recast-object.ini";
    WriteWholeFile(file, kOldContent);
    const std::vector<std::string> before = FolderNames(folder.path());

    EXPECT_EQ(RunWithFileSizeLimit(kDiskLimit, [&] { return writer.write(file); }), kReportedFailure);
    EXPECT_EQ(ReadWholeFile(file), kOldContent);
    EXPECT_EQ(FolderNames(folder.path()), before);

    // The limit was the only obstacle.
    EXPECT_EQ(writer.write(file), kReportedSuccess);
    EXPECT_EQ(FolderNames(folder.path()), before);
  }
}

TEST(FileWriteFailureTest, FullDiskOnANewFileLeavesNothing) {
  for (const Writer& writer : Writers()) {
    SCOPED_TRACE(writer.what);
    TempFolder folder;
    const fs::path file = folder.path() / "recast-object.ini";
    EXPECT_EQ(RunWithFileSizeLimit(kDiskLimit, [&] { return writer.write(file); }), kReportedFailure);
    EXPECT_TRUE(FolderNames(folder.path()).empty());
  }
}

TEST(FileWriteFailureTest, FolderThatCannotExistIsReportedAndNothingIsMade) {
  for (const Writer& writer : Writers()) {
    SCOPED_TRACE(writer.what);
    TempFolder folder;
    const fs::path file = FolderBelowAFile(folder.path() / "blocker") / "recast-object.ini";
    EXPECT_EQ(writer.write(file), kReportedFailure);
    EXPECT_EQ(FolderNames(folder.path()), std::vector<std::string>{"blocker"});
    EXPECT_EQ(ReadWholeFile(folder.path() / "blocker"), "not a folder\n");
  }
}

bool HoldsTheBigText(const fs::path& file) { return ReadWholeFile(file).find(kBigText) != std::string::npos; }

TEST(FileWriteFailureTest, SymbolicLinksAreWrittenThroughAndStay) {
  for (const Writer& writer : Writers()) {
    SCOPED_TRACE(writer.what);
    TempFolder folder;
    const fs::path real = folder.path() / "real";
    fs::create_directory(real);
    WriteWholeFile(real / "recast-object.ini", kOldContent);
    fs::create_symlink("real/recast-object.ini", folder.path() / "relative.ini");
    fs::create_symlink(folder.path() / "relative.ini", folder.path() / "chain.ini");
    fs::create_symlink(real / "new.ini", folder.path() / "dangling.ini");

    for (const char* link : {"chain.ini", "dangling.ini"}) {
      EXPECT_EQ(writer.write(folder.path() / link), kReportedSuccess) << link;
      EXPECT_TRUE(fs::is_symlink(folder.path() / link)) << link;
    }
    EXPECT_TRUE(fs::is_symlink(folder.path() / "relative.ini"));
    EXPECT_TRUE(HoldsTheBigText(real / "recast-object.ini"));
    EXPECT_TRUE(HoldsTheBigText(real / "new.ini"));
    EXPECT_EQ(FolderNames(real), (std::vector<std::string>{"new.ini", "recast-object.ini"}));
  }
}

TEST(FileWriteFailureTest, WritableFileInAFolderTheUserCannotWriteIsWrittenInPlace) {
  for (const Writer& writer : Writers()) {
    SCOPED_TRACE(writer.what);
    TempFolder folder;
    fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                       fs::perms::others_read | fs::perms::others_exec);
    const fs::path locked = folder.path() / "locked";
    fs::create_directory(locked);
    const fs::path file = locked / "recast-object.ini";
    WriteWholeFile(file, kOldContent);
    fs::permissions(file, fs::perms::all & ~(fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec));
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);

    EXPECT_EQ(RunAsUnprivilegedUser([&] { return writer.write(file); }), kReportedSuccess);
    EXPECT_TRUE(HoldsTheBigText(file));
    EXPECT_EQ(FolderNames(locked), std::vector<std::string>{"recast-object.ini"});
    fs::permissions(locked, fs::perms::owner_all);
  }
}

// Mode bits decide, also for root, whom access() never stops.
TEST(FileWriteFailureTest, ReadOnlyFileIsRefusedAndKeptWhoeverWrites) {
  for (const Writer& writer : Writers()) {
    SCOPED_TRACE(writer.what);
    TempFolder folder;
    const fs::path file = folder.path() / "recast-object.ini";
    WriteWholeFile(file, kOldContent);
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    fs::permissions(file, readOnly);
    EXPECT_EQ(writer.write(file), kReportedFailure);
    EXPECT_EQ(ReadWholeFile(file), kOldContent);
    EXPECT_EQ(fs::status(file).permissions(), readOnly);
    EXPECT_EQ(FolderNames(folder.path()), std::vector<std::string>{"recast-object.ini"});
  }
}

TEST(FileWriteFailureTest, NameOfTheLongestLengthIsWrittenAndReplaced) {
  const std::string name = std::string(251, 'n') + ".ini";  // 255 bytes, the most a name may have
  for (const Writer& writer : Writers()) {
    SCOPED_TRACE(writer.what);
    TempFolder folder;
    EXPECT_EQ(writer.write(folder.path() / name), kReportedSuccess);
    EXPECT_EQ(writer.write(folder.path() / name), kReportedSuccess);
    EXPECT_TRUE(HoldsTheBigText(folder.path() / name));
    EXPECT_EQ(FolderNames(folder.path()), std::vector<std::string>{name});
  }
}

// The demo store is the biggest file the program writes on its own.
TEST(FileWriteFailureTest, DemoStoreOnAFullDiskIsNotLeftHalfWritten) {
  TempFolder folder;
  const fs::path data = RECAST_DEMO_DATA_DIR;
  const std::vector<fs::path> files = {data / "schema.txt", data / "acme.txt", data / "lab.txt"};
  const fs::path store = folder.path() / "demo.store";
  const int result = RunWithFileSizeLimit(16 * 1024, [&] {
    return embedded::CreateStoreFromData(files, store) == 0 ? kReportedSuccess : kReportedFailure;
  });
  EXPECT_EQ(result, kReportedFailure);
  EXPECT_TRUE(FolderNames(folder.path()).empty());

  // Without the limit the same call succeeds, so the limit was the only obstacle.
  EXPECT_EQ(embedded::CreateStoreFromData(files, store), 0);
  EXPECT_TRUE(fs::exists(store));
}

TEST(FileWriteFailureTest, DemoStoreBelowAFileIsReportedAndNothingIsMade) {
  TempFolder folder;
  const fs::path data = RECAST_DEMO_DATA_DIR;
  const fs::path store = FolderBelowAFile(folder.path() / "blocker") / "demo.store";
  EXPECT_NE(embedded::CreateStoreFromData({data / "schema.txt", data / "acme.txt", data / "lab.txt"}, store), 0);
  EXPECT_EQ(FolderNames(folder.path()), std::vector<std::string>{"blocker"});
}

// The program's first start: no configuration, so the client makes the demo store in its data
// folder when the connection opens.
client::ClientOptions FirstStart(const fs::path& folder, const fs::path& dataFolder) {
  client::ClientOptions options;
  options.configFile = folder / "no-such.ini";
  options.dataFolder = dataFolder;
  const fs::path data = RECAST_DEMO_DATA_DIR;
  options.demoDataFiles = {data / "schema.txt", data / "acme.txt", data / "lab.txt"};
  return options;
}

ConnStatus OpenPrimary(DirectoryClient& client) {
  ConnRef ref = 0;
  ConnHandle handle = 0;
  if (ConnStatus s = client.InitClient(0, 0); s != 0) return s;
  if (ConnStatus s = client.GetPrimaryConnectionRef(&ref); s != 0) return s;
  return client.OpenConnectionByRef(ref, 1, 0, &handle);
}

TEST(FileWriteFailureTest, ClientWhoseDataFolderCannotExistReportsTheServiceUnavailable) {
  TempFolder folder;
  const fs::path dataFolder = FolderBelowAFile(folder.path() / "blocker");
  auto client = client::CreateDirectoryClient(FirstStart(folder.path(), dataFolder));
  EXPECT_EQ(OpenPrimary(*client), kConnServiceUnavailable);
  EXPECT_EQ(FolderNames(folder.path()), std::vector<std::string>{"blocker"});
}

TEST(FileWriteFailureTest, ClientOnAFullDiskReportsTheServiceUnavailableAndTriesAgainNextTime) {
  TempFolder folder;
  const fs::path dataFolder = folder.path() / "data";
  const int result = RunWithFileSizeLimit(16 * 1024, [&] {
    auto client = client::CreateDirectoryClient(FirstStart(folder.path(), dataFolder));
    return OpenPrimary(*client) == kConnServiceUnavailable ? kReportedFailure : kReportedSuccess;
  });
  EXPECT_EQ(result, kReportedFailure);
  EXPECT_FALSE(fs::exists(client::DemoStorePath(dataFolder)));

  auto client = client::CreateDirectoryClient(FirstStart(folder.path(), dataFolder));
  EXPECT_EQ(OpenPrimary(*client), 0);
  EXPECT_TRUE(fs::exists(client::DemoStorePath(dataFolder)));
}

}  // namespace
}  // namespace recast::reliability
