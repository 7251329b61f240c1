#include "cli/PlanReadAhead.h"

namespace recast::cli {

PlanReadAhead::PlanReadAhead(engine::PlanReader& reader, std::size_t depth)
    : reader_(reader), depth_(depth == 0 ? 1 : depth), thread_([this] { Read(); }) {}

PlanReadAhead::~PlanReadAhead() { Finish(); }

void PlanReadAhead::Read() {
  for (;;) {
    engine::PlanObject object;
    const bool got = reader_.Next(&object);  // only this thread touches the reader
    std::unique_lock<std::mutex> lock(mutex_);
    if (!got) {
      ended_ = true;
      changed_.notify_all();
      return;
    }
    changed_.wait(lock, [this] { return ready_.size() < depth_ || stopping_; });
    if (stopping_) return;
    ready_.push_back(std::move(object));
    changed_.notify_all();
  }
}

bool PlanReadAhead::Take(engine::PlanObject* object) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !ready_.empty() || ended_ || stopping_; });
  if (ready_.empty()) return false;
  *object = std::move(ready_.front());
  ready_.pop_front();
  changed_.notify_all();
  return true;
}

void PlanReadAhead::Finish() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

}  // namespace recast::cli
