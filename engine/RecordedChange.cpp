#include "engine/RecordedChange.h"

namespace recast::engine {

JournalForm JournalFormFor(DirectorySession&, DirContext, const std::string&) { return JournalForm::kJsonLines; }
DirStatus RecastWithJournal(DirectorySession&, DirContext, JournalWriter&, const std::string&, const std::string&,
                            const std::string*, const std::vector<std::string>&, RecastOutcome*) {
  return kErrNotSupported;
}
ResumeAction DecideResume(const JournalRecord&, const ObjectState&) { return ResumeAction::kLeftAlone; }
DirStatus ReadObjectState(DirectorySession&, DirContext, const JournalRecord&, ObjectState*) {
  return kErrNotSupported;
}
DirStatus ResumeRecorded(DirectorySession&, DirContext, JournalWriter&, const JournalRecord&, ResumeAction*,
                         RecastOutcome*) {
  return kErrNotSupported;
}

}  // namespace recast::engine
