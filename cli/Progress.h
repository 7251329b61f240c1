#pragma once
// The one progress line of plan and apply on a terminal: "done / total, N/s, ETA", redrawn in
// place at most ten times a second. Draws nothing when not enabled.

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <mutex>

namespace recast::cli {

class Progress {
 public:
  // total 0: not known (the line then shows no total and no ETA).
  Progress(std::ostream* err, bool enabled, std::uint64_t total);
  ~Progress();  // clears the line
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // One more item done; thread-safe.
  void Step();
  // Removes the line, so that a message can follow on a clean line; the next Step draws again.
  void Clear();

 private:
  void Draw(std::chrono::steady_clock::time_point now);

  std::ostream* err_;
  bool enabled_;
  std::uint64_t total_;
  std::uint64_t done_ = 0;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_;
  bool drawn_ = false;
  std::mutex mutex_;
};

}  // namespace recast::cli
