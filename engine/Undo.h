#pragma once
// Putting back what a journal recorded, newest record first: the class back to the record's
// "from" when the object has its "to", then every removed attribute's values. Records already
// undone are skipped, so a second run repeats nothing.

#include <cstdint>
#include <string>
#include <vector>

#include "directory/DirectorySession.h"
#include "engine/Journal.h"

namespace recast::engine {

enum class UndoResult {
  kUndone,       // put back and marked undone
  kNothingToDo,  // the record never changed anything (failed before a change): marked undone
  kLeftAlone,    // the object's class is neither from nor to, or the object is gone
  kFailed,       // a step failed: status and message say which; the record stays as it was
};

struct UndoItem {
  std::int64_t record = 0;
  std::string object;
  UndoResult result = UndoResult::kFailed;
  DirStatus status = 0;
  std::string message;  // for kLeftAlone and kFailed: the cause and the fix
};

struct UndoReport {
  std::vector<UndoItem> items;  // in the order worked through (newest first)
  std::int64_t undone = 0, leftAlone = 0, failed = 0, alreadyUndone = 0;
  FileError fileError;  // the journal could not be read or written
};

// Undoes the records of the journal at path (all, or only those of *onlyObject, compared
// ignoring case), objects named relative to ctx. Returns 0 when every record worked on was
// undone (or needed nothing); kErrJournalWrite when the journal could not be read or marked
// (report->fileError); else the status of the first failed record. report may be null.
DirStatus UndoJournal(DirectorySession& session, DirContext ctx, const std::string& path, const std::string* onlyObject,
                      UndoReport* report);

}  // namespace recast::engine
