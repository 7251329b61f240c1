// The command line at scale, side by side with its peers in one run:
//   plan of a 100,000-entry container   beside one paged ldapsearch returning the same entries
//                                        with every attribute the plan reads;
//   apply of 10,000 class changes        beside ldapmodify -e relax applying the same changes,
//                                        with --jobs 1 and --jobs 4 (RelaxRules, journaled);
//   the same two on the embedded store   (no peer: entries per second).
// RECAST_BENCH_HOLD=1 keeps the slapd of the run up for profiling, prints the command to run and
// waits for a line on standard input (run it as "sleep 3600 | cli_bench" to keep it up).
// Each command runs as its own process; its wall time and peak resident memory (wait4) are
// printed. Over slapd each side runs three times, alternating, and the medians are compared. Run:
// build/bench/cli/cli_bench [plan-entries] [apply-entries]

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/embedded/StoreCreator.h"
#include "tests/platform/ldap/support/SlapdServer.h"

namespace {

namespace fs = std::filesystem;
using recast::ldap::testing::SlapdServer;

struct Outcome {
  int exitCode = -1;
  double seconds = 0;
  long peakKib = 0;
};

// Runs argv with stdout to outFile (or /dev/null) and stderr to errFile.
Outcome Run(const std::vector<std::string>& argv, const fs::path& outFile = "/dev/null",
            const fs::path& errFile = "/dev/null") {
  Outcome outcome;
  std::fflush(stdout);  // the child must not print the parent's buffered lines again
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid < 0) return outcome;
  if (pid == 0) {
    std::FILE* out = std::freopen(outFile.c_str(), "w", stdout);
    std::FILE* err = std::freopen(errFile.c_str(), "a", stderr);
    (void)out;
    (void)err;
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (::wait4(pid, &status, 0, &usage) != pid) return outcome;
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  outcome.peakKib = usage.ru_maxrss;
  return outcome;
}

void Check(const Outcome& o, const char* what, const fs::path& log) {
  if (o.exitCode == 0) return;
  std::fprintf(stderr, "%s failed (exit %d); see %s\n", what, o.exitCode, log.c_str());
  std::exit(1);
}

void Row(const char* what, const Outcome& o, int entries) {
  std::printf("%-44s %8.2f s %10.0f entries/s %8.1f MiB peak\n", what, o.seconds, entries / o.seconds,
              o.peakKib / 1024.0);
}

std::string PeopleLdif(const std::string& ou, int count) {
  std::string ldif = "dn: ou=" + ou + ",o=Org\nobjectClass: organizationalUnit\nou: " + ou + "\n\n";
  for (int i = 0; i < count; ++i) {
    const std::string cn = "p" + std::to_string(i);
    ldif += "dn: cn=" + cn + ",ou=" + ou + ",o=Org\nobjectClass: inetOrgPerson\ncn: " + cn + "\nsn: S" + cn +
            "\ntelephoneNumber: +1 555 " + std::to_string(i) + "\n\n";
  }
  return ldif;
}

// The same class change for every entry of ou, as ldapmodify takes it; back: the change that
// puts inetOrgPerson back.
std::string ClassChangeLdif(const std::string& ou, int count, bool back) {
  std::string ldif;
  for (int i = 0; i < count; ++i) {
    ldif += "dn: cn=p" + std::to_string(i) + ",ou=" + ou + ",o=Org\nchangetype: modify\nreplace: objectClass\n" +
            (back ? "objectClass: inetOrgPerson\n" : "") +
            "objectClass: organizationalPerson\nobjectClass: person\nobjectClass: top\n-\n\n";
  }
  return ldif;
}

constexpr int kRounds = 3;

// The run of median time, with the highest peak memory of all.
Outcome Median(std::vector<Outcome> runs) {
  std::sort(runs.begin(), runs.end(), [](const Outcome& a, const Outcome& b) { return a.seconds < b.seconds; });
  Outcome median = runs[runs.size() / 2];
  for (const Outcome& o : runs) median.peakKib = std::max(median.peakKib, o.peakKib);
  return median;
}

void Write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// A private home for the program: its configuration and data folders.
void UseHome(const fs::path& home) {
  fs::create_directories(home / ".config/recast-object");
  fs::create_directories(home / ".local/share");
  ::setenv("HOME", home.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (home / ".local/share").c_str(), 1);
}

// Answers false when it only held the server for profiling.
bool BenchLdap(const fs::path& work, int planCount, int applyCount) {
  std::string error;
  auto server =
      SlapdServer::Start(recast::ldap::testing::Seeded(PeopleLdif("Plan", planCount) + PeopleLdif("Peer", applyCount) +
                                                       PeopleLdif("Jobs1", applyCount) +
                                                       PeopleLdif("Jobs4", applyCount) + PeopleLdif("Small", 1000)),
                         &error);
  if (!server) {
    std::fprintf(stderr, "slapd: %s\n", error.c_str());
    std::exit(1);
  }
  const fs::path home = work / "ldap-home";
  UseHome(home);
  const fs::path password = server->PasswordFile("bench-password", recast::ldap::testing::kPassword, 0600);
  Write(home / ".config/recast-object/connections.ini",
        "[Bench]\nTree=BENCH\nService=" + server->Url() + "\nLogin=" + recast::ldap::testing::kRootDn +
            "\nPasswordFile=" + password.string() + "\nRelaxRules=yes\n");
  const fs::path log = work / "ldap.log";
  const std::string program = RECAST_PROGRAM;
  const auto plan = [&](const std::string& ou, const fs::path& out) {
    return Run({program, "plan", "--tree", "BENCH", "--container", "ou=" + ou + ",o=Org", "--to",
                "organizationalPerson", "--out", out.string()},
               "/dev/null", log);
  };

  std::printf("== slapd on 127.0.0.1, %d entries to plan, %d class changes\n", planCount, applyCount);
  if (std::getenv("RECAST_BENCH_HOLD")) {
    // For profiling: the server and the program's home stay up until a line is read.
    std::printf("HOME=%s %s plan --tree BENCH --container ou=Plan,o=Org --to organizationalPerson --out x.plan\n",
                home.c_str(), program.c_str());
    std::fflush(stdout);
    std::getchar();
    return false;
  }
  // The server's speed drifts from run to run: each side runs kRounds times, alternating, the
  // containers put back between rounds, and the medians are compared.
  const auto ldap = [&](const char* tool, const std::vector<std::string>& more) {
    std::vector<std::string> argv = {
        tool, "-x", "-H", server->Url(), "-D", recast::ldap::testing::kRootDn, "-w", recast::ldap::testing::kPassword};
    argv.insert(argv.end(), more.begin(), more.end());
    return Run(argv, "/dev/null", log);
  };
  const auto modifyWith = [&](const fs::path& ldif) {
    return ldap("ldapmodify", {"-e", "relax", "-f", ldif.string()});
  };
  std::vector<Outcome> searches, plans, modifies;
  std::map<std::string, std::vector<Outcome>> applies;
  for (const std::string ou : {"Peer", "Jobs1", "Jobs4"}) {
    Write(work / (ou + ".ldif"), ClassChangeLdif(ou, applyCount, false));
    Write(work / (ou + "-back.ldif"), ClassChangeLdif(ou, applyCount, true));
  }
  for (int round = 0; round < kRounds; ++round) {
    // The attributes the plan's listing asks for: the user attributes, the modification time
    // it records, and the two operational ones it tells the base class and containers by.
    searches.push_back(
        ldap("ldapsearch", {"-LLL", "-b", "ou=Plan,o=Org", "-s", "one", "-E", "pr=1000/noprompt", "(objectClass=*)",
                            "*", "modifyTimestamp", "hasSubordinates", "structuralObjectClass"}));
    Check(searches.back(), "ldapsearch", log);
    plans.push_back(plan("Plan", work / "large.plan"));
    Check(plans.back(), "plan", log);
    modifies.push_back(modifyWith(work / "Peer.ldif"));
    Check(modifies.back(), "ldapmodify -e relax", log);
    Check(modifyWith(work / "Peer-back.ldif"), "ldapmodify (putting the classes back)", log);
    for (const auto& [ou, jobs] : {std::pair<std::string, const char*>{"Jobs1", "1"}, {"Jobs4", "4"}}) {
      const fs::path planFile = work / (ou + ".plan");
      Check(plan(ou, planFile), "plan", log);
      applies[jobs].push_back(Run({program, "apply", planFile.string(), "--jobs", jobs}, "/dev/null", log));
      Check(applies[jobs].back(), "apply", log);
      Check(modifyWith(work / (ou + "-back.ldif")), "ldapmodify (putting the classes back)", log);
    }
  }
  const Outcome search = Median(searches);
  const Outcome large = Median(plans);
  const Outcome small = plan("Small", work / "small.plan");
  Check(small, "plan (1,000 entries)", log);
  std::printf("   medians of %d rounds\n", kRounds);
  Row("ldapsearch -E pr=1000 (the plan's attributes)", search, planCount);
  Row("recast-object plan", large, planCount);
  std::printf("   plan / ldapsearch: %.2fx; peak memory growth from 1,000 to %d entries: %.1f MiB\n",
              large.seconds / search.seconds, planCount, (large.peakKib - small.peakKib) / 1024.0);
  const Outcome modify = Median(modifies);
  Row("ldapmodify -e relax", modify, applyCount);
  for (const char* jobs : {"1", "4"}) {
    const Outcome apply = Median(applies[jobs]);
    Row(("recast-object apply --jobs " + std::string(jobs)).c_str(), apply, applyCount);
    std::printf("   apply / ldapmodify: %.2fx\n", apply.seconds / modify.seconds);
  }
  return true;
}

void BenchEmbedded(const fs::path& work, int planCount, int applyCount) {
  const fs::path home = work / "store-home";
  UseHome(home);
  std::string data =
      "tree: BENCH_STORE\nschema: classic\n\nlogin: CN=Admin.O=Bench\nrights: write\n\n"
      "entry: O=Bench\nclass: Organization\n\nentry: CN=Admin.O=Bench\nclass: User\nSurname: Admin\n\n";
  for (const auto& [ou, count] : {std::pair<std::string, int>{"Plan", planCount}, {"Apply", applyCount}}) {
    data += "entry: OU=" + ou + ".O=Bench\nclass: Organizational Unit\n\n";
    data += "generate: CN=p{n}.OU=" + ou + ".O=Bench\ncount: " + std::to_string(count) +
            "\nclass: Organizational Person\nSurname: S{n}\nTitle: T{n}\n\n";
  }
  Write(work / "bench-store.txt", data);
  recast::embedded::LoadError error;
  if (recast::embedded::CreateStoreFromData({RECAST_SCHEMA_FILE, work / "bench-store.txt"}, home / "bench.db",
                                            &error) != 0) {
    std::fprintf(stderr, "store: %s\n", error.Text().c_str());
    std::exit(1);
  }
  Write(home / ".config/recast-object/connections.ini",
        "[Store]\nTree=BENCH_STORE\nService=" + (home / "bench.db").string() + "\nLogin=CN=Admin.O=Bench\n");
  const fs::path log = work / "store.log";
  const std::string program = RECAST_PROGRAM;
  std::printf("== embedded store, %d entries to plan, %d class changes\n", planCount, applyCount);
  for (const auto& [ou, count] : {std::pair<std::string, int>{"Plan", planCount}, {"Apply", applyCount}}) {
    const fs::path planFile = work / ("store-" + ou + ".plan");
    const Outcome plan = Run({program, "plan", "--tree", "BENCH_STORE", "--container", ".OU=" + ou + ".O=Bench", "--to",
                              "Person", "--out", planFile.string()},
                             "/dev/null", log);
    Check(plan, "plan", log);
    Row(("recast-object plan (" + std::to_string(count) + ")").c_str(), plan, count);
    if (ou != "Apply") continue;
    const Outcome apply = Run({program, "apply", planFile.string(), "--delete-conflicts"}, "/dev/null", log);
    Check(apply, "apply", log);
    Row("recast-object apply --delete-conflicts", apply, count);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int planCount = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int applyCount = argc > 2 ? std::atoi(argv[2]) : 10000;
  char pattern[] = "/tmp/recast-cli-bench-XXXXXX";
  if (!::mkdtemp(pattern)) return 1;
  const fs::path work = pattern;
  if (BenchLdap(work, planCount, applyCount)) BenchEmbedded(work, planCount, applyCount);
  std::error_code ec;
  fs::remove_all(work, ec);
  return 0;
}
