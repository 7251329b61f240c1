// Journals of both forms: the round trip with every state, what a kill mid-write leaves and
// how it is cut, and what the reader says of damage.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "engine/Journal.h"

namespace recast::engine {
namespace {

namespace fs = std::filesystem;

const char* kLdif1 =
    "dn: cn=a,o=Org\nchangetype: modify\nreplace: objectClass\nobjectClass: person\n-\nadd: sn\nsn: x\n-\n";
const char* kLdif2 = "dn: cn=b,o=Org\nchangetype: modify\nreplace: objectClass\nobjectClass: person\n-\n";

std::vector<JournalRecord> Records() {
  return {{0, "a.Org", "User", std::string("Organizational Role"), {{"Surname", "2:x"}, {"Title", "3:a\"b"}}, kLdif1},
          {0, "b.Org", "User", std::nullopt, {}, kLdif2},
          {0, "c.Org", "User", std::string("Group"), {{"Mail", ""}}, kLdif2}};
}

std::string ReadText(const fs::path& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

class JournalTest : public ::testing::TestWithParam<JournalForm> {
 protected:
  JournalTest() {
    std::string pattern = (fs::temp_directory_path() / "recast-journal-XXXXXX").string();
    folder_ = ::mkdtemp(pattern.data());
    path_ = PlanJournalPath(folder_ / "data", "ACME/CORP", "20261209T071500Z-1", GetParam());
  }
  ~JournalTest() override { fs::remove_all(folder_); }

  // A journal with three records: done, failed, and pending; the first undone later.
  std::string Written() {
    JournalWriter writer;
    EXPECT_TRUE(writer.OpenNew(path_, GetParam(), {"ACME_CORP", std::string("plan-1"), "2026-12-09T07:15:00Z"}).ok());
    std::vector<JournalRecord> records = Records();
    EXPECT_TRUE(writer.Append(records[0]).ok());
    std::vector<JournalRecord> batch(records.begin() + 1, records.end());
    EXPECT_TRUE(writer.AppendBatch(batch).ok());
    EXPECT_EQ(records[0].number, 1);
    EXPECT_EQ(batch[1].number, 3);
    EXPECT_TRUE(writer.MarkDone(1).ok());
    EXPECT_TRUE(writer.MarkFailed(2, -672).ok());
    EXPECT_TRUE(writer.MarkUndone(1).ok());
    EXPECT_TRUE(writer.Close().ok());
    return ReadText(path_);
  }

  fs::path folder_;
  fs::path path_;
};

INSTANTIATE_TEST_SUITE_P(Forms, JournalTest, ::testing::Values(JournalForm::kJsonLines, JournalForm::kLdif));

TEST_P(JournalTest, RoundTripKeepsRecordsAndTheirLastState) {
  Written();
  JournalContent content;
  ASSERT_TRUE(ReadJournal(path_, &content).ok());
  EXPECT_EQ(content.form, GetParam());
  EXPECT_EQ(content.header.tree, "ACME_CORP");
  EXPECT_EQ(content.header.plan, std::optional<std::string>("plan-1"));
  EXPECT_FALSE(content.tornTail);
  ASSERT_EQ(content.entries.size(), 3u);
  const std::vector<JournalRecord> want = Records();
  for (std::size_t i = 0; i < want.size(); ++i) {
    const JournalRecord& got = content.entries[i].record;
    EXPECT_EQ(got.number, static_cast<std::int64_t>(i + 1));
    EXPECT_EQ(std::tie(got.object, got.from, got.to), std::tie(want[i].object, want[i].from, want[i].to));
    ASSERT_EQ(got.removed.size(), want[i].removed.size());
    for (std::size_t k = 0; k < want[i].removed.size(); ++k) {
      EXPECT_EQ(got.removed[k].attribute, want[i].removed[k].attribute);
      EXPECT_EQ(got.removed[k].values, want[i].removed[k].values);
    }
    EXPECT_EQ(got.restoreLdif, GetParam() == JournalForm::kLdif ? want[i].restoreLdif : "");
  }
  EXPECT_EQ(content.entries[0].state, RecordState::kUndone);
  EXPECT_EQ(content.entries[1].state, RecordState::kFailed);
  EXPECT_EQ(content.entries[1].failedStatus, -672);
  EXPECT_EQ(content.entries[2].state, RecordState::kPending);

  struct stat file {
  }, folder{};
  ASSERT_EQ(::stat(path_.c_str(), &file), 0);
  ASSERT_EQ(::stat(path_.parent_path().c_str(), &folder), 0);
  EXPECT_EQ(file.st_mode & 0777, 0600u);
  EXPECT_EQ(folder.st_mode & 0777, 0700u);
  EXPECT_EQ(path_.filename(), GetParam() == JournalForm::kLdif ? "ACME_CORP-20261209T071500Z-1.ldif"
                                                               : "ACME_CORP-20261209T071500Z-1.jsonl");
}

// A mark waits for what is written next: a record, Sync or Close.
TEST_P(JournalTest, MarksAreWrittenWithTheNextRecordOrSync) {
  JournalWriter writer;
  ASSERT_TRUE(writer.OpenNew(path_, GetParam(), {"ACME_CORP", std::nullopt, "2026-12-09T07:15:00Z"}).ok());
  std::vector<JournalRecord> records = Records();
  const auto states = [&] {
    JournalContent content;
    EXPECT_TRUE(ReadJournal(path_, &content).ok());
    std::vector<RecordState> out;
    for (const JournalEntry& e : content.entries) out.push_back(e.state);
    return out;
  };
  ASSERT_TRUE(writer.Append(records[0]).ok());
  ASSERT_TRUE(writer.MarkDone(records[0].number).ok());
  EXPECT_EQ(states(), std::vector<RecordState>{RecordState::kPending});
  ASSERT_TRUE(writer.Append(records[1]).ok());
  EXPECT_EQ(states(), (std::vector<RecordState>{RecordState::kDone, RecordState::kPending}));
  ASSERT_TRUE(writer.MarkDone(records[1].number).ok());
  ASSERT_TRUE(writer.Sync().ok());
  EXPECT_EQ(states(), (std::vector<RecordState>{RecordState::kDone, RecordState::kDone}));
}

TEST_P(JournalTest, EveryCutIsReadAsATornTailThatReopeningCutsOff) {
  const std::string text = Written();
  const std::size_t headerEnd = text.find('\n', GetParam() == JournalForm::kLdif ? text.find('\n') + 1 : 0) + 1;
  for (std::size_t n = 0; n < text.size(); ++n) {
    JournalContent content;
    const FileError e = ReadJournalText(text.substr(0, n), "cut", &content);
    if (n < headerEnd) {
      EXPECT_FALSE(e.ok()) << "cut at " << n;
      continue;
    }
    ASSERT_TRUE(e.ok()) << "cut at " << n << ": " << e.text;
    EXPECT_EQ(content.tornTail, content.soundBytes != n) << "cut at " << n;
    // What stays is a prefix of whole units, and reading it alone gives the same records.
    JournalContent sound;
    ASSERT_TRUE(ReadJournalText(text.substr(0, content.soundBytes), "sound", &sound).ok()) << "cut at " << n;
    EXPECT_FALSE(sound.tornTail);
    EXPECT_EQ(sound.entries.size(), content.entries.size());
  }
  // A kill in the middle of record 3: reopening cuts it and numbers the next record 3.
  const std::size_t third = text.find("\"record\":3");
  std::ofstream(path_, std::ios::binary | std::ios::trunc) << text.substr(0, third + 8);
  JournalWriter writer;
  ASSERT_TRUE(writer.OpenExisting(path_).ok());
  EXPECT_EQ(writer.existing().size(), 2u);
  JournalRecord next = Records()[2];
  ASSERT_TRUE(writer.Append(next).ok());
  EXPECT_EQ(next.number, 3);
  writer.Close();
  JournalContent after;
  ASSERT_TRUE(ReadJournal(path_, &after).ok());
  EXPECT_FALSE(after.tornTail);
  EXPECT_EQ(after.entries.size(), 3u);
}

TEST_P(JournalTest, DamageIsNamedWithItsLine) {
  const std::string text = Written();
  auto lineAt = [&text](std::size_t at) { return std::count(text.begin(), text.begin() + at, '\n') + 1; };
  std::string flipped = text;
  flipped[text.find("Surname") + 1] ^= 0x20;
  std::string renumbered = text;
  renumbered.replace(renumbered.find("\"done\":1"), 8, "\"done\":7");
  struct Case {
    const char* name;
    std::string text;
    std::int64_t line;
    const char* message;
  };
  std::vector<Case> cases = {
      {"foreign file", "dn: cn=a\nchangetype: add\n", 0, "not a journal of this program"},
      {"a plan", "{\"plan\":\"recast-object\",\"version\":1}\n", 0, "not a journal of this program"},
      {"flipped byte", flipped, lineAt(text.find("Surname")), "checksum does not match (the line was edited)"},
      {"edited mark", renumbered, lineAt(text.find("\"done\":1")), "checksum does not match"},
  };
  if (GetParam() == JournalForm::kLdif) {
    const std::size_t blank = text.find("\n\n# recast-object: {\"record\":2") + 1;
    std::string noBlank = text;
    noBlank.erase(blank, 1);
    cases.push_back({"restore record without its blank line", noBlank, lineAt(blank), "blank line"});
  }
  for (const Case& c : cases) {
    JournalContent content;
    const FileError e = ReadJournalText(c.text, "x", &content);
    EXPECT_EQ(e.line, c.line) << c.name << ": " << e.text;
    EXPECT_NE(e.text.find(c.message), std::string::npos) << c.name << ": " << e.text;
  }
}

TEST_P(JournalTest, ConcurrentAppendsGetDistinctNumbersInFileOrder) {
  JournalWriter writer;
  ASSERT_TRUE(writer.OpenNew(path_, GetParam(), {"T", std::nullopt, ""}).ok());
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&writer] {
      for (int i = 0; i < 25; ++i) {
        JournalRecord r = Records()[1];
        if (writer.Append(r).ok()) writer.MarkDone(r.number);
      }
    });
  }
  for (auto& t : threads) t.join();
  ASSERT_TRUE(writer.Close().ok());
  JournalContent content;
  ASSERT_TRUE(ReadJournal(path_, &content).ok());
  ASSERT_EQ(content.entries.size(), 100u);
  for (const JournalEntry& e : content.entries) EXPECT_EQ(e.state, RecordState::kDone);
}

class LdifJournalTest : public JournalTest {};
INSTANTIATE_TEST_SUITE_P(Ldif, LdifJournalTest, ::testing::Values(JournalForm::kLdif));

// The LDIF form is a change file for the LDAP tools as it stands.
TEST_P(LdifJournalTest, IsAChangeFileForTheLdapTools) {
  Written();
  if (std::system("command -v ldapmodify >/dev/null 2>&1") != 0) GTEST_SKIP() << "ldapmodify is not installed";
  // -n only parses and shows; it connects nowhere.
  const std::string command = "ldapmodify -n -H ldap://127.0.0.1:9 -f '" + path_.string() + "' 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
  EXPECT_EQ(::pclose(pipe), 0) << out;
  EXPECT_NE(out.find("modifying entry \"cn=a,o=Org\""), std::string::npos) << out;
  EXPECT_NE(out.rfind("modifying entry \"cn=b,o=Org\""), out.find("modifying entry \"cn=b,o=Org\"")) << out;
}

TEST(JournalPaths, WindowJournalIsOnePerTreeAndUtcDay) {
  EXPECT_EQ(WindowJournalPath("/d", "ACME_CORP", JournalForm::kJsonLines, 1765264500),
            fs::path("/d/journals/window-ACME_CORP-20251209.jsonl"));
  EXPECT_EQ(WindowJournalPath("/d", ".hidden/x", JournalForm::kLdif, 0),
            fs::path("/d/journals/window-_.hidden_x-19700101.ldif"));
}

}  // namespace
}  // namespace recast::engine
