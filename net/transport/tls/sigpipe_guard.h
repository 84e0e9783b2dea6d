#pragma once
// The library writes to the socket itself, and a write to a socket whose peer
// went away raises SIGPIPE, which would end the program. While a guard lives,
// SIGPIPE is blocked on this thread and one raised meanwhile is discarded, so
// the failure comes back as an error result instead.

#include <signal.h>

namespace tls {

class SigPipeGuard {
public:
  SigPipeGuard();
  ~SigPipeGuard();
  SigPipeGuard(const SigPipeGuard&) = delete;
  SigPipeGuard& operator=(const SigPipeGuard&) = delete;

private:
  sigset_t PreviousMask;
  bool WasPending = false;
};

}  // namespace tls
