#include "platform/ldap/SigpipeGuard.h"

#include <pthread.h>
#include <time.h>

namespace recast::ldap {

namespace {
thread_local int guardDepth = 0;
}  // namespace

bool SigpipeIgnored() {
  struct sigaction current {};
  return sigaction(SIGPIPE, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) == 0 &&
         current.sa_handler == SIG_IGN;
}

SigpipeGuard::SigpipeGuard(bool needed) : counted_(needed) {
  if (!needed) return;
  outermost_ = guardDepth++ == 0;
  if (!outermost_) return;
  sigset_t pending;
  sigemptyset(&pending);
  sigpending(&pending);
  wasPending_ = sigismember(&pending, SIGPIPE) == 1;
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe, &saved_);
  wasBlocked_ = sigismember(&saved_, SIGPIPE) == 1;
}

SigpipeGuard::~SigpipeGuard() {
  if (!counted_) return;
  --guardDepth;
  if (!outermost_) return;
  if (!wasPending_) {
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    if (sigismember(&pending, SIGPIPE) == 1) {
      sigset_t pipe;
      sigemptyset(&pipe);
      sigaddset(&pipe, SIGPIPE);
      const timespec none{0, 0};
      sigtimedwait(&pipe, nullptr, &none);
    }
  }
  if (!wasBlocked_) pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
}

}  // namespace recast::ldap
