#include "app/cli/interruption.h"

#include <signal.h>

#include "app/cli/cli_text.h"
#include "app/cli/terminal_lines.h"
#include "app/messages.h"

std::atomic<int> Interruption{0};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler may store only to a lock-free atomic");

namespace {
void noteInterruption(int signal) { Interruption = signal; }
}  // namespace

void CatchInterruptions() {
  struct sigaction action {};
  action.sa_handler = noteInterruption;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

void WatchInterruption(TJobSession& session, TTerminalReporter& reporter) {
  if (Interruption != 0 && session.Running()) session.Abort();
  reporter.Idle();
}

void PrintInterrupted() {
  PrintError(MessageFormat(app_messages::Interrupted, Interruption == SIGINT ? "SIGINT" : "SIGTERM"));
}
