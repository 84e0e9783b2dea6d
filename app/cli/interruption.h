// Ctrl-C and SIGTERM: noted by a signal handler, and acted on by the jobs at
// their next wait or progress event, so that they leave no unfinished output.
#pragma once

#include <atomic>

#include "app/cli/terminal_reporter.h"
#include "app/job_session.h"
#include "net/transport/anti_freeze.h"

// The signal that asked the program to end, 0 while none did; the jobs'
// threads read it while any of them may take the signal.
extern std::atomic<int> Interruption;

// Ctrl-C and SIGTERM set Interruption; a second one ends the program at once.
void CatchInterruptions();

// A noted signal aborts the job at its next wait or progress event, and a
// count held back reaches the screen while the server is silent.
void WatchInterruption(TJobSession& session, TTerminalReporter& reporter);

// Runs inside every wait of the network layer on the main thread and with
// the job's progress events, where the window's Stop would run.
class TInterruptWatch : public TIdAntiFreezeBase {
public:
  TInterruptWatch(TJobSession& session, TTerminalReporter& reporter) : session_(session), reporter_(reporter) {
    OnlyWhenIdle = false;
    IdleTimeOut = 100;
  }
  void Process() override { WatchInterruption(session_, reporter_); }

private:
  TJobSession& session_;
  TTerminalReporter& reporter_;
};

// "Stopped by SIGINT", as an error line.
void PrintInterrupted();
