// undo: puts back what a journal recorded.
#include <ostream>

#include "cli/Commands.h"
#include "cli/TreeConnection.h"
#include "engine/Journal.h"
#include "engine/Undo.h"
#include "util/Format.h"

namespace recast::cli {

int RunUndo(const Arguments& args, const Environment& env) {
  if (args.positional.size() != 1) return UsageError(env, "undo needs one journal file: undo JOURNAL");
  const std::string path = args.positional[0];
  engine::JournalContent content;
  if (const engine::FileError e = engine::ReadJournal(path, &content); !e.ok()) {
    return Failure(env, Format("The journal cannot be undone, nothing was changed: %s", {e.text}));
  }
  std::string error;
  const std::unique_ptr<TreeConnection> tree = TreeConnection::Open(env, content.header.tree, &error);
  if (!tree) {
    return Failure(env, Format("The journal %s records changes in tree %s, nothing was changed: %s",
                               {path, content.header.tree, error}));
  }
  const std::string only = args.Value("--object");
  engine::UndoReport report;
  const DirStatus status =
      engine::UndoJournal(tree->session(), tree->ctx(), path, args.Has("--object") ? &only : nullptr, &report);
  std::ostream& out = *env.out;
  for (const engine::UndoItem& item : report.items) {
    switch (item.result) {
      case engine::UndoResult::kUndone:
        out << Format("put back: %s", {item.object}) << "\n";
        break;
      case engine::UndoResult::kNothingToDo:
        out << Format("nothing to put back: %s (its change was never made)", {item.object}) << "\n";
        break;
      case engine::UndoResult::kLeftAlone:
        out << Format("left alone: %s: %s", {item.object, item.message}) << "\n";
        break;
      case engine::UndoResult::kFailed:
        out << Format("failed: %s: %s", {item.object, item.message}) << "\n";
        break;
    }
  }
  out << Format("%d put back, %d already undone, %d left alone, %d failed",
                {report.undone, report.alreadyUndone, report.leftAlone, report.failed})
      << "\n";
  out.flush();
  if (!report.fileError.ok()) return Failure(env, report.fileError.text);
  if (args.Has("--object") && report.items.empty() && report.alreadyUndone == 0) {
    return Failure(
        env, Format("The journal %s has no change of \"%s\"; name the object as apply printed it.", {path, only}));
  }
  if (status != 0 || report.failed != 0 || report.leftAlone != 0) return kExitFailed;
  return kExitOk;
}

}  // namespace recast::cli
