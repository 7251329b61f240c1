// analyse: what the window shows for one object and a target class.
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/Commands.h"
#include "cli/TreeConnection.h"
#include "directory/ClassDefinitions.h"
#include "engine/Analysis.h"

namespace recast::cli {

namespace {

int ExitCodeOf(engine::Verdict verdict) {
  switch (verdict) {
    case engine::Verdict::kNoConflicts:
    case engine::Verdict::kUnvaluedOnly:
      return kExitOk;
    case engine::Verdict::kDeleteFirst:
      return kExitDeleteFirst;
    case engine::Verdict::kBlocked:
    case engine::Verdict::kMissingMandatory:
      return kExitBlocked;
    default:
      return kExitFailed;
  }
}

nlohmann::json AsJson(const TreeConnection& tree, const std::string& object, const std::string& objectClass,
                      const std::string& target, const engine::Analysis& a) {
  nlohmann::json delta = nlohmann::json::array();
  for (std::size_t i = 0; i < a.delta.size(); ++i) {
    const engine::Conflict& c = a.conflicts[i];
    delta.push_back({{"text", a.delta[i].text},
                     {"mark", std::string(1, c.mark)},
                     {"attribute", c.attribute},
                     {"value", c.value},
                     {"reference", a.delta[i].reference}});
  }
  return {{"tree", tree.tree()},
          {"object", object},
          {"class", objectClass},
          {"target", target},
          {"delta", delta},
          {"info", a.info},
          {"verdict", engine::VerdictName(a.verdict)},
          {"summary", a.summary},
          {"counters",
           {{"undeletable", a.undeletable},
            {"deletable", a.deletable},
            {"entries", a.entries},
            {"unreadable", a.unreadable}}},
          {"canRecast", a.canRecast},
          {"canDelete", a.canDelete}};
}

}  // namespace

int RunAnalyse(const Arguments& args, const Environment& env) {
  if (!args.positional.empty()) return UsageError(env, "analyse takes no file argument");
  for (const char* required : {"--tree", "--object", "--to"}) {
    if (!args.Has(required)) return UsageError(env, std::string("analyse needs ") + required);
  }
  std::string error;
  const std::unique_ptr<TreeConnection> tree = TreeConnection::Open(env, args.Value("--tree"), &error);
  if (!tree) return Failure(env, error);

  const std::string object = DirectoryName(args.Value("--object"));
  const std::string target = args.Value("--to");
  std::string objectClass;
  if (const DirStatus s = ReadBaseClass(tree->session(), tree->ctx(), object, &objectClass); s != 0) {
    return Failure(env, UnknownObjectMessage(*tree, object, s));
  }
  engine::ObjectAnalyser analyser(tree->session());
  engine::Analysis a;
  if (const DirStatus s = analyser.Analyse(tree->ctx(), object, objectClass, target, &a); s != 0) {
    // Either definition may be the one missing: the target's is asked again to tell.
    VectorTaggedList probe;
    const DirStatus targetStatus = ReadClassAttributes(tree->session(), tree->ctx(), target, probe);
    return Failure(env, targetStatus != 0 ? UnknownClassMessage(*tree, target, targetStatus)
                                          : UnknownClassMessage(*tree, objectClass, s));
  }

  std::ostream& out = *env.out;
  if (args.Has("--json")) {
    out << AsJson(*tree, object, objectClass, target, a).dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
        << "\n";
  } else {
    for (const engine::DeltaLine& line : a.delta) out << line.text << "\n";
    out << "\n";
    for (const std::string& line : a.info) out << line << "\n";
    out << "\n" << a.summary << "\n";
  }
  out.flush();
  if (a.verdict == engine::Verdict::kIncomplete) *env.err << "recast-object: " << a.summary << "\n";
  return ExitCodeOf(a.verdict);
}

}  // namespace recast::cli
