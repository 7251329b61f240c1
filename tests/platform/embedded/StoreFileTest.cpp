// Opening and creating store files: whatever is wrong with a file, it is refused with a
// status and left exactly as it was; a store is never visible half written.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "StoreFixture.h"
#include "platform/embedded/EmbeddedService.h"
#include "platform/embedded/Sqlite.h"
#include "platform/embedded/StoreCreator.h"
#include "platform/embedded/StoreFormat.h"
#include "platform/errtext/ErrorTextLibrary.h"

namespace recast::embedded::testing {
namespace {

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

DirStatus Open(const std::filesystem::path& path) {
  service::ConnectionConfig config;
  config.service = path.string();
  config.treeName = "SEED";
  std::unique_ptr<service::DirectoryService> service;
  DirStatus st = OpenEmbeddedService(config, &service);
  EXPECT_EQ(st == 0, service != nullptr);
  return st;
}

// An SQLite database of our layout whose meta table says something else.
void MakeStoreWithMeta(const std::filesystem::path& path, const char* key, const char* value) {
  std::filesystem::path source = path.string() + ".source";
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
  SqliteHandle db(raw);
  ASSERT_EQ(CreateStoreTables(raw), SQLITE_OK);
  Statement update(raw, "UPDATE meta SET value = ?2 WHERE key = ?1");
  update.Bind(1, std::string_view(key));
  update.Bind(2, std::string_view(value));
  ASSERT_EQ(update.Step(), SQLITE_DONE);
}

TEST(StoreFileTest, DamagedForeignOrOtherVersionStoresAreRefusedAndLeftAlone) {
  TempDir dir;
  std::filesystem::path good = BuildStore(dir, SeedDataFiles(), "good.db");
  std::string goodBytes = ReadFileBytes(good);
  ASSERT_GT(goodBytes.size(), 8192u);
  ASSERT_EQ(Open(good), 0);

  struct Case {
    const char* name;
    std::function<void(const std::filesystem::path&)> make;
    DirStatus expected;
  };
  const std::vector<Case> cases = {
      {"empty", [](const auto& p) { WriteBytes(p, ""); }, kErrStoreCorrupt},
      {"text", [](const auto& p) { WriteBytes(p, "tree: SEED\nschema: classic\n"); }, kErrStoreForeign},
      {"header only", [&](const auto& p) { WriteBytes(p, goodBytes.substr(0, 60)); }, kErrStoreCorrupt},
      {"truncated at a page",
       [&](const auto& p) { WriteBytes(p, goodBytes.substr(0, goodBytes.size() / 2 / 4096 * 4096)); },
       kErrStoreCorrupt},
      {"truncated inside a page", [&](const auto& p) { WriteBytes(p, goodBytes.substr(0, goodBytes.size() - 100)); },
       kErrStoreCorrupt},
      {"bad page size",
       [&](const auto& p) {
         std::string b = goodBytes;
         b[16] = 0x03;
         b[17] = 0x00;
         WriteBytes(p, b);
       },
       kErrStoreCorrupt},
      {"catalogue overwritten",
       [&](const auto& p) {
         std::string b = goodBytes;
         for (std::size_t i = 100; i < 4096; ++i) b[i] = static_cast<char>(0xA5 ^ i);
         WriteBytes(p, b);
       },
       kErrStoreCorrupt},
      {"foreign database",
       [](const auto& p) {
         sqlite3* raw = nullptr;
         sqlite3_open(p.c_str(), &raw);
         SqliteHandle db(raw);
         Execute(raw, "CREATE TABLE notes(text TEXT); INSERT INTO notes VALUES('hello');");
       },
       kErrStoreForeign},
      {"someone else's meta", [](const auto& p) { MakeStoreWithMeta(p, "magic", "another program"); },
       kErrStoreForeign},
      {"other version", [](const auto& p) { MakeStoreWithMeta(p, "format_version", "2"); }, kErrStoreVersion},
  };
  for (const Case& c : cases) {
    std::filesystem::path path = dir.path() / (std::string(c.name) + ".db");
    c.make(path);
    std::string before = ReadFileBytes(path);
    EXPECT_EQ(Open(path), c.expected) << c.name;
    EXPECT_EQ(ReadFileBytes(path), before) << c.name << ": the file changed";
    EXPECT_FALSE(std::filesystem::exists(path.string() + "-journal")) << c.name;
  }
  EXPECT_EQ(Open(dir.path() / "missing.db"), kErrStoreMissing);
  EXPECT_EQ(Open(dir.path()), kErrStoreUnreadable);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing.db"));
}

TEST(StoreFileTest, CreationNeverLeavesAHalfStoreNorReplacesAFile) {
  TempDir dir;
  std::filesystem::path bad = dir.path() / "bad.txt";
  WriteBytes(bad, "tree: SEED\nschema: classic\n\nentry: O=X\nclass: Organization\nLogin Grace Limit: 5\n");
  std::filesystem::path store = dir.path() / "store.db";
  LoadError error;
  EXPECT_EQ(CreateStoreFromData({DataFile("schema.txt"), bad}, store, &error), kErrDataBadInput);
  EXPECT_EQ(error.line, 6);
  EXPECT_EQ(CreateStoreFromData({DataFile("schema.txt"), dir.path() / "absent.txt"}, store, &error), kErrDataBadInput);
  EXPECT_EQ(error.source, (dir.path() / "absent.txt").string());
  // Nothing at the target and no temporary file beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

  WriteBytes(store, "precious");
  EXPECT_EQ(CreateStoreFromData(SeedDataFiles(), store, &error), kErrStoreExists);
  EXPECT_EQ(ReadFileBytes(store), "precious");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);

  std::filesystem::path fresh = dir.path() / "fresh.db";
  ASSERT_EQ(CreateStoreFromData(SeedDataFiles(), fresh, &error), 0) << error.Text();
  EXPECT_EQ(Open(fresh), 0);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

// Permission bits do not bind root: such a child gives it up first.
void BecomeAnOrdinaryUser() {
  if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::_Exit(3);
}

TEST(StoreFileTest, AStoreThatCannotBeWrittenSaysWhichFile) {
  TempDir dir;
  const std::filesystem::path store = BuildStore(dir, SeedDataFiles());
  const service::EntryName ann = {{"CN", "Ann"}, {"OU", "Sales"}, {"O", "Seed"}};
  const service::Change change{kChangeAddValue, "Telephone Number", service::value::Text{"555 0199"}};
  // A write-protected file, then a file in a write-protected folder (no room for the journal).
  for (const auto& [file, folder] : {std::pair{0444, 0755}, std::pair{0666, 0555}}) {
    std::filesystem::permissions(store, static_cast<std::filesystem::perms>(file));
    std::filesystem::permissions(dir.path(), static_cast<std::filesystem::perms>(folder));
    EXPECT_EXIT(
        {
          BecomeAnOrdinaryUser();
          service::ConnectionConfig config;
          config.service = store.string();
          config.treeName = "SEED";
          std::unique_ptr<service::DirectoryService> service;
          if (OpenEmbeddedService(config, &service) != 0) std::_Exit(2);
          const DirStatus st = service->Modify(ann, {change});
          std::fprintf(stderr, "%d %s\n", st, NWstrerror(st));
          std::_Exit(st == kErrStoreNotWritable ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "The directory file " + store.string() + " cannot be written");
  }
  std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
}

TEST(StoreFileTest, CreationOverTheFileSizeLimitFailsWithAStatusNotASignal) {
  TempDir dir;
  const std::filesystem::path store = dir.path() / "store.db";
  EXPECT_EXIT(
      {
        rlimit limit;
        limit.rlim_cur = limit.rlim_max = 16 * 1024;
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) std::_Exit(2);
        const DirStatus st = CreateStoreFromData(DemoDataFiles(), store);
        std::fprintf(stderr, "%d %s\n", st, NWstrerror(st));
        std::_Exit(st == kErrStoreDiskFull ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "The directory file " + store.string() + " cannot grow");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 0);
}

TEST(StoreFileTest, CreationRemovesWhatAnInterruptedOneLeftBehind) {
  TempDir dir;
  const std::filesystem::path store = dir.path() / "store.db";
  const pid_t gone = ::fork();
  if (gone == 0) std::_Exit(0);
  ASSERT_GT(gone, 0);
  ::waitpid(gone, nullptr, 0);
  const std::string stale = store.string() + ".tmp-" + std::to_string(gone) + "-42";
  const std::string running = store.string() + ".tmp-" + std::to_string(::getpid()) + "-42";
  for (const std::string& leftover : {stale, stale + "-journal", running}) WriteBytes(leftover, "half");
  ASSERT_EQ(CreateStoreFromData(SeedDataFiles(), store), 0);
  EXPECT_FALSE(std::filesystem::exists(stale));
  EXPECT_FALSE(std::filesystem::exists(stale + "-journal"));
  EXPECT_TRUE(std::filesystem::exists(running));  // another program may be writing it now
}

}  // namespace
}  // namespace recast::embedded::testing
