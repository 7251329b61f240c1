// apply: carries out a plan, journaled, resumable, with one connection per worker.
#include <signal.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <ostream>
#include <set>
#include <thread>

#include "cli/Commands.h"
#include "cli/PlanReadAhead.h"
#include "cli/Progress.h"
#include "cli/TreeConnection.h"
#include "engine/Analysis.h"
#include "engine/PlanFile.h"
#include "engine/RecordedChange.h"
#include "util/Format.h"
#include "util/TextHelpers.h"

namespace recast::cli {

namespace {

constexpr int kMaxJobs = 64;
constexpr std::size_t kBatchSize = 128;  // objects journaled with one sync

volatile sig_atomic_t g_stopSignal = 0;
void OnStopSignal(int signal) { g_stopSignal = signal; }

// SIGINT and SIGTERM ask the workers to stop after the object at hand; the handlers before
// come back with this object.
class StopSignals {
 public:
  StopSignals() {
    g_stopSignal = 0;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
  }
  ~StopSignals() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;
  static int Received() { return g_stopSignal; }

 private:
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
};

std::string Folded(const std::string& name) { return UpperAscii(name); }

std::string JoinAttributes(const std::vector<engine::Conflict>& conflicts, char mark) {
  std::string names;
  for (const engine::Conflict& c : conflicts) {
    if (c.mark == mark) names += (names.empty() ? "" : ", ") + c.attribute;
  }
  return names;
}

// The base class among an analysis's reads (the first value of the object's classes, named as
// the directory or as LDAP names it): false when it was not read.
bool ReadClass(const engine::PreparedAnalysis& read, std::string* objectClass) {
  for (std::size_t i = 0; i < read.reads.size() && i < read.names->size(); ++i) {
    if (!IsOneOfText((*read.names)[i], {kObjectClassAttribute, "objectClass"}, false)) continue;
    const AttributeRead& classes = read.reads[i];
    if (classes.status != 0 || classes.values.Count() == 0) return false;
    *objectClass = classes.values.Text(0);
    return true;
  }
  return false;
}

// What differs between the planned and the current analysis; empty when nothing does. The
// valued, missing and unreadable conflicts are compared in order, the unvalued ones apart
// (a plan keeps them last).
std::string Difference(const engine::PlanObject& planned, const engine::Analysis& now) {
  if (now.verdict != planned.verdict) {
    return Format("its verdict is now %s, was %s",
                  {engine::VerdictName(now.verdict), engine::VerdictName(planned.verdict)});
  }
  for (const bool unvalued : {false, true}) {
    const auto pick = [unvalued](const std::vector<engine::Conflict>& all) {
      std::vector<const engine::Conflict*> kept;
      for (const engine::Conflict& c : all) {
        if ((c.mark == ' ') == unvalued) kept.push_back(&c);
      }
      return kept;
    };
    const auto was = pick(planned.conflicts);
    const auto is = pick(now.conflicts);
    if (was.size() != is.size()) return "its conflicting attributes are not the same";
    for (std::size_t i = 0; i < was.size(); ++i) {
      if (was[i]->attribute != is[i]->attribute || was[i]->mark != is[i]->mark)
        return "its conflicting attributes are not the same";
      if (was[i]->value != is[i]->value) return Format("the value of \"%s\" is not the same", {was[i]->attribute});
    }
  }
  return {};
}

struct Counts {
  std::int64_t changed = 0, alreadyDone = 0, notChanged = 0, changedSince = 0, failed = 0;
};

// One apply run: the plan read again object by object, shared by the workers.
class Run {
 public:
  Run(const Environment& env, PlanReadAhead& reader, engine::JournalWriter& journal, bool deleteConflicts,
      std::set<std::string> done, std::uint64_t total)
      : env_(env),
        reader_(reader),
        journal_(journal),
        deleteConflicts_(deleteConflicts),
        done_(std::move(done)),
        progress_(env.err, env.progress, total) {}

  // Works through the plan on tree until it ends or a stop signal arrives.
  // Objects are checked and made ready a batch at a time, their records journaled with one
  // sync, then changed: one disk sync per batch instead of per object. The next batch's
  // objects are asked of the server before this one is changed, so that the server reads them
  // while we wait for the disk and the changes. A stop signal drops the batch not yet
  // journaled (nothing of it was changed or written) and finishes the one journaled, so that
  // no record is left pending.
  void Work(TreeConnection& tree) {
    engine::ObjectAnalyser analyser(tree.session());
    DirectoryClient& client = tree.session().client;
    std::vector<engine::PlanObject> taken = TakeBatch(client, tree);
    std::vector<Ready> batch;
    while (!taken.empty() && StopSignals::Received() == 0) {
      // Each batch reads afresh; its objects stay read until changed.
      client.BeginUserAction();
      for (const engine::PlanObject& planned : taken) {
        Ready ready;
        if (Prepare(tree, analyser, planned, &ready)) {
          batch.push_back(std::move(ready));
        } else {
          progress_.Step();
        }
      }
      taken = TakeBatch(client, tree);
      if (StopSignals::Received() == 0) Carry(tree, &batch);
    }
  }

  // Prints line and counts it; false, so that a check can end with "return Say(...)".
  bool Say(const std::string& line, std::int64_t Counts::*counter) {
    const std::lock_guard<std::mutex> lock(outMutex_);
    progress_.Clear();
    *env_.out << line << "\n";
    ++(counts_.*counter);
    return false;
  }

  const Counts& counts() const { return counts_; }
  Progress& progress() { return progress_; }

 private:
  bool Take(engine::PlanObject* object) { return reader_.Take(object); }

  // The next objects of the plan to change, at most a batch, asked of the client ahead; none
  // when the plan has ended.
  std::vector<engine::PlanObject> TakeBatch(DirectoryClient& client, TreeConnection& tree) {
    std::vector<engine::PlanObject> taken;
    engine::PlanObject object;
    while (taken.size() < kBatchSize && Take(&object)) {
      if (Admit(object)) {
        taken.push_back(std::move(object));
      } else {
        progress_.Step();
      }
    }
    std::vector<std::string> names;
    for (const engine::PlanObject& planned : taken) names.push_back(planned.object);
    if (!names.empty()) client.PrefetchObjects(tree.ctx(), names);
    return taken;
  }

  struct Ready {
    engine::PlanObject planned;
    std::string objectClass;
    engine::PreparedRecast prepared;
  };

  // Whether planned is to be changed at all, by what the plan and the journal say (nothing
  // read); false, the outcome said, when not.
  bool Admit(const engine::PlanObject& planned) {
    const std::string& name = planned.object;
    if (done_.count(Folded(name)) != 0) return Say(Format("already done: %s", {name}), &Counts::alreadyDone);
    switch (planned.verdict) {
      case engine::Verdict::kBlocked:
        return Say(Format("not changed: %s: undeletable conflicts (%s) block the class change",
                          {name, JoinAttributes(planned.conflicts, '!')}),
                   &Counts::notChanged);
      case engine::Verdict::kMissingMandatory:
        return Say(Format("not changed: %s: mandatory attributes of the target class (%s) have no value; the directory "
                          "refuses the class change until they are given values",
                          {name, JoinAttributes(planned.conflicts, '-')}),
                   &Counts::notChanged);
      case engine::Verdict::kIncomplete:
        return Say(Format("not changed: %s: some values could not be read when planned; make the plan again once "
                          "they can be read",
                          {name}),
                   &Counts::notChanged);
      case engine::Verdict::kDeleteFirst:
        if (!deleteConflicts_) {
          return Say(Format("not changed: %s: valued conflicts (%s) must be deleted first; add --delete-conflicts "
                            "to delete them (the journal keeps their values)",
                            {name, JoinAttributes(planned.conflicts, '*')}),
                     &Counts::notChanged);
        }
        break;
      default:
        break;
    }
    return true;
  }

  // Checks an admitted object against the object as it is now and makes its change ready;
  // false (the outcome said) when there is nothing to change or it cannot be made ready.
  bool Prepare(TreeConnection& tree, engine::ObjectAnalyser& analyser, const engine::PlanObject& planned,
               Ready* ready) {
    const std::string& name = planned.object;
    DirectorySession& session = tree.session();
    // Read as the plan has it, the object's values include its class: an object whose class
    // is still the planned one needs no read of its own for it. Anything else goes the long
    // way, which words the failure.
    std::string objectClass;
    engine::PreparedAnalysis read;
    if (analyser.Prepare(tree.ctx(), name, planned.objectClass, planned.target, &read) != 0 ||
        !ReadClass(read, &objectClass) || objectClass != planned.objectClass) {
      if (const DirStatus s = ReadBaseClass(session, tree.ctx(), name, &objectClass); s != 0) {
        return Say(Format("failed: %s", {UnknownObjectMessage(tree, name, s)}), &Counts::failed);
      }
      if (objectClass != planned.objectClass) {
        return Say(Format("changed since the plan: %s: its class is now \"%s\", was \"%s\"; make the plan again",
                          {name, objectClass, planned.objectClass}),
                   &Counts::changedSince);
      }
      // The verdict and conflicts are all that is compared: the analysis makes no texts.
      if (const DirStatus s = analyser.Prepare(tree.ctx(), name, objectClass, planned.target, &read); s != 0) {
        return Say(Format("failed: %s: %s", {name, UnknownClassMessage(tree, planned.target, s)}), &Counts::failed);
      }
    }
    const engine::Analysis now = engine::AnalysePrepared(std::move(read));
    if (const std::string difference = Difference(planned, now); !difference.empty()) {
      return Say(Format("changed since the plan: %s: %s; make the plan again", {name, difference}),
                 &Counts::changedSince);
    }
    engine::RecastOutcome outcome;
    const DirStatus status =
        engine::PrepareRecast(session, tree.ctx(), journal_.form(), name, objectClass, &planned.target,
                              now.DeletableAttributes(), {}, &ready->prepared, &outcome);
    if (status != 0) return Failed(tree, name, status, outcome);
    ready->planned = planned;
    ready->objectClass = objectClass;
    return true;
  }

  // Journals the batch's records with one sync, then changes each object; empties *batch.
  void Carry(TreeConnection& tree, std::vector<Ready>* batch) {
    if (batch->empty()) return;
    // A class change always needs a record: apply always names the target class.
    std::vector<engine::JournalRecord> records;
    for (Ready& r : *batch) records.push_back(std::move(r.prepared.record));
    const bool together = journal_.AppendBatch(records).ok();
    for (std::size_t i = 0; i < batch->size(); ++i) {
      Ready& r = (*batch)[i];
      r.prepared.record = std::move(records[i]);  // numbered when the batch went in
      const std::string& name = r.planned.object;
      engine::RecastOutcome outcome;
      // Refused as a batch, the records go in one by one, so that one the journal refuses
      // fails alone.
      if (engine::FileError e = together ? engine::FileError{} : journal_.Append(r.prepared.record); !e.ok()) {
        outcome.message = Format("%s: nothing was changed: %s", {name, e.text});
        Failed(tree, name, engine::kErrJournalWrite, outcome);
        progress_.Step();
        continue;
      }
      const DirStatus status = engine::CarryOutRecast(tree.session(), tree.ctx(), journal_, r.prepared, {}, &outcome);
      if (status != 0) {
        Failed(tree, name, status, outcome);
      } else {
        Say(Format("changed: %s (%s -> %s)", {name, r.objectClass, r.planned.target}), &Counts::changed);
      }
      progress_.Step();
    }
    batch->clear();
  }

  bool Failed(TreeConnection& tree, const std::string& name, DirStatus status, const engine::RecastOutcome& outcome) {
    // The outcome's message names the object itself.
    if (outcome.message.rfind(name, 0) == 0) return Say("failed: " + outcome.message, &Counts::failed);
    const std::string why = outcome.message.empty() ? tree.ErrorText(status) : outcome.message;
    return Say(Format("failed: %s: %s", {name, why}), &Counts::failed);
  }

  const Environment& env_;
  PlanReadAhead& reader_;
  engine::JournalWriter& journal_;
  const bool deleteConflicts_;
  const std::set<std::string> done_;  // objects whose record is done (folded names)
  Progress progress_;
  std::mutex outMutex_;
  Counts counts_;
};

// Reads the whole plan once, so that a damaged plan changes nothing. The number of objects,
// or an error message.
std::string CheckPlan(const std::filesystem::path& path, std::uint64_t* objects, engine::PlanHeader* header) {
  engine::PlanReader reader;
  engine::FileError error = reader.Open(path);
  if (!error.ok()) return error.text;
  *header = reader.Header();
  engine::PlanObject object;
  std::uint64_t count = 0;
  while (reader.Next(&object)) ++count;
  if (!reader.error().ok()) return reader.error().text;
  if (!reader.finished()) return Format("%s ends without its summary line (truncated)", {path.string()});
  *objects = count;
  return {};
}

}  // namespace

int RunApply(const Arguments& args, const Environment& env) {
  if (args.positional.size() != 1) return UsageError(env, "apply needs one plan file: apply PLAN");
  int jobs = 1;
  if (args.Has("--jobs")) {
    const std::string text = args.Value("--jobs");  // end points into it below
    char* end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (end == nullptr || *end != '\0' || n < 1 || n > kMaxJobs) {
      return UsageError(env, Format("--jobs takes a number from 1 to %d", {kMaxJobs}));
    }
    jobs = static_cast<int>(n);
  }
  const std::filesystem::path planPath = args.positional[0];
  std::uint64_t total = 0;
  engine::PlanHeader header;
  if (const std::string error = CheckPlan(planPath, &total, &header); !error.empty()) {
    return Failure(env, Format("The plan cannot be applied, nothing was changed: %s", {error}));
  }

  std::string error;
  std::unique_ptr<TreeConnection> tree = TreeConnection::Open(env, header.tree, &error);
  if (!tree) {
    return Failure(env, Format("The plan %s was made for tree %s, nothing was changed: %s",
                               {planPath.string(), header.tree, error}));
  }

  engine::PlanReader reader;
  if (const engine::FileError e = reader.Open(planPath); !e.ok()) {
    return Failure(env, Format("The plan cannot be applied, nothing was changed: %s", {e.text}));
  }

  // The plan's journal: found again when apply runs once more, in whichever form it was begun.
  std::filesystem::path journalPath;
  std::error_code ec;
  for (engine::JournalForm form : {engine::JournalForm::kJsonLines, engine::JournalForm::kLdif}) {
    const std::filesystem::path p = engine::PlanJournalPath(env.dataFolder, header.tree, header.id, form);
    if (std::filesystem::exists(p, ec)) journalPath = p;
  }
  engine::JournalForm form = engine::JournalForm::kJsonLines;
  if (journalPath.empty()) {
    engine::PlanObject firstObject;
    engine::PlanReader peek;
    if (peek.Open(planPath).ok() && peek.Next(&firstObject)) {
      form = engine::JournalFormFor(tree->session(), tree->ctx(), firstObject.object);
    }
    journalPath = engine::PlanJournalPath(env.dataFolder, header.tree, header.id, form);
  }
  engine::JournalWriter journal;
  engine::JournalHeader journalHeader;
  journalHeader.tree = header.tree;
  journalHeader.plan = header.id;
  if (const engine::FileError e = journal.Open(journalPath, form, journalHeader); !e.ok()) {
    return Failure(env, Format("Cannot open the journal %s, nothing was changed: %s", {journalPath.string(), e.text}));
  }

  const StopSignals signals;
  std::set<std::string> done;
  std::vector<engine::JournalRecord> pending;
  for (const engine::JournalEntry& entry : journal.existing()) {
    if (entry.state == engine::RecordState::kDone) done.insert(Folded(entry.record.object));
    if (entry.state == engine::RecordState::kPending) pending.push_back(entry.record);
  }
  PlanReadAhead ahead(reader);
  Run run(env, ahead, journal, args.Has("--delete-conflicts"), {}, total);
  // An earlier run that stopped between a record and its mark: finish those first, so that
  // nothing is done twice.
  for (const engine::JournalRecord& record : pending) {
    if (StopSignals::Received() != 0) break;
    tree->client().BeginUserAction();
    engine::ResumeAction action = engine::ResumeAction::kLeftAlone;
    engine::RecastOutcome outcome;
    const DirStatus s = engine::ResumeRecorded(tree->session(), tree->ctx(), journal, record, &action, &outcome);
    const std::string& name = record.object;
    if (s != 0) {
      run.Say(Format("failed: %s: resuming the interrupted change: %s",
                     {name, outcome.message.empty() ? tree->ErrorText(s) : outcome.message}),
              &Counts::failed);
    } else if (action == engine::ResumeAction::kLeftAlone) {
      run.Say(Format("changed since the plan: %s: %s", {name, outcome.message}), &Counts::changedSince);
    } else {
      done.insert(Folded(name));
    }
  }

  Run work(env, ahead, journal, args.Has("--delete-conflicts"), std::move(done), total);
  std::vector<std::unique_ptr<TreeConnection>> connections;
  connections.push_back(std::move(tree));
  for (int i = 1; i < jobs; ++i) {
    std::unique_ptr<TreeConnection> c = TreeConnection::Open(env, header.tree, &error);
    if (!c) break;  // fewer workers then; the first connection works on
    connections.push_back(std::move(c));
  }
  std::vector<std::thread> workers;
  for (std::size_t i = 1; i < connections.size(); ++i)
    workers.emplace_back([&work, &connections, i] { work.Work(*connections[i]); });
  work.Work(*connections[0]);
  for (std::thread& t : workers) t.join();
  ahead.Finish();  // before the reader's error is looked at
  work.progress().Clear();
  const engine::FileError closed = journal.Close();

  Counts c = work.counts();
  c.failed += run.counts().failed;
  c.changedSince += run.counts().changedSince;
  if (!reader.error().ok()) {
    *env.err << "recast-object: " << reader.error().text << "\n";
    ++c.failed;
  }
  if (!closed.ok()) {
    *env.err << "recast-object: " << closed.text << "\n";
    ++c.failed;
  }
  *env.out << Format("%d changed, %d already done, %d not changed, %d changed since the plan, %d failed",
                     {c.changed, c.alreadyDone, c.notChanged, c.changedSince, c.failed})
           << "\n"
           << journalPath.string() << "\n";
  env.out->flush();
  if (const int signal = StopSignals::Received(); signal != 0) {
    *env.err << "recast-object: stopped by a signal; run the same apply again to go on\n";
    return kExitInterrupted + signal;
  }
  return c.failed == 0 && c.changedSince == 0 && c.notChanged == 0 ? kExitOk : kExitFailed;
}

}  // namespace recast::cli
