#include "app/TerminationSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>

#include <cerrno>

namespace recast::app {

namespace {

// The pipe the handler writes to; -1 while no TerminationSignals exists.
volatile std::sig_atomic_t signalPipe = -1;

extern "C" void OnTerminationSignal(int signalNumber) {
  const int savedErrno = errno;
  const char byte = static_cast<char>(signalNumber);
  // A full pipe already holds an unread signal: losing this one changes nothing.
  [[maybe_unused]] const ssize_t written = ::write(signalPipe, &byte, 1);
  errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  readFd_ = fds[0];
  writeFd_ = fds[1];
  signalPipe = writeFd_;
  notifier_ = std::make_unique<QSocketNotifier>(readFd_, QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminationSignals::Drain);

  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  const bool term = ::sigaction(SIGTERM, &action, &previousTerm_) == 0;
  const bool interrupt = ::sigaction(SIGINT, &action, &previousInt_) == 0;
  active_ = term && interrupt;
}

TerminationSignals::~TerminationSignals() {
  if (readFd_ >= 0) {
    ::sigaction(SIGTERM, &previousTerm_, nullptr);
    ::sigaction(SIGINT, &previousInt_, nullptr);
    signalPipe = -1;
    notifier_.reset();
    ::close(readFd_);
    ::close(writeFd_);
  }
}

void TerminationSignals::Drain() {
  char bytes[16];
  int received = 0;
  for (ssize_t n; (n = ::read(readFd_, bytes, sizeof bytes)) > 0;) received += static_cast<int>(n);
  for (int i = 0; i < received; ++i) {
    if (onSignal_) onSignal_();
  }
}

}  // namespace recast::app
