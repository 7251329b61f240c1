#pragma once
// libldap writes to its socket without MSG_NOSIGNAL, so a server that closed the connection
// would kill the whole program with SIGPIPE. While a guard lives, SIGPIPE is blocked for the
// calling thread; one raised meanwhile is consumed, so the write fails with EPIPE instead.
// Guards nest: only the outermost one of a thread touches the signal mask (four system calls),
// so service calls that call each other pay for it once. A program that ignores SIGPIPE needs
// none of it: a guard made with needed false does nothing (see SigpipeIgnored).

#include <signal.h>

namespace recast::ldap {

class SigpipeGuard {
 public:
  explicit SigpipeGuard(bool needed = true);
  ~SigpipeGuard();
  SigpipeGuard(const SigpipeGuard&) = delete;
  SigpipeGuard& operator=(const SigpipeGuard&) = delete;

 private:
  sigset_t saved_;
  bool outermost_ = false;
  bool wasPending_ = false;
  bool wasBlocked_ = false;
  bool counted_ = false;
};

// Whether the process ignores SIGPIPE now (the program's main does); one system call.
bool SigpipeIgnored();

}  // namespace recast::ldap
