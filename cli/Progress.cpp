#include "cli/Progress.h"

#include <ostream>

#include "util/Format.h"

namespace recast::cli {

namespace {
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

std::string Clock(std::uint64_t seconds) {
  return Format("%u:%.2u:%.2u",
                {static_cast<std::uint32_t>(seconds / 3600), static_cast<std::uint32_t>(seconds / 60 % 60),
                 static_cast<std::uint32_t>(seconds % 60)});
}
}  // namespace

Progress::Progress(std::ostream* err, bool enabled, std::uint64_t total)
    : err_(err), enabled_(enabled && err != nullptr), total_(total), start_(std::chrono::steady_clock::now()) {}

Progress::~Progress() { Clear(); }

void Progress::Step() {
  if (!enabled_) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  ++done_;
  const auto now = std::chrono::steady_clock::now();
  // Also after a Clear: a line drawn again for every message would be drawn too often.
  if (done_ > 1 && now - lastDraw_ < kRedrawInterval && done_ != total_) return;
  Draw(now);
}

void Progress::Draw(std::chrono::steady_clock::time_point now) {
  lastDraw_ = now;
  drawn_ = true;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const auto rate = static_cast<std::uint32_t>(seconds > 0 ? static_cast<double>(done_) / seconds : 0);
  std::string line = total_ > 0 ? Format("%u / %u, %u/s",
                                         {static_cast<std::uint32_t>(done_), static_cast<std::uint32_t>(total_), rate})
                                : Format("%u, %u/s", {static_cast<std::uint32_t>(done_), rate});
  if (total_ > 0 && rate > 0 && done_ <= total_) line += ", ETA " + Clock((total_ - done_) / rate);
  *err_ << "\r" << line << "\x1b[K" << std::flush;
}

void Progress::Clear() {
  if (!enabled_) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!drawn_) return;
  *err_ << "\r\x1b[K" << std::flush;
  drawn_ = false;
}

}  // namespace recast::cli
