#pragma once
// A plan's objects analysed and written on a thread of its own, behind the reads that prepare
// them, so that reading the next objects from the directory runs while the earlier ones are
// analysed and written.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cli/Progress.h"
#include "engine/Analysis.h"
#include "engine/PlanFile.h"

namespace recast::cli {

class PlanWriteBehind {
 public:
  // Starts the thread. writer (open, its header written) and progress are used by the thread
  // only, until Finish; planPath names the plan in messages.
  PlanWriteBehind(engine::PlanWriter& writer, Progress& progress, std::filesystem::path planPath);
  ~PlanWriteBehind();  // Stop
  PlanWriteBehind(const PlanWriteBehind&) = delete;
  PlanWriteBehind& operator=(const PlanWriteBehind&) = delete;

  // Queues one object, stamped with its modification time; waits while too many are queued.
  // False once an object could not be analysed or written: Finish then says which.
  bool Add(engine::PreparedAnalysis prepared, std::int64_t stamp);
  // Waits until every queued object is written, then stops the thread. Returns the message of
  // the first failure ("... No plan was written."), empty when every object was written.
  std::string Finish();
  // Stops the thread at once; what is still queued is dropped.
  void Stop();

 private:
  struct Item {
    engine::PreparedAnalysis prepared;
    std::int64_t stamp = 0;
  };
  using Batch = std::vector<Item>;

  void Hand(bool last);  // passes the batch being filled to the thread
  void Write();
  std::string WriteBatch(Batch& batch);

  engine::PlanWriter& writer_;
  Progress& progress_;
  const std::filesystem::path planPath_;
  Batch filling_;  // the caller's, handed over whole: one lock per batch, not per object
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Batch> queued_;
  bool ending_ = false;    // no more batches will come
  bool stopping_ = false;  // drop what is queued
  bool failed_ = false;
  std::string failure_;
  std::thread thread_;
};

}  // namespace recast::cli
