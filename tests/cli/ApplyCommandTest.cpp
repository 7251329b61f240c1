// plan, apply and undo on generated containers: the round trip restores every entry, bad
// input changes nothing, and apply killed at random moments changes every object once.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>

#include "engine/Journal.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/platform/ldap/support/SlapdServer.h"

namespace recast::cli::testing {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

// A tree of `count` Users holding a deletable conflict (Language) for Organizational Person,
// beside a sub-container of three without one.
std::string GeneratedTree(int count) {
  return "tree: GEN_TREE\nschema: classic\n\nlogin: CN=Admin.O=Gen\nrights: write\n\n"
         "entry: O=Gen\nclass: Organization\n\nentry: CN=Admin.O=Gen\nclass: User\nSurname: Admin\n\n"
         "entry: OU=Gen.O=Gen\nclass: Organizational Unit\n\nentry: OU=Sub.OU=Gen.O=Gen\nclass: Organizational Unit\n\n"
         "generate: CN=u{n:4}.OU=Gen.O=Gen\ncount: " +
         std::to_string(count) +
         "\nclass: User\nSurname: S{n}\nLanguage: English\nTitle: T{n}\n\n"
         "generate: CN=s{n}.OU=Sub.OU=Gen.O=Gen\ncount: 3\nclass: User\nSurname: S{n}\n\n";
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string LastLine(const std::string& text) {
  const Strings lines = Lines(text);
  return lines.empty() ? std::string() : lines.back();
}

// The journal's done records per object.
std::map<std::string, int> DoneRecords(const fs::path& journal) {
  engine::JournalContent content;
  const engine::FileError error = engine::ReadJournal(journal, &content);
  EXPECT_TRUE(error.ok()) << error.text;
  std::map<std::string, int> done;
  for (const engine::JournalEntry& e : content.entries) {
    if (e.state == engine::RecordState::kDone) ++done[e.record.object];
  }
  return done;
}

class StoreTest : public ::testing::Test {
 protected:
  void Make(int count) {
    ASSERT_EQ(home_.CreateStore(GeneratedTree(count), "gen.db"), "");
    Configure();
  }
  void Configure() {
    home_.Configure("[Gen]\nTree=GEN_TREE\nService=" + (home_.path() / "gen.db").string() + "\nLogin=CN=Admin.O=Gen\n");
  }
  Strings Entries() {
    const auto client = home_.Client();
    return Dump(*client, "GEN_TREE", "OU=Gen.O=Gen");
  }
  Result Plan(const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args = {
        "plan",  "--tree",           "GEN_TREE", "--container", "OU=Gen", "--to", "Organizational Person",
        "--out", PlanFile().string()};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunProgram(home_, args);
  }
  fs::path PlanFile() const { return home_.path() / "gen.plan"; }

  Home home_;
};

TEST_F(StoreTest, PlanApplyUndoRoundTripRestoresEveryEntry) {
  Make(20);
  const Strings before = Entries();
  ASSERT_EQ(before.size(), 24u);

  const Result plan = Plan({"--subtree", "--from", "User"});
  ASSERT_EQ(plan.exitCode, 0) << plan.err;
  EXPECT_EQ(Lines(plan.out).front(),
            "23 objects: 0 without conflicts, 3 with unvalued conflicts only, 20 to delete conflicts first, "
            "0 blocked, 0 missing mandatory values, 0 incomplete");

  // Without --delete-conflicts only those without valued conflicts change.
  const Result first = RunProgram(home_, {"apply", PlanFile().string()});
  EXPECT_EQ(first.exitCode, 1) << first.err;
  EXPECT_NE(first.out.find("not changed: CN=u0001.OU=Gen: valued conflicts (Language) must be deleted first; add "
                           "--delete-conflicts"),
            std::string::npos)
      << first.out;
  EXPECT_NE(first.out.find("changed: CN=s1.OU=Sub.OU=Gen (User -> Organizational Person)"), std::string::npos)
      << first.out;

  const Result second = RunProgram(home_, {"apply", PlanFile().string(), "--delete-conflicts", "--jobs", "3"});
  EXPECT_EQ(second.exitCode, 0) << second.out << second.err;
  EXPECT_NE(second.out.find("already done: CN=s1.OU=Sub.OU=Gen"), std::string::npos) << second.out;
  const fs::path journal = LastLine(second.out);
  EXPECT_EQ(journal.parent_path(), home_.DataFolder() / "journals");
  struct stat st {};
  ASSERT_EQ(::stat(journal.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  const Strings after = Entries();
  for (const std::string& entry : after) {
    if (entry.find("CN=Admin") != std::string::npos || entry.find("[Organizational Unit]") != std::string::npos)
      continue;
    EXPECT_NE(entry.find("[Organizational Person]"), std::string::npos) << entry;
    EXPECT_EQ(entry.find("Language"), std::string::npos) << entry;
  }

  const Result undo = RunProgram(home_, {"undo", journal.string()});
  EXPECT_EQ(undo.exitCode, 0) << undo.out << undo.err;
  EXPECT_NE(undo.out.find("put back: CN=u0020.OU=Gen"), std::string::npos) << undo.out;
  EXPECT_EQ(Entries(), before);
  const Result again = RunProgram(home_, {"undo", journal.string()});
  EXPECT_EQ(again.exitCode, 0);
  EXPECT_EQ(LastLine(again.out).substr(0, 13), "0 put back, 2");
  EXPECT_EQ(Entries(), before);
}

// An object whose conflicting values or class changed after planning is left as it is, named
// with what changed: a valued conflict's value, an attribute that was empty and is no longer,
// its class.
TEST_F(StoreTest, ObjectsChangedSincePlanningAreLeftAlone) {
  Make(4);
  ASSERT_EQ(Plan({"--from", "User"}).exitCode, 0);
  EXPECT_NE(ReadText(PlanFile()).find("\"Login Disabled\""), std::string::npos);  // an unvalued conflict
  const std::string tree = GeneratedTree(4);
  std::string changed = tree.substr(0, tree.find("generate:"));  // the containers, no users
  changed +=
      "entry: CN=u0001.OU=Gen.O=Gen\nclass: User\nSurname: S1\nLanguage: French\nTitle: T1\n\n"
      "entry: CN=u0002.OU=Gen.O=Gen\nclass: User\nSurname: S2\nLanguage: English\nTitle: T2\n"
      "Login Disabled: FALSE\n\n"
      "entry: CN=u0003.OU=Gen.O=Gen\nclass: User\nSurname: S3\nLanguage: English\nTitle: T3\n\n"
      "entry: CN=u0004.OU=Gen.O=Gen\nclass: Organizational Person\nSurname: S4\nTitle: T4\n\n";
  fs::remove(home_.path() / "gen.db");
  ASSERT_EQ(home_.CreateStore(changed, "gen.db"), "");
  const Result apply = RunProgram(home_, {"apply", PlanFile().string(), "--delete-conflicts"});
  EXPECT_EQ(apply.exitCode, 1) << apply.err;
  EXPECT_NE(apply.out.find("changed since the plan: CN=u0001.OU=Gen: the value of \"Language\" is not the same; "
                           "make the plan again"),
            std::string::npos)
      << apply.out;
  EXPECT_NE(apply.out.find("changed since the plan: CN=u0002.OU=Gen: its conflicting attributes are not the same"),
            std::string::npos)
      << apply.out;
  EXPECT_NE(apply.out.find("changed: CN=u0003.OU=Gen (User -> Organizational Person)"), std::string::npos) << apply.out;
  EXPECT_NE(apply.out.find("changed since the plan: CN=u0004.OU=Gen: its class is now \"Organizational Person\", was "
                           "\"User\"; make the plan again"),
            std::string::npos)
      << apply.out;
}

// Every bad input is named with its cause, and the directory stays as it was.
TEST_F(StoreTest, BadInputChangesNothing) {
  Make(5);
  ASSERT_EQ(Plan().exitCode, 0);
  const std::string plan = ReadText(PlanFile());
  const Strings before = Entries();
  const auto write = [&](const std::string& name, const std::string& text) {
    std::ofstream(home_.path() / name, std::ios::binary) << text;
    return (home_.path() / name).string();
  };
  std::string edited = plan;
  edited.replace(edited.find("u0003"), 5, "u0004");
  const std::string truncated = plan.substr(0, plan.rfind("{\"summary\""));
  const std::string otherTree = write("other.plan", plan);

  struct Case {
    const char* what;
    Strings args;
    int exitCode;
    const char* message;
  };
  const Case cases[] = {
      {"edited", {"apply", write("edited.plan", edited)}, 1, "checksum"},
      {"truncated", {"apply", write("truncated.plan", truncated)}, 1, "truncated"},
      {"not a plan", {"apply", write("notes.txt", "hello\n")}, 1, "not a plan"},
      {"missing", {"apply", (home_.path() / "absent.plan").string()}, 1, "absent.plan"},
      {"no jobs", {"apply", PlanFile().string(), "--jobs", "0"}, 2, "--jobs takes a number from 1 to 64"},
      {"two plans", {"apply", PlanFile().string(), PlanFile().string()}, 2, "apply needs one plan file"},
      {"not a journal", {"undo", write("notes.jsonl", "{}\n")}, 1, "nothing was changed"},
      {"unknown container",
       {"plan", "--tree", "GEN_TREE", "--container", "OU=None", "--to", "Person", "--out",
        (home_.path() / "x.plan").string()},
       1,
       "No object \"OU=None\""},
      {"unknown class",
       {"plan", "--tree", "GEN_TREE", "--container", "OU=Gen", "--to", "Persona", "--out",
        (home_.path() / "x.plan").string()},
       1,
       "Unknown class \"Persona\""},
      {"no out", {"plan", "--tree", "GEN_TREE", "--container", "OU=Gen", "--to", "Person"}, 2, "plan needs --out"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Result r = RunProgram(home_, c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.out;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_FALSE(fs::exists(home_.path() / "x.plan"));

  // A configuration without the plan's tree.
  home_.Configure("[Other]\nTree=OTHER_TREE\nService=" + (home_.path() / "other.db").string() + "\n");
  const Result r = RunProgram(home_, {"apply", otherTree});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("was made for tree GEN_TREE"), std::string::npos) << r.err;
  Configure();
  EXPECT_EQ(Entries(), before);
}

// Starts apply again and again, killing it at random moments, then lets it finish: every
// object has exactly one done record and undo brings the entries back.
// Kills come between minMicros and maxMicros after each start.
void KillAndResume(const Home& home, const std::vector<std::string>& apply, int objects, int kills, int minMicros,
                   int maxMicros, const std::function<Strings()>& entries, const Strings& before) {
  std::mt19937 random(20261209);
  int killed = 0;
  for (int attempt = 0; killed < kills && attempt < kills * 4; ++attempt) {
    const pid_t pid = Start(home, apply);
    ASSERT_GT(pid, 0);
    ::usleep(std::uniform_int_distribution<int>(minMicros, maxMicros)(random));
    if (::kill(pid, SIGKILL) == 0) ++killed;
    Wait(pid);
  }
  EXPECT_GE(killed, kills);
  const Result last = RunProgram(home, apply);
  std::string unexpected;  // lines other than the expected outcomes
  for (const std::string& line : Lines(last.out)) {
    if (line.rfind("already done: ", 0) != 0 && line.rfind("changed: ", 0) != 0) unexpected += line + "\n";
  }
  ASSERT_EQ(last.exitCode, 0) << last.err << unexpected;
  EXPECT_NE(last.out.find("already done: "), std::string::npos) << "no kill came after a change";
  const std::map<std::string, int> done = DoneRecords(LastLine(last.out));
  EXPECT_EQ(done.size(), static_cast<std::size_t>(objects));
  for (const auto& [object, count] : done) EXPECT_EQ(count, 1) << object;

  const Result undo = RunProgram(home, {"undo", LastLine(last.out)});
  EXPECT_EQ(undo.exitCode, 0) << LastLine(undo.out) << undo.err;
  EXPECT_EQ(FirstDifference(entries(), before), "");
}

TEST_F(StoreTest, ApplyKilledAtRandomMomentsChangesEachObjectOnce) {
  constexpr int kObjects = 2000;
  Make(kObjects);
  const Strings before = Entries();
  ASSERT_EQ(Plan({"--from", "User"}).exitCode, 0);
  KillAndResume(
      home_, {"apply", PlanFile().string(), "--delete-conflicts"}, kObjects, 20, 100'000, 900'000,
      [this] { return Entries(); }, before);
}

// A plan that cannot be written whole (here the file size limit, as a full disk) says why and
// leaves no plan and no scrap: the failure comes while objects are still being read.
TEST_F(StoreTest, APlanThatCannotBeWrittenLeavesNothing) {
  Make(6000);  // a plan larger than the writer's buffer
  const pid_t child = ::fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{512 * 1024, 512 * 1024};
    ::_exit(::setrlimit(RLIMIT_FSIZE, &limit) == 0 ? Plan().exitCode : 120);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string err = ReadText(home_.path() / "stderr.txt");
  EXPECT_NE(err.find("Cannot write the plan " + PlanFile().string()), std::string::npos) << err;
  for (const auto& entry : fs::directory_iterator(home_.path())) {
    EXPECT_EQ(entry.path().filename().string().find("gen.plan"), std::string::npos) << entry.path();
  }
}

// A stop signal ends apply after the object at hand, its mark written, with 128 + the signal.
TEST_F(StoreTest, StopSignalFinishesTheObjectAtHand) {
  for (const int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    // A fresh store and plan for each signal, so that the work left outlasts the wait below.
    for (const char* file : {"gen.db", "gen.db-wal", "gen.db-shm", "gen.db-journal"}) fs::remove(home_.path() / file);
    Make(1500);
    ASSERT_EQ(Plan({"--from", "User"}).exitCode, 0);
    const pid_t pid = Start(home_, {"apply", PlanFile().string(), "--delete-conflicts"});
    ::usleep(700'000);
    ASSERT_EQ(::kill(pid, signal), 0);
    EXPECT_EQ(Wait(pid), 128 + signal);
    const std::string out = ReadText(home_.path() / "stdout.txt");
    engine::JournalContent journal;
    ASSERT_TRUE(engine::ReadJournal(LastLine(out), &journal).ok()) << out;
    EXPECT_FALSE(journal.tornTail);
    for (const engine::JournalEntry& e : journal.entries) EXPECT_NE(e.state, engine::RecordState::kPending);
    EXPECT_NE(ReadText(home_.path() / "stderr.txt").find("run the same apply again"), std::string::npos);
  }
}

TEST(SlapdApplyTest, ApplyKilledAtRandomMomentsChangesEachObjectOnce) {
  constexpr int kObjects = 2000;
  std::string ldif = "dn: ou=Kill,o=Org\nobjectClass: organizationalUnit\nou: Kill\n\n";
  for (int i = 0; i < kObjects; ++i) {
    const std::string cn = "p" + std::to_string(i);
    // The class chain as a class change writes it, so that undo's result compares equal.
    ldif += "dn: cn=" + cn +
            ",ou=Kill,o=Org\nobjectClass: inetOrgPerson\nobjectClass: organizationalPerson\n"
            "objectClass: person\nobjectClass: top\ncn: " +
            cn + "\nsn: S" + cn + "\nmail: " + cn + "@example.org\n\n";
  }
  std::string error;
  const auto server = ldap::testing::SlapdServer::Start(ldap::testing::Seeded(ldif), &error);
  ASSERT_TRUE(server) << error;
  Home home;
  const fs::path password = server->PasswordFile("cli-password", ldap::testing::kPassword, 0600);
  home.Configure("[Ldap]\nTree=LDAP_TREE\nService=" + server->Url() + "\nLogin=" + ldap::testing::kRootDn +
                 "\nPasswordFile=" + password.string() + "\nRelaxRules=yes\n");
  const auto entries = [&home] {
    const auto client = home.Client();
    return Dump(*client, "LDAP_TREE", "OU=Kill.O=Org", {"entryCSN", "modifyTimestamp", "modifiersName"});
  };
  const Strings before = entries();
  ASSERT_EQ(before.size(), static_cast<std::size_t>(kObjects));
  const fs::path plan = home.path() / "kill.plan";
  const Result planned = RunProgram(home, {"plan", "--tree", "LDAP_TREE", "--container", "ou=Kill,o=Org", "--to",
                                           "organizationalPerson", "--out", plan.string()});
  ASSERT_EQ(planned.exitCode, 0) << planned.err;
  const std::string counted = std::to_string(kObjects) + " objects: 0 without conflicts";
  EXPECT_EQ(Lines(planned.out).front().substr(0, counted.size()), counted) << planned.out;
  KillAndResume(home, {"apply", plan.string(), "--delete-conflicts", "--jobs", "2"}, kObjects, 20, 100'000, 900'000,
                entries, before);
}

}  // namespace
}  // namespace recast::cli::testing
