#include "engine/Undo.h"

#include "directory/ErrorText.h"
#include "engine/RecordedChange.h"
#include "util/Format.h"
#include "util/TextHelpers.h"

namespace recast::engine {
namespace {

// Puts one record back; fills item (not its record and object).
void UndoRecord(DirectorySession& session, DirContext ctx, const JournalRecord& record, UndoItem& item) {
  ObjectState state;
  if (const DirStatus status = ReadObjectState(session, ctx, record, &state); status != 0) {
    item.result = UndoResult::kFailed;
    item.status = status;
    item.message = Format("%s: could not be read (%s); nothing was put back; run undo again when the directory answers",
                          {record.object, DirErrorText(session, status)});
    return;
  }
  const bool isTo = record.to && TextEquals(state.objectClass, *record.to);
  const bool isFrom = TextEquals(state.objectClass, record.from);
  if (!state.exists || (!isTo && !isFrom)) {
    item.result = UndoResult::kLeftAlone;
    item.message = !state.exists
                       ? Format("%s: no longer exists; left alone", {record.object})
                       : Format(
                             "%s: its class is now %s, neither %s nor %s: it was changed since; left alone (put it "
                             "back by hand from the journal)",
                             {record.object, state.objectClass, record.from, record.to.value_or(record.from)});
    return;
  }
  const bool unchanged = isFrom && state.valuedAttributes.size() == record.removed.size();
  if (isTo && !isFrom) {
    const DirStatus status = session.client.NWDSMutateObject(ctx, record.object.c_str(), record.from.c_str(), 0);
    if (status != 0) {
      item.result = UndoResult::kFailed;
      item.status = status;
      item.message = Format("%s: changing the class back to %s failed (%s); remove what was added since and undo again",
                            {record.object, record.from, DirErrorText(session, status)});
      return;
    }
  }
  for (const RemovedAttribute& r : record.removed) {
    const DirStatus status =
        session.client.ImportAttributeValues(ctx, record.object.c_str(), r.attribute.c_str(), r.values.c_str());
    if (status != 0) {
      item.result = UndoResult::kFailed;
      item.status = status;
      item.message = Format(
          "%s: putting back the values of %s failed (%s); the journal still holds them, undo again "
          "once the cause is fixed",
          {record.object, r.attribute, DirErrorText(session, status)});
      return;
    }
  }
  item.result = unchanged ? UndoResult::kNothingToDo : UndoResult::kUndone;
}

}  // namespace

DirStatus UndoJournal(DirectorySession& session, DirContext ctx, const std::string& path, const std::string* onlyObject,
                      UndoReport* reportOut) {
  UndoReport local;
  UndoReport& report = reportOut != nullptr ? *reportOut : local;
  report = UndoReport{};
  JournalWriter journal;
  if (FileError e = journal.OpenExisting(path); !e.ok()) {
    report.fileError = e;
    return kErrJournalWrite;
  }
  DirStatus first = 0;
  const std::vector<JournalEntry>& entries = journal.existing();
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    const JournalRecord& record = it->record;
    if (onlyObject != nullptr && !TextEquals(record.object, *onlyObject)) continue;
    if (it->state == RecordState::kUndone) {
      ++report.alreadyUndone;
      continue;
    }
    UndoItem item;
    item.record = record.number;
    item.object = record.object;
    UndoRecord(session, ctx, record, item);
    switch (item.result) {
      case UndoResult::kUndone:
      case UndoResult::kNothingToDo:
        ++report.undone;
        if (FileError e = journal.MarkUndone(record.number); !e.ok()) {
          report.fileError = e;
          report.items.push_back(std::move(item));
          return kErrJournalWrite;
        }
        break;
      case UndoResult::kLeftAlone:
        ++report.leftAlone;
        break;
      case UndoResult::kFailed:
        ++report.failed;
        if (first == 0) first = item.status;
        break;
    }
    report.items.push_back(std::move(item));
  }
  if (FileError e = journal.Close(); !e.ok()) {
    report.fileError = e;
    return kErrJournalWrite;
  }
  return first;
}

}  // namespace recast::engine
