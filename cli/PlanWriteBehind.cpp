#include "cli/PlanWriteBehind.h"

#include <utility>

#include "util/Format.h"

namespace recast::cli {

namespace {

constexpr std::size_t kBatchObjects = 64;
constexpr std::size_t kQueuedBatches = 8;  // memory stays flat: at most this many wait

bool Planned(engine::Verdict verdict) {
  return verdict == engine::Verdict::kNoConflicts || verdict == engine::Verdict::kUnvaluedOnly ||
         verdict == engine::Verdict::kDeleteFirst || verdict == engine::Verdict::kBlocked ||
         verdict == engine::Verdict::kMissingMandatory || verdict == engine::Verdict::kIncomplete;
}

}  // namespace

PlanWriteBehind::PlanWriteBehind(engine::PlanWriter& writer, Progress& progress, std::filesystem::path planPath)
    : writer_(writer), progress_(progress), planPath_(std::move(planPath)) {
  filling_.reserve(kBatchObjects);
  thread_ = std::thread([this] { Write(); });
}

PlanWriteBehind::~PlanWriteBehind() { Stop(); }

bool PlanWriteBehind::Add(engine::PreparedAnalysis prepared, std::int64_t stamp) {
  filling_.push_back({std::move(prepared), stamp});
  if (filling_.size() >= kBatchObjects) Hand(false);
  const std::lock_guard<std::mutex> lock(mutex_);
  return !failed_;
}

void PlanWriteBehind::Hand(bool last) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return queued_.size() < kQueuedBatches || failed_ || stopping_; });
  if (!filling_.empty() && !failed_ && !stopping_) queued_.push_back(std::move(filling_));
  filling_ = {};
  filling_.reserve(kBatchObjects);
  if (last) ending_ = true;
  changed_.notify_all();
}

std::string PlanWriteBehind::Finish() {
  if (!thread_.joinable()) return failure_;
  Hand(true);
  thread_.join();
  return failure_;
}

void PlanWriteBehind::Stop() {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    changed_.notify_all();
  }
  thread_.join();
}

void PlanWriteBehind::Write() {
  for (;;) {
    Batch batch;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return !queued_.empty() || ending_ || stopping_; });
      if (stopping_ || queued_.empty()) return;
      batch = std::move(queued_.front());
      queued_.erase(queued_.begin());
      changed_.notify_all();
    }
    std::string failure = WriteBatch(batch);
    if (!failure.empty()) {
      const std::lock_guard<std::mutex> lock(mutex_);
      failed_ = true;
      failure_ = std::move(failure);
      queued_.clear();
      changed_.notify_all();
      return;
    }
  }
}

std::string PlanWriteBehind::WriteBatch(Batch& batch) {
  for (Item& item : batch) {
    engine::PlanObject object;
    object.stamp = item.stamp;
    engine::AnalysisInput& input = item.prepared.input;
    engine::Analysis a = engine::AnalysePrepared(std::move(item.prepared));
    // The analysis took the reads only; the input's texts are no longer needed.
    object.object = std::move(input.objectName);
    object.objectClass = std::move(input.objectClass);
    object.target = std::move(input.targetClass);
    if (!Planned(a.verdict)) {
      return Format("Cannot analyse \"%s\": %s No plan was written.", {object.object, a.summary});
    }
    object.verdict = a.verdict;
    object.conflicts = std::move(a.conflicts);
    if (const engine::FileError error = writer_.WriteObject(object); !error.ok()) {
      return Format("Cannot write the plan %s: %s", {planPath_.string(), error.text});
    }
    progress_.Step();
  }
  return {};
}

}  // namespace recast::cli
