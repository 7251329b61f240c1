#include "platform/ldap/SigpipeGuard.h"

#include <pthread.h>
#include <time.h>

namespace recast::ldap {

namespace {
thread_local int guardDepth = 0;
}  // namespace

SigpipeGuard::SigpipeGuard() {
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
