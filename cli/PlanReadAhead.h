#pragma once
// A plan's objects read on a thread of its own, ahead of the workers that take them, so that
// reading and checking the plan's lines runs while the workers wait for the directory.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>

#include "engine/PlanFile.h"

namespace recast::cli {

class PlanReadAhead {
 public:
  // Starts reading reader's objects, at most depth ahead of Take. reader must stay open, and
  // untouched by anyone else, until Finish.
  explicit PlanReadAhead(engine::PlanReader& reader, std::size_t depth = 256);
  ~PlanReadAhead();  // Finish
  PlanReadAhead(const PlanReadAhead&) = delete;
  PlanReadAhead& operator=(const PlanReadAhead&) = delete;

  // The next object, in the plan's order, into *object; false once the reader gave its last
  // one or failed (reader.error() says which, after Finish). Safe from several threads;
  // leaves *object unchanged when it returns false.
  bool Take(engine::PlanObject* object);
  // Stops reading and waits for the thread; the reader may be used again after it.
  void Finish();

 private:
  void Read();

  engine::PlanReader& reader_;
  const std::size_t depth_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<engine::PlanObject> ready_;
  bool ended_ = false;     // the reader gave its last object
  bool stopping_ = false;  // Finish was called
  std::thread thread_;     // last: started once the rest is set up
};

}  // namespace recast::cli
