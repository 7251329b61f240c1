// Several programs on one store: a writer killed at random moments leaves a store that is
// intact and holds every change it reported done and no part of any other; two writers at
// once both get through.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <set>

#include "StoreFixture.h"
#include "platform/embedded/EmbeddedService.h"
#include "platform/embedded/Sqlite.h"

namespace recast::embedded::testing {
namespace {

using service::Change;
using service::EntryName;
namespace value = service::value;

const EntryName kAnn{{"CN", "Ann"}, {"OU", "Sales"}, {"O", "Seed"}};
const EntryName kBob{{"CN", "Bob"}, {"OU", "Sales"}, {"O", "Seed"}};
const EntryName kSales{{"OU", "Sales"}, {"O", "Seed"}};

std::string Other(const std::string& cls) { return cls == "User" ? "Organizational Person" : "User"; }
std::string Phone(int round, int op, char part) {
  return "r" + std::to_string(round) + "k" + std::to_string(op) + part;
}

// Even operations add two values in one change, odd ones change Bob's class. Each completed
// operation is reported through the pipe before the next one starts.
[[noreturn]] void RunWriter(const std::filesystem::path& store, int round, std::string bobClass, int reportFd) {
  service::ConnectionConfig config;
  config.service = store.string();
  config.treeName = "SEED";
  std::unique_ptr<service::DirectoryService> dir;
  if (OpenEmbeddedService(config, &dir) != 0) ::_exit(3);
  for (std::int32_t op = 0; op < 100000; ++op) {
    DirStatus st;
    if (op % 2 == 0) {
      st = dir->Modify(kAnn, {Change{kChangeAddValue, "Telephone Number", value::Text{Phone(round, op, 'a')}},
                              Change{kChangeAddValue, "Telephone Number", value::Text{Phone(round, op, 'b')}}});
    } else {
      st = dir->ChangeBaseClass(kBob, Other(bobClass));
      if (st == 0) bobClass = Other(bobClass);
    }
    if (st != 0) ::_exit(4);
    if (::write(reportFd, &op, sizeof op) != sizeof op) ::_exit(5);
  }
  ::_exit(0);
}

// Read-write, as a killed writer's journal must be rolled back before the file can be read.
std::string IntegrityCheck(const std::filesystem::path& store) {
  sqlite3* raw = nullptr;
  if (sqlite3_open_v2(store.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) return "cannot open";
  SqliteHandle db(raw);
  Statement check(raw, "PRAGMA integrity_check");
  return check.valid() && check.Step() == SQLITE_ROW ? check.Text(0) : "cannot check";
}

TEST(MultiProcessTest, KilledWriterLeavesEveryReportedChangeAndNoPartialOne) {
  TempDir dir;
  std::filesystem::path store = BuildStore(dir, SeedDataFiles());
  unsigned seed = std::random_device{}();
  SCOPED_TRACE("random seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::string bobClass = "User";
  int totalReported = 0;

  for (int round = 0; round < 24; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(fds[0]);
      RunWriter(store, round, bobClass, fds[1]);
    }
    ::close(fds[1]);
    ::usleep(1000 + random() % 250000);  // a change takes a few fsyncs, some milliseconds
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped on its own with " << WEXITSTATUS(status);

    std::vector<std::int32_t> reported;
    std::int32_t op;
    while (::read(fds[0], &op, sizeof op) == sizeof op) reported.push_back(op);
    ::close(fds[0]);
    const int last = reported.empty() ? -1 : reported.back();
    totalReported += static_cast<int>(reported.size());

    ASSERT_EQ(IntegrityCheck(store), "ok");
    auto reader = OpenService(store, "SEED");
    ASSERT_NE(reader, nullptr);

    service::AttributeValues phones;
    ASSERT_EQ(reader->ReadAttribute(kAnn, "Telephone Number", false, &phones), 0);
    std::set<std::string> present;
    for (const auto& v : phones.values) present.insert(std::get<value::Text>(v).text);
    for (int i = 0; i <= last + 1; i += 2) {
      bool a = present.count(Phone(round, i, 'a')) > 0;
      bool b = present.count(Phone(round, i, 'b')) > 0;
      EXPECT_EQ(a, b) << "operation " << i << " is half done";
      if (i <= last) {
        EXPECT_TRUE(a) << "operation " << i << " was reported done but is missing";
      }
    }
    EXPECT_EQ(present.count(Phone(round, last + 3, 'a')), 0u);

    // Bob's class is the one before or after the operation in flight, and his entry and his
    // Object Class values agree.
    int classChanges = 0;
    for (int i : reported) classChanges += i % 2;
    std::string expected = classChanges % 2 ? Other(bobClass) : bobClass;
    service::ListPage page;
    ASSERT_EQ(reader->ListChildren(kSales, false, "", 10, &page), 0);
    std::string actual;
    for (const auto& e : page.entries)
      if (e.rdn.value == "Bob") actual = e.baseClass;
    if ((last + 1) % 2 == 1 && actual != expected) expected = Other(expected);  // the one in flight made it
    EXPECT_EQ(actual, expected);
    service::AttributeValues classes;
    ASSERT_EQ(reader->ReadAttribute(kBob, "Object Class", false, &classes), 0);
    EXPECT_EQ(classes.values.front(), service::DirValue(value::Text{actual}));
    bobClass = actual;
  }
  RecordProperty("reported", totalReported);
  // The rounds must have exercised something.
  EXPECT_GT(totalReported, 10);
}

// Two processes adding values to the same entry at the same time: each waits for the other's
// lock instead of failing, and no change is lost.
TEST(MultiProcessTest, TwoProcessesWriteTheSameEntryAtOnce) {
  TempDir dir;
  std::filesystem::path store = BuildStore(dir, SeedDataFiles());
  constexpr int kChanges = 12;
  auto writeAll = [&](char who) {
    service::ConnectionConfig config;
    config.service = store.string();
    config.treeName = "SEED";
    std::unique_ptr<service::DirectoryService> writer;
    if (OpenEmbeddedService(config, &writer) != 0) return 100;
    for (int i = 0; i < kChanges; ++i) {
      std::string phone = std::string(1, who) + std::to_string(i);
      if (writer->Modify(kAnn, {Change{kChangeAddValue, "Telephone Number", value::Text{phone}}}) != 0) return i + 1;
      // Read back through the same connection between writes, as the program does.
      service::AttributeValues v;
      if (writer->ReadAttribute(kAnn, "Telephone Number", false, &v) != 0) return 50 + i;
    }
    return 0;
  };
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(writeAll('c'));
  int parentResult = writeAll('p');
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_EQ(parentResult, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);

  EXPECT_EQ(IntegrityCheck(store), "ok");
  auto reader = OpenService(store, "SEED");
  ASSERT_NE(reader, nullptr);
  service::AttributeValues phones;
  ASSERT_EQ(reader->ReadAttribute(kAnn, "Telephone Number", false, &phones), 0);
  EXPECT_EQ(phones.values.size(), 2u + 2 * kChanges);
}

}  // namespace
}  // namespace recast::embedded::testing
