// Opening and creating store files: whatever is wrong with a file, it is refused with a
// status and left exactly as it was; a store is never visible half written.
#include <gtest/gtest.h>

#include <fstream>

#include "StoreFixture.h"
#include "platform/embedded/EmbeddedService.h"
#include "platform/embedded/Sqlite.h"
#include "platform/embedded/StoreCreator.h"
#include "platform/embedded/StoreFormat.h"

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
      {"truncated at a page", [&](const auto& p) { WriteBytes(p, goodBytes.substr(0, goodBytes.size() / 2 / 4096 * 4096)); },
       kErrStoreCorrupt},
      {"truncated inside a page", [&](const auto& p) { WriteBytes(p, goodBytes.substr(0, goodBytes.size() - 100)); },
       kErrStoreCorrupt},
      {"bad page size", [&](const auto& p) {
         std::string b = goodBytes;
         b[16] = 0x03;
         b[17] = 0x00;
         WriteBytes(p, b);
       }, kErrStoreCorrupt},
      {"catalogue overwritten", [&](const auto& p) {
         std::string b = goodBytes;
         for (std::size_t i = 100; i < 4096; ++i) b[i] = static_cast<char>(0xA5 ^ i);
         WriteBytes(p, b);
       }, kErrStoreCorrupt},
      {"foreign database", [](const auto& p) {
         sqlite3* raw = nullptr;
         sqlite3_open(p.c_str(), &raw);
         SqliteHandle db(raw);
         Execute(raw, "CREATE TABLE notes(text TEXT); INSERT INTO notes VALUES('hello');");
       }, kErrStoreForeign},
      {"someone else's meta", [](const auto& p) { MakeStoreWithMeta(p, "magic", "another program"); }, kErrStoreForeign},
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
  EXPECT_EQ(CreateStoreFromData({DataFile("schema.txt"), dir.path() / "absent.txt"}, store, &error),
            kErrDataBadInput);
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

}  // namespace
}  // namespace recast::embedded::testing
