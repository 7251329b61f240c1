#pragma once
// A change of one object that can be put back: what it removes is exported and journaled
// (on disk) before anything is changed, then the attributes are removed, then the class is
// changed, then the record is marked done or failed.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "directory/DirectorySession.h"
#include "engine/Journal.h"

namespace recast::engine {

// kErrJournalWrite (the journal could not be written; nothing was changed then) and
// kErrCancelledChange (a record marked failed when the user cancelled part-way) are defined
// with every other status in directory/Statuses.h.

// What the window needs to show and steer the removals one by one. All may be empty.
struct RecastHooks {
  std::function<bool()> cancelRequested;                                        // asked before each removal
  std::function<void(const std::string& attribute)> removing;                   // before each removal
  std::function<void(const std::string& attribute, DirStatus status)> removed;  // after each
  // Send removals also for attributes without values (their failure is harmless and does not
  // fail the change), and go on after a failed removal to the next attribute.
  bool windowRemovals = false;
  // The object's name as the record keeps it (empty: object as given), e.g. its full name so
  // that undo finds it from any context of the tree.
  std::string recordedName;
};

struct RecastOutcome {
  std::int64_t record = 0;           // the journal record's number; 0 when none was written
  std::vector<std::string> removed;  // attributes removed (in order)
  bool classChanged = false;
  // What failed, when the status is not 0: the step's attribute (empty for the class change
  // or the journal) and a message naming the cause and the fix.
  std::string failedAttribute;
  std::string message;
  FileError journalError;  // of kErrJournalWrite
};

// The journal form for a tree: LDIF where the client describes restore records (asked for
// object, with no attributes), else JSON Lines.
JournalForm JournalFormFor(DirectorySession& session, DirContext ctx, const std::string& object);

// Removes removeAttributes from object (those without values are skipped) and, with toClass,
// changes its class from fromClass, journaled as described above. 0 when all was done; else
// the failed step's status (kErrJournalWrite, an export's, a removal's or the class
// change's), outcome->message telling which. A client that cannot export values (the export
// answers kErrNotSupported) gets nothing changed: nothing is ever lost. outcome may be null.
// Nothing to keep and no class to change writes no record (outcome->record stays 0).
DirStatus RecastWithJournal(DirectorySession& session, DirContext ctx, JournalWriter& journal,
                            const std::string& object, const std::string& fromClass, const std::string* toClass,
                            const std::vector<std::string>& removeAttributes, RecastOutcome* outcome);
DirStatus RecastWithJournal(DirectorySession& session, DirContext ctx, JournalWriter& journal,
                            const std::string& object, const std::string& fromClass, const std::string* toClass,
                            const std::vector<std::string>& removeAttributes, const RecastHooks& hooks,
                            RecastOutcome* outcome);

// RecastWithJournal in two halves, so that a bulk change can journal many records with one
// sync (JournalWriter::AppendBatch) before it changes their objects.
struct PreparedRecast {
  JournalRecord record;             // to append; its object as hooks.recordedName says
  bool needsRecord = false;         // false: nothing to keep and no class to change
  std::string object;               // the name the changes use
  std::vector<std::string> order;   // removeAttributes as given
  std::vector<std::string> remove;  // the valued ones, whose values record keeps
  std::vector<std::string> alsoSend;
  std::optional<std::string> toClass;
};
// Exports the values and makes the record (and its restore record for an LDIF journal),
// changing and writing nothing. 0, or the failed step's status with outcome->message.
DirStatus PrepareRecast(DirectorySession& session, DirContext ctx, JournalForm form, const std::string& object,
                        const std::string& fromClass, const std::string* toClass,
                        const std::vector<std::string>& removeAttributes, const RecastHooks& hooks,
                        PreparedRecast* prepared, RecastOutcome* outcome);
// Carries out prepared, whose record (when it needs one) is already in journal under
// prepared.record.number, and marks that record. As RecastWithJournal after its append.
DirStatus CarryOutRecast(DirectorySession& session, DirContext ctx, JournalWriter& journal,
                         const PreparedRecast& prepared, const RecastHooks& hooks, RecastOutcome* outcome);

// How a pending record's object stands now.
struct ObjectState {
  bool exists = true;
  std::string objectClass;                    // the base class (first "Object Class" value)
  std::vector<std::string> valuedAttributes;  // those of the record's removed that hold values
};

enum class ResumeAction {
  kAlreadyDone,  // everything is as the record says it ends: mark it done
  kCarryOut,     // nothing was changed yet: make the change under the record already written
  kContinue,     // part was changed: remove what is left, then change the class
  kLeftAlone,    // the class is neither the record's from nor its to, or the object is gone
};

// The decision for a pending record given its object's state. Names compare ignoring case.
ResumeAction DecideResume(const JournalRecord& record, const ObjectState& state);

// Reads record's object afresh (BeginUserAction first): its base class and which of the
// removed attributes hold values. 0 on success (a missing object gives exists = false and 0);
// else the failing read's status.
DirStatus ReadObjectState(DirectorySession& session, DirContext ctx, const JournalRecord& record, ObjectState* state);

// Finishes a pending record of journal: reads the state, decides, carries out what is left
// (writing no second record) and marks the record. *action (may be null) gets the decision;
// kLeftAlone leaves the record pending and returns 0, with outcome->message saying why.
DirStatus ResumeRecorded(DirectorySession& session, DirContext ctx, JournalWriter& journal, const JournalRecord& record,
                         ResumeAction* action, RecastOutcome* outcome);

}  // namespace recast::engine
