// plan: analyses every object of a container (or subtree) and writes the plan, changing
// nothing.
#include <cstring>
#include <ostream>

#include "cli/Commands.h"
#include "cli/PlanWriteBehind.h"
#include "cli/Progress.h"
#include "cli/TreeConnection.h"
#include "directory/ClassDefinitions.h"
#include "directory/Contexts.h"
#include "directory/DirGuards.h"
#include "directory/Listing.h"
#include "directory/Names.h"
#include "engine/Analysis.h"
#include "engine/PlanFile.h"
#include "util/Format.h"

namespace recast::cli {

namespace {

constexpr DirStatus kListingEnded = -1;  // NextEntry's normal end

}  // namespace

int RunPlan(const Arguments& args, const Environment& env) {
  if (!args.positional.empty()) return UsageError(env, "plan takes no file argument; name the plan with --out");
  for (const char* required : {"--tree", "--container", "--to", "--out"}) {
    if (!args.Has(required)) return UsageError(env, std::string("plan needs ") + required);
  }
  const std::filesystem::path out = args.Value("--out");
  std::error_code ec;
  const std::filesystem::path folder = out.parent_path().empty() ? "." : out.parent_path();
  if (!std::filesystem::is_directory(folder, ec)) {
    return Failure(
        env, Format("The folder of the plan %s does not exist; create it or name another --out.", {out.string()}));
  }

  std::string error;
  const std::unique_ptr<TreeConnection> tree = TreeConnection::Open(env, args.Value("--tree"), &error);
  if (!tree) return Failure(env, error);
  DirectorySession& session = tree->session();

  const std::string target = args.Value("--to");
  const std::string from = args.Value("--from");
  for (const std::string& className : {target, from}) {
    if (className.empty()) continue;
    VectorTaggedList probe;
    if (const DirStatus s = ReadClassAttributes(session, tree->ctx(), className, probe); s != 0) {
      return Failure(env, UnknownClassMessage(*tree, className, s));
    }
  }
  const std::string container = DirectoryName(args.Value("--container"));
  std::string absolute;
  if (AbsoluteName(container, tree->defaultContext(), &absolute) != 0) {
    return Failure(env, UnknownObjectMessage(*tree, container, kErrBadName));
  }

  // The listing's context also fetches the listed entries' values, so that the analysis of
  // each entry reads what its page brought (one request per page, not per entry).
  TreeConnection* lister = tree.get();
  ScopedContext listCtx;
  if (const DirStatus s = listCtx.Duplicate(lister->client(), lister->ctx()); s != 0) {
    return Failure(env, Format("Cannot create a directory context: %s", {tree->ErrorText(s)}));
  }
  ChangeContextFlags(lister->session(), listCtx.get(), '+', kFlagPrefetchValues);

  engine::PlanWriter writer;
  engine::PlanHeader header;
  header.id = engine::NewPlanId();
  header.tree = tree->tree();
  header.container = container;
  header.to = target;
  if (!from.empty()) header.from = from;
  header.subtree = args.Has("--subtree");
  engine::FileError fileError = writer.Open(out);
  if (fileError.ok()) fileError = writer.WriteHeader(header);
  if (!fileError.ok()) return Failure(env, Format("Cannot write the plan %s: %s", {out.string(), fileError.text}));

  Progress progress(env.err, env.progress, 0);
  engine::ObjectAnalyser analyser(session);
  // The directory is read here; the analyses and the plan's lines are made behind.
  PlanWriteBehind behind(writer, progress, out);
  const auto fail = [&](const std::string& message) {
    behind.Stop();
    progress.Clear();
    return Failure(env, message);
  };
  // Depth first, each container listed whole before its sub-containers: one listing runs at a
  // time (LDAP servers keep one paged search per connection); only the names of containers
  // still to visit are kept.
  struct Pending {
    std::string absolute;  // for the listing
    std::string relative;  // for the names in the plan
  };
  std::vector<Pending> pending{{absolute, container}};
  bool first = true;
  while (!pending.empty()) {
    const Pending at = std::move(pending.back());
    pending.pop_back();
    std::vector<Pending> children;
    TNDSObj listing;
    // Typed names: the analysis then needs no listing of its own to learn an entry's typed
    // name, which would end this one (a server keeps one paged search per connection) and
    // cost a listing per entry.
    DirStatus status = OpenListing(lister->session(), listCtx.get(), at.absolute, false, listing, ListingNames::kTyped);
    if (status != 0) {
      return fail(first ? UnknownObjectMessage(*tree, container, status)
                        : Format("Cannot list the container \"%s\": %s. No plan was written.",
                                 {at.relative, tree->ErrorText(status)}));
    }
    first = false;
    do {
      if (listing.entryName.empty()) continue;
      const std::string name = ChildName(listing.entryName, at.relative);
      if (header.subtree && (listing.entryInfo.objectFlags & kEntryContainer) != 0) {
        children.push_back({ChildName(listing.entryName, "." + at.absolute).substr(1), name});
      }
      const std::string baseClass(listing.entryInfo.baseClass,
                                  strnlen(listing.entryInfo.baseClass, sizeof listing.entryInfo.baseClass));
      if (!from.empty() && baseClass != from) continue;
      engine::PreparedAnalysis prepared;
      if (const DirStatus s = analyser.Prepare(tree->ctx(), name, baseClass, target, &prepared); s != 0) {
        return fail(Format("Cannot read the class \"%s\" of \"%s\": %s. No plan was written.",
                           {baseClass, name, tree->ErrorText(s)}));
      }
      if (!behind.Add(std::move(prepared), listing.entryInfo.modificationTime)) return fail(behind.Finish());
    } while ((status = NextEntry(lister->session(), listing)) == 0);
    if (status != kListingEnded) {
      return fail(Format("Listing the container \"%s\" failed part-way: %s. No plan was written.",
                         {at.relative, tree->ErrorText(status)}));
    }
    for (auto it = children.rbegin(); it != children.rend(); ++it) pending.push_back(std::move(*it));
  }
  if (const std::string failure = behind.Finish(); !failure.empty()) return fail(failure);
  fileError = writer.WriteSummary();
  if (fileError.ok()) fileError = writer.Close();
  progress.Clear();
  if (!fileError.ok()) return Failure(env, Format("Cannot write the plan %s: %s", {out.string(), fileError.text}));

  const engine::PlanSummary& s = writer.summary();
  *env.out << Format(
                  "%d objects: %d without conflicts, %d with unvalued conflicts only, %d to delete conflicts "
                  "first, %d blocked, %d missing mandatory values, %d incomplete",
                  {s.objects, s.noConflicts, s.unvaluedOnly, s.deleteFirst, s.blocked, s.missingMandatory,
                   s.incomplete})
           << "\n"
           << out.string() << "\n";
  return kExitOk;
}

}  // namespace recast::cli
