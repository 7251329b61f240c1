#pragma once
// SIGTERM and SIGINT (logout, kill, Ctrl+C in the terminal) end the program the way the
// window's close box does, so the settings are written and running work is wound down. The
// signal handler only writes the signal's number to a pipe, which is async-signal-safe; the
// window's thread reads it and does the rest.

#include <QObject>

#include <csignal>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace recast::app {

class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  // onSignal runs on the constructing thread, from its event loop, once per signal. Only
  // one object may exist at a time; while it does, it owns the two signals' handlers.
  explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
  // Puts the previous handlers back.
  ~TerminationSignals() override;
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

  // False when the pipe or a handler could not be set up (the signals then act as before).
  bool Active() const { return active_; }

 private:
  void Drain();

  std::function<void()> onSignal_;
  int readFd_ = -1;
  int writeFd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  struct sigaction previousTerm_ {};
  struct sigaction previousInt_ {};
  bool active_ = false;
};

}  // namespace recast::app
