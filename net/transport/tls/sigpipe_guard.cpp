#include "net/transport/tls/sigpipe_guard.h"

#include <pthread.h>

#include <cerrno>
#include <ctime>

namespace tls {

namespace {
sigset_t sigPipeOnly() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGPIPE);
  return set;
}

bool sigPipePending() {
  sigset_t pending;
  sigpending(&pending);
  return sigismember(&pending, SIGPIPE) == 1;
}
}  // namespace

SigPipeGuard::SigPipeGuard() {
  const sigset_t set = sigPipeOnly();
  pthread_sigmask(SIG_BLOCK, &set, &PreviousMask);
  WasPending = sigPipePending();
}

SigPipeGuard::~SigPipeGuard() {
  // The caller reads errno after the guarded call.
  const int savedErrno = errno;
  if (!WasPending && sigPipePending()) {
    const sigset_t set = sigPipeOnly();
    const timespec noWait{0, 0};
    sigtimedwait(&set, nullptr, &noWait);
  }
  pthread_sigmask(SIG_SETMASK, &PreviousMask, nullptr);
  errno = savedErrno;
}

}  // namespace tls
