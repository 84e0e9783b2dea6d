// The addresses of one run, one job after another or several at once: each
// job with a session and a reporter of its own, the outcomes kept in the
// list's order.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/cli_options.h"
#include "app/cli/terminal_reporter.h"
#include "app/download_archive.h"
#include "app/job_failure.h"
#include "app/job_session.h"
#include "net/transport/socket_stop.h"

// The program's exit status: that of the first address in the list's order
// that failed.
enum ExitCode { Saved = 0, OtherError = 1, BadArguments = 2, NoVideo = 3, ConversionFailed = 4, NetworkError = 5 };

// A failure's exit code, by its kind.
int ExitCodeOf(TFailureKind failure);

// What became of one address: its line of the summary and its exit code.
enum class TAddressEnd { Inspected, Saved, Skipped, Failed };

struct TAddressOutcome {
  TAddressEnd Kind = TAddressEnd::Inspected;
  int ExitCode = Saved;
  std::string SummaryLine;
};

// What the jobs of one run share; each job has its own session and reporter.
struct TBatch {
  TBatch(const TCliOptions& options, const TSessionOptions& settings) : Options(options), Settings(settings) {}
  const TCliOptions& Options;
  const TSessionOptions& Settings;
  std::optional<TDownloadArchive> Archive;
  // Checked and recorded by one job at a time.
  std::mutex ArchiveMutex;
  TArchiveSites Sites;
  bool StdoutIsTerminal = false;
  std::vector<TAddressOutcome> Outcomes;

  // Which address a job takes next, and which have ended.
  std::mutex ScheduleMutex;
  std::condition_variable Ended;
  size_t Next = 0;
  size_t Running = 0;
  size_t Done = 0;
  std::vector<bool> AddressDone;
  // The index of an earlier address of the same video, or -1: it runs only
  // once that one has ended, so that the archive skips it and no two jobs
  // share a work folder.
  std::vector<ptrdiff_t> SameVideoBefore;
  size_t JobsLeft = 0;
  // What ended a job's thread: the run ends with it, as with one job.
  std::exception_ptr Failure;
  // The running jobs' sockets, shut on a signal so that a job waiting on a
  // silent server ends at once.
  std::vector<TSocketStop*> Stops;
};

// Takes the next address until none is left or a signal came.
void RunJobs(TBatch& batch, TJobSession& session, TTerminalReporter& reporter);
// Each job on a thread of its own, with a session and a reporter of its own;
// the names they give out are claimed in one place.
void RunJobsAtOnce(TBatch& batch, const TTerminalReporter& model);
