#include "engine/RecordedChange.h"

#include <algorithm>

#include "directory/AttributeRemoval.h"
#include "directory/AttributeValues.h"
#include "directory/ErrorText.h"
#include "util/Format.h"
#include "util/TaggedList.h"
#include "util/TextHelpers.h"

namespace recast::engine {
namespace {

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(), [&name](const std::string& n) { return TextEquals(n, name); });
}

struct Steps {
  std::vector<std::string> remove;    // in order
  std::vector<std::string> alsoSend;  // unvalued, sent for the window only (harmless failures)
  const std::string* toClass = nullptr;
};

// Carries out steps under record (already on disk) and marks it.
DirStatus CarryOut(DirectorySession& session, DirContext ctx, JournalWriter& journal, const JournalRecord& record,
                   const std::vector<std::string>& order, const Steps& steps, const RecastHooks& hooks,
                   RecastOutcome& outcome) {
  DirStatus failure = 0;
  for (const std::string& name : order) {
    const bool valued = Contains(steps.remove, name);
    if (!valued && !Contains(steps.alsoSend, name)) continue;
    if (hooks.cancelRequested && hooks.cancelRequested()) {
      failure = kErrCancelledChange;
      outcome.message = Format("%s: cancelled after removing %u of %u attributes; the journal keeps what was removed",
                               {record.object, static_cast<std::uint32_t>(outcome.removed.size()),
                                static_cast<std::uint32_t>(steps.remove.size())});
      break;
    }
    if (hooks.removing) hooks.removing(name);
    const DirStatus status =
        ModifyAttribute(session, ctx, record.object, name, nullptr, nullptr, kChangeRemoveAttribute);
    if (hooks.removed) hooks.removed(name, status);
    if (status == 0) {
      if (valued) outcome.removed.push_back(name);
      continue;
    }
    if (!valued) continue;
    if (failure == 0) {
      failure = status;
      outcome.failedAttribute = name;
      outcome.message = Format(
          "%s: removing %s failed (%s); the journal keeps its values, so undo can put back what "
          "was removed",
          {record.object, name, DirErrorText(session, status)});
    }
    if (!hooks.windowRemovals) break;
  }
  if (failure == 0 && steps.toClass != nullptr) {
    const DirStatus status = session.client.NWDSMutateObject(ctx, record.object.c_str(), steps.toClass->c_str(), 0);
    if (status == 0) {
      outcome.classChanged = true;
    } else {
      failure = status;
      outcome.message = Format("%s: changing the class to %s failed (%s); undo puts back the attributes removed for it",
                               {record.object, *steps.toClass, DirErrorText(session, status)});
    }
  }
  if (record.number == 0) return failure;  // nothing was recorded, nothing to mark
  const FileError mark = failure == 0 ? journal.MarkDone(record.number) : journal.MarkFailed(record.number, failure);
  if (!mark.ok() && failure == 0) {
    // The change stands; only its mark is missing, which apply and undo work out again.
    outcome.journalError = mark;
  }
  return failure;
}

}  // namespace

JournalForm JournalFormFor(DirectorySession& session, DirContext ctx, const std::string& object) {
  std::string ldif;
  return session.client.DescribeRestoreLdif(ctx, object.c_str(), {}, &ldif) == kErrNotSupported
             ? JournalForm::kJsonLines
             : JournalForm::kLdif;
}

DirStatus RecastWithJournal(DirectorySession& session, DirContext ctx, JournalWriter& journal,
                            const std::string& object, const std::string& fromClass, const std::string* toClass,
                            const std::vector<std::string>& removeAttributes, RecastOutcome* outcome) {
  return RecastWithJournal(session, ctx, journal, object, fromClass, toClass, removeAttributes, RecastHooks{}, outcome);
}

DirStatus PrepareRecast(DirectorySession& session, DirContext ctx, JournalForm form, const std::string& object,
                        const std::string& fromClass, const std::string* toClass,
                        const std::vector<std::string>& removeAttributes, const RecastHooks& hooks,
                        PreparedRecast* prepared, RecastOutcome* outcomeOut) {
  RecastOutcome local;
  RecastOutcome& outcome = outcomeOut != nullptr ? *outcomeOut : local;
  outcome = RecastOutcome{};
  PreparedRecast& p = *prepared;
  p = PreparedRecast{};
  p.object = object;
  p.order = removeAttributes;
  if (toClass != nullptr) p.toClass = *toClass;
  JournalRecord& record = p.record;
  record.object = object;
  record.from = fromClass;
  if (toClass != nullptr) record.to = *toClass;
  for (const std::string& name : removeAttributes) {
    if (Contains(p.remove, name) || Contains(p.alsoSend, name)) continue;
    std::string exported;
    const DirStatus status = session.client.ExportAttributeValues(ctx, object.c_str(), name.c_str(), &exported);
    if (status == kErrNoSuchAttribute) {
      if (hooks.windowRemovals) p.alsoSend.push_back(name);
      continue;
    }
    if (status != 0) {
      outcome.failedAttribute = name;
      outcome.message =
          status == kErrNotSupported
              ? Format("%s: nothing was changed: this directory's client cannot keep the values of %s for undo",
                       {object, name})
              : Format(
                    "%s: nothing was changed: the values of %s could not be read to keep them (%s); try again "
                    "when the directory answers",
                    {object, name, DirErrorText(session, status)});
      return status;
    }
    p.remove.push_back(name);
    record.removed.push_back({name, std::move(exported)});
  }
  // Nothing to keep and no class to change: the window's harmless removals need no record.
  p.needsRecord = !p.remove.empty() || toClass != nullptr;
  if (p.needsRecord && form == JournalForm::kLdif) {
    const DirStatus status = session.client.DescribeRestoreLdif(ctx, object.c_str(), p.remove, &record.restoreLdif);
    if (status != 0) {
      outcome.message = Format("%s: nothing was changed: its restore record could not be made (%s)",
                               {object, DirErrorText(session, status)});
      return status;
    }
  }
  if (!hooks.recordedName.empty()) record.object = hooks.recordedName;
  return 0;
}

DirStatus CarryOutRecast(DirectorySession& session, DirContext ctx, JournalWriter& journal,
                         const PreparedRecast& prepared, const RecastHooks& hooks, RecastOutcome* outcomeOut) {
  RecastOutcome local;
  RecastOutcome& outcome = outcomeOut != nullptr ? *outcomeOut : local;
  JournalRecord record;  // the changes use the object's name as given, not as recorded
  record.object = prepared.object;
  record.number = prepared.needsRecord ? prepared.record.number : 0;
  outcome.record = record.number;
  Steps steps;
  steps.remove = prepared.remove;
  steps.alsoSend = prepared.alsoSend;
  steps.toClass = prepared.toClass ? &*prepared.toClass : nullptr;
  return CarryOut(session, ctx, journal, record, prepared.order, steps, hooks, outcome);
}

DirStatus RecastWithJournal(DirectorySession& session, DirContext ctx, JournalWriter& journal,
                            const std::string& object, const std::string& fromClass, const std::string* toClass,
                            const std::vector<std::string>& removeAttributes, const RecastHooks& hooks,
                            RecastOutcome* outcomeOut) {
  RecastOutcome local;
  RecastOutcome& outcome = outcomeOut != nullptr ? *outcomeOut : local;
  PreparedRecast prepared;
  if (const DirStatus status = PrepareRecast(session, ctx, journal.form(), object, fromClass, toClass, removeAttributes,
                                             hooks, &prepared, &outcome);
      status != 0) {
    return status;
  }
  if (prepared.needsRecord) {
    if (FileError e = journal.Append(prepared.record); !e.ok()) {
      outcome.journalError = e;
      outcome.message = Format("%s: nothing was changed: %s", {object, e.text});
      return kErrJournalWrite;
    }
  }
  return CarryOutRecast(session, ctx, journal, prepared, hooks, &outcome);
}

ResumeAction DecideResume(const JournalRecord& record, const ObjectState& state) {
  if (!state.exists) return ResumeAction::kLeftAlone;
  const std::size_t valued = state.valuedAttributes.size();
  const bool isTo = record.to && TextEquals(state.objectClass, *record.to);
  const bool isFrom = TextEquals(state.objectClass, record.from);
  if (isTo || (isFrom && !record.to)) {
    if (valued == 0) return ResumeAction::kAlreadyDone;
    if (isFrom && valued == record.removed.size()) return ResumeAction::kCarryOut;
    return ResumeAction::kContinue;
  }
  if (isFrom) return valued == record.removed.size() ? ResumeAction::kCarryOut : ResumeAction::kContinue;
  return ResumeAction::kLeftAlone;
}

DirStatus ReadObjectState(DirectorySession& session, DirContext ctx, const JournalRecord& record, ObjectState* state) {
  session.client.BeginUserAction();
  VectorTaggedList classes;
  const DirStatus read = ReadAttributeValues(session, ctx, record.object, kObjectClassAttribute, classes);
  ObjectState out;
  if (read == kErrNoSuchEntry) {
    out.exists = false;
    *state = std::move(out);
    return 0;
  }
  if (read != 0 || classes.Count() == 0) return read != 0 ? read : kErrNoSuchAttribute;
  out.objectClass = classes.Text(0);
  for (const RemovedAttribute& r : record.removed) {
    std::string exported;
    const DirStatus status =
        session.client.ExportAttributeValues(ctx, record.object.c_str(), r.attribute.c_str(), &exported);
    if (status == 0) {
      out.valuedAttributes.push_back(r.attribute);
    } else if (status != kErrNoSuchAttribute) {
      return status;
    }
  }
  *state = std::move(out);
  return 0;
}

DirStatus ResumeRecorded(DirectorySession& session, DirContext ctx, JournalWriter& journal, const JournalRecord& record,
                         ResumeAction* actionOut, RecastOutcome* outcomeOut) {
  RecastOutcome local;
  RecastOutcome& outcome = outcomeOut != nullptr ? *outcomeOut : local;
  outcome = RecastOutcome{};
  outcome.record = record.number;
  ObjectState state;
  if (const DirStatus status = ReadObjectState(session, ctx, record, &state); status != 0) {
    outcome.message = Format("%s: could not be read to finish record %s (%s); run again when the directory answers",
                             {record.object, std::to_string(record.number), DirErrorText(session, status)});
    return status;
  }
  const ResumeAction action = DecideResume(record, state);
  if (actionOut != nullptr) *actionOut = action;
  switch (action) {
    case ResumeAction::kLeftAlone:
      outcome.message = !state.exists
                            ? Format("%s: no longer exists; record %s is left as it is",
                                     {record.object, std::to_string(record.number)})
                            : Format(
                                  "%s: its class is now %s, neither %s nor %s; it was changed since, so record %s is "
                                  "left as it is",
                                  {record.object, state.objectClass, record.from, record.to.value_or(record.from),
                                   std::to_string(record.number)});
      return 0;
    case ResumeAction::kAlreadyDone:
      if (FileError e = journal.MarkDone(record.number); !e.ok()) outcome.journalError = e;
      return 0;
    case ResumeAction::kCarryOut:
    case ResumeAction::kContinue:
      break;
  }
  Steps steps;
  steps.remove = state.valuedAttributes;
  std::vector<std::string> order;
  for (const RemovedAttribute& r : record.removed) order.push_back(r.attribute);
  const bool classDone = record.to && TextEquals(state.objectClass, *record.to);
  if (record.to && !classDone) steps.toClass = &*record.to;
  return CarryOut(session, ctx, journal, record, order, steps, RecastHooks{}, outcome);
}

}  // namespace recast::engine
