#include "cli/CommandLine.h"

#include <cstring>
#include <ostream>

#include "cli/Commands.h"
#include "util/Format.h"

namespace recast::cli {

namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  recast-object                 open the window\n"
    "  recast-object analyse --tree T --object NAME --to CLASS [--json]\n"
    "  recast-object plan --tree T --container NAME --to CLASS [--from CLASS] [--subtree] --out PLAN\n"
    "  recast-object apply PLAN [--delete-conflicts] [--jobs N]\n"
    "  recast-object undo JOURNAL [--object NAME]\n"
    "  recast-object --help | --version\n";

constexpr const char* kHelp =
    "\n"
    "analyse  shows what the window shows for one object and a target class: the conflict lines,\n"
    "         the explanations, the verdict. Exit 0: it can be recast now; 3: valued conflicts must\n"
    "         be deleted first; 4: undeletable conflicts; 1: an error; 2: a wrong command line.\n"
    "plan     analyses every object of a container (only those of --from's class; the whole\n"
    "         subtree with --subtree) and writes the plan file, changing nothing.\n"
    "apply    changes the class of every object of the plan that has not changed since, keeping a\n"
    "         journal of what each change removes. Objects with valued conflicts are changed only\n"
    "         with --delete-conflicts; blocked ones never. Run it again after an interruption: it\n"
    "         goes on where it stopped. --jobs N works with N connections at once.\n"
    "undo     puts back what a journal records, newest change first (--object: that one only).\n"
    "\n"
    "Names are written as the window shows them (typed or typeless, relative to the login's\n"
    "container; a leading \".\" counts from the top); LDAP trees also take DNs. Journals are kept\n"
    "in the data folder's \"journals\" folder, readable by the user only.\n";

std::vector<std::string> Words(int argc, const char* const* argv, int from) {
  std::vector<std::string> words;
  for (int i = from; i < argc; ++i) words.emplace_back(argv[i]);
  return words;
}

}  // namespace

int UsageError(const Environment& env, const std::string& message) {
  *env.err << "recast-object: " << message << "\n" << kUsage;
  return kExitUsage;
}

int Failure(const Environment& env, const std::string& message) {
  *env.err << "recast-object: " << message << "\n";
  return kExitFailed;
}

bool WantsCommandLine(int argc, const char* const* argv) { return argc > 1 && argv[1] != nullptr; }

int RunCommandLine(int argc, const char* const* argv, const Environment& env) {
  if (argc < 2) return UsageError(env, "no command given");
  const std::string command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") {
    *env.out << kUsage << kHelp;
    return kExitOk;
  }
  if (command == "--version") return env.reportVersion ? env.reportVersion(*env.out) : kExitOk;

  struct Entry {
    const char* name;
    std::vector<OptionSpec> options;
    int (*run)(const Arguments&, const Environment&);
  };
  const Entry commands[] = {
      {"analyse", {{"--tree", true}, {"--object", true}, {"--to", true}, {"--json", false}}, RunAnalyse},
      {"plan",
       {{"--tree", true},
        {"--container", true},
        {"--to", true},
        {"--from", true},
        {"--subtree", false},
        {"--out", true}},
       RunPlan},
      {"apply", {{"--delete-conflicts", false}, {"--jobs", true}}, RunApply},
      {"undo", {{"--object", true}}, RunUndo},
  };
  for (const Entry& entry : commands) {
    if (command != entry.name) continue;
    Arguments args;
    const std::string error = ParseArguments(command, Words(argc, argv, 2), entry.options, &args);
    if (!error.empty()) return UsageError(env, error);
    return entry.run(args, env);
  }
  return UsageError(env, Format("unknown command \"%s\"", {command}));
}

}  // namespace recast::cli
