// quillfen-cli: the download-and-convert job without a window, for one
// address or many.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>
#include <vector>

#include <fmt/core.h>

#include "app/app_folders.h"
#include "app/cli/cli_options.h"
#include "app/cli/cli_text.h"
#include "app/cli/failure_text.h"
#include "app/cli/terminal_reporter.h"
#include "app/display_text.h"
#include "app/download_archive.h"
#include "app/error_text.h"
#include "app/job_session.h"
#include "app/messages.h"
#include "app/output_name.h"
#include "app/translation/translations.h"
#include "app/video_findings_text.h"
#include "net/transport/anti_freeze.h"
#include "net/transport/socket_stop.h"
#include "platform/exception.h"

namespace {

enum ExitCode { Saved = 0, OtherError = 1, BadArguments = 2, NoVideo = 3, ConversionFailed = 4, NetworkError = 5 };

int exitCodeOf(TFailureKind failure) {
  switch (failure) {
    case TFailureKind::None: return Saved;
    // A stream we will not save (live, protected, broken) has no video for us.
    case TFailureKind::NoVideo:
    case TFailureKind::RefusedStream: return NoVideo;
    case TFailureKind::BadInput: return BadArguments;
    case TFailureKind::Network:
    case TFailureKind::HttpStatus:
    case TFailureKind::Tls: return NetworkError;
    case TFailureKind::Conversion:
    case TFailureKind::Stopped: return ConversionFailed;
    case TFailureKind::DiskFull:
    case TFailureKind::Other: break;
  }
  return OtherError;
}

// A local copy of the sites answers for both under its own host name.
TArchiveSites archiveSites(const std::string& siteHost) {
  if (siteHost.empty()) return TArchiveSites::Defaults();
  const std::string host = siteHost.substr(0, siteHost.rfind(':'));
  return {host, host};
}

// The signal that asked the program to end, 0 while none did; the jobs'
// threads read it while any of them may take the signal.
std::atomic<int> interruption{0};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler may store only to a lock-free atomic");

void noteInterruption(int signal) { interruption = signal; }

// Ctrl-C and SIGTERM end the job at its next wait or progress event, so that
// it leaves no unfinished output behind; a second one ends the program at once.
void catchInterruptions() {
  struct sigaction action {};
  action.sa_handler = noteInterruption;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

// A noted signal aborts the job at its next wait or progress event, and a
// count held back reaches the screen while the server is silent.
void watchInterruption(TJobSession& session, TTerminalReporter& reporter) {
  if (interruption != 0 && session.Running()) session.Abort();
  reporter.Idle();
}

// Runs inside every wait of the network layer on the main thread and with
// the job's progress events, where the window's Stop would run.
class TInterruptWatch : public TIdAntiFreezeBase {
public:
  TInterruptWatch(TJobSession& session, TTerminalReporter& reporter) : session_(session), reporter_(reporter) {
    OnlyWhenIdle = false;
    IdleTimeOut = 100;
  }
  void Process() override { watchInterruption(session_, reporter_); }

private:
  TJobSession& session_;
  TTerminalReporter& reporter_;
};

// Lines from jobs that run at once go out whole, one after the other.
std::mutex outputMutex;

// With jobs at once on a terminal, the one redrawn line says how many run and
// how many are done; the jobs draw nothing, and lines about them go above it.
std::optional<std::string> batchLine;

void drawBatchLine() {
  if (batchLine) fmt::print(stderr, "\r\033[K{}", *batchLine);
  std::fflush(stderr);
}

// Makes room for a line on either stream, with the output lock held: the
// batch line is drawn again below it by drawBatchLine.
void clearBatchLine() {
  if (batchLine) fmt::print(stderr, "\r\033[K");
  std::fflush(stderr);
}

// A line about an address may hold what a server, a page or a list said:
// none of it may steer the terminal.
void printLine(const std::string& text) {
  const std::lock_guard<std::mutex> lock(outputMutex);
  clearBatchLine();
  fmt::print(stderr, "quillfen-cli: {}\n", DisplayText(text));
  drawBatchLine();
}

void printError(const std::string& message) { printLine(ErrorBoxText(TranslatedMessage(message))); }

void printHelpHint() {
  fmt::print(stderr, "{}\n", CliText(QT_TRANSLATE_NOOP("quillfen-cli", "Try 'quillfen-cli --help'.")));
}

// "-" is standard input.
std::string readListFile(const std::string& path) {
  std::stringstream text;
  if (path == "-") {
    text << std::cin.rdbuf();
    return text.str();
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) throw Exception("it cannot be opened");
  text << file.rdbuf();
  return text.str();
}

// The output's folder is made with the other checks of the arguments rather
// than found missing after the download: for a template, the folder before
// its first field (folders named by a title are made as each video is saved).
void makeOutputFolder(const std::string& output) {
  const std::string fixed = IsNameTemplate(output) ? output.substr(0, output.find('%')) : output;
  const std::filesystem::path folder = std::filesystem::path(fixed).parent_path();
  if (folder.empty()) return;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) throw EBadArguments(MessageFormat(app_messages::CannotMakeOutputFolder, folder.string(), error.message()));
  if (::access(folder.c_str(), W_OK | X_OK) != 0)
    throw EBadArguments(MessageFormat(app_messages::CannotWriteOutputFolder, folder.string(), std::strerror(errno)));
}

// What -F, -j and --print show of an address; -s shows nothing.
void printFindings(const TCliOptions& options, TTerminalReporter& reporter, const std::string& address,
                   const TVideoFindings& findings) {
  const TOutputFormat* format = options.Choices.Format ? FindOutputFormat(*options.Choices.Format) : nullptr;
  TFindingsView view;
  view.Findings = &findings;
  view.WebpageUrl = address;
  view.Id = reporter.NameFields().Id;
  view.Format = reporter.NameFields().Format;
  view.Domain = reporter.NameFields().Domain;
  view.Extension = format && *format->Extension ? std::string(format->Extension) : LikelyOriginalExtension(findings);
  const streams::TStreamVariant* chosen = ChosenQuality(findings);
  reporter.SetPicture(chosen ? chosen->Width : 0, chosen ? chosen->Height : 0, findings.UploadDate);
  view.FileName = reporter.OutputName(findings.Title, view.Extension);
  const std::lock_guard<std::mutex> lock(outputMutex);
  clearBatchLine();
  if (options.ListFormats) fmt::print("{}", DisplayText(QualityTable(findings, CliText)));
  if (options.DumpJson) fmt::print("{}", FindingsJson(view));
  if (!options.PrintField.empty()) {
    const std::string value = FindingsField(view, options.PrintField).value_or("NA");
    fmt::print("{}\n", isatty(STDOUT_FILENO) ? DisplayText(value) : value);
  }
  std::fflush(stdout);
  drawBatchLine();
}

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

TAddressOutcome runAddress(TBatch& batch, TJobSession& session, TTerminalReporter& reporter,
                           const std::string& address) {
  const TCliOptions& options = batch.Options;
  TAddressOutcome outcome;
  // The job tells no front end where the video finally came from, so the
  // address given stands for it both before and after.
  const std::string archiveKey = DownloadArchiveKey(address, "", batch.Sites);
  bool archived = false;
  if (batch.Archive) {
    const std::lock_guard<std::mutex> lock(batch.ArchiveMutex);
    archived = batch.Archive->Contains(archiveKey);
  }
  if (archived) {
    if (!options.Quiet)
      printLine(CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "{}: already in the download archive"), address));
    outcome.Kind = TAddressEnd::Skipped;
    outcome.SummaryLine = CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "  skipped {}"), address);
    return outcome;
  }
  // A watch page's entry is its site and video id; any other is the address.
  const size_t space = archiveKey.find(' ');
  reporter.BeginVideo(address, archiveKey.starts_with("url ") ? "" : archiveKey.substr(space + 1));
  if (options.Inspects()) {
    TVideoFindings findings;
    const TSessionResult result = session.Inspect(address, options.Choices, findings);
    reporter.FinishJob(false);
    if (interruption != 0) return outcome;
    if (result.Saved()) {
      printFindings(options, reporter, address, findings);
      return outcome;
    }
    printLine(FailureLine(result, {reporter.ChosenFileName(), batch.Settings.Folders.Work, options.TimeoutSeconds}));
    outcome.ExitCode = exitCodeOf(result.Failure.Kind);
    return outcome;
  }
  const TSessionResult result = session.Run(address, options.Choices);
  const std::string keptExisting = reporter.KeptExisting();
  reporter.FinishJob(result.Saved());
  if (interruption != 0) return outcome;
  if (result.Saved()) {
    if (batch.Archive) {
      const std::lock_guard<std::mutex> lock(batch.ArchiveMutex);
      batch.Archive->Record(archiveKey);
    }
    {
      // A script reading a pipe needs the name as the file system holds it;
      // a person at a terminal reads a name that may come from a title.
      const std::lock_guard<std::mutex> lock(outputMutex);
      clearBatchLine();
      fmt::print("{}\n", batch.StdoutIsTerminal ? DisplayText(result.OutputFile) : result.OutputFile);
      std::fflush(stdout);
      drawBatchLine();
    }
    outcome.Kind = TAddressEnd::Saved;
    outcome.SummaryLine =
        CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "  saved   {} -> {}"), address, result.OutputFile);
    return outcome;
  }
  const std::string line =
      keptExisting.empty()
          ? FailureLine(result, {reporter.ChosenFileName(), batch.Settings.Folders.Work, options.TimeoutSeconds})
          : ErrorBoxText(MessageFormat(app_messages::OutputExists, keptExisting));
  printLine(line);
  outcome.Kind = TAddressEnd::Failed;
  outcome.ExitCode = keptExisting.empty() ? exitCodeOf(result.Failure.Kind) : BadArguments;
  outcome.SummaryLine = CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "  failed  {}: {}"), address, line);
  return outcome;
}

// Called with the schedule locked, so that the counts drawn last are the latest.
void showBatchProgress(const TBatch& batch) {
  const std::lock_guard<std::mutex> lock(outputMutex);
  if (!batchLine) return;
  batchLine = CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "{} running, {} of {} done"), batch.Running, batch.Done,
                        batch.Options.Addresses.size());
  drawBatchLine();
}

// Takes the next address until none is left or a signal came.
void runJobs(TBatch& batch, TJobSession& session, TTerminalReporter& reporter) {
  const size_t total = batch.Options.Addresses.size();
  for (;;) {
    size_t index = 0;
    {
      std::unique_lock<std::mutex> lock(batch.ScheduleMutex);
      if (interruption != 0 || batch.Next == total) return;
      index = batch.Next++;
      const ptrdiff_t before = batch.SameVideoBefore[index];
      while (before >= 0 && !batch.AddressDone[size_t(before)]) {
        if (interruption != 0) return;
        batch.Ended.wait_for(lock, std::chrono::milliseconds(100));
      }
      ++batch.Running;
      showBatchProgress(batch);
    }
    if (batch.Options.Jobs > 1) reporter.LinePrefix = fmt::format("[{}/{}] ", index + 1, total);
    batch.Outcomes[index] = runAddress(batch, session, reporter, batch.Options.Addresses[index]);
    {
      const std::lock_guard<std::mutex> lock(batch.ScheduleMutex);
      batch.AddressDone[index] = true;
      --batch.Running;
      ++batch.Done;
      showBatchProgress(batch);
    }
    batch.Ended.notify_all();
  }
}

// A job whose sockets were shut notices the signal at once; one that does
// not end anyway (a conversion between its progress events) is left after
// this long.
constexpr auto InterruptedJobsGrace = std::chrono::seconds(2);

void printInterrupted() {
  printError(MessageFormat(app_messages::Interrupted, interruption == SIGINT ? "SIGINT" : "SIGTERM"));
}

// Each job on a thread of its own, with a session and a reporter of its own;
// the names they give out are claimed in one place.
void runJobsAtOnce(TBatch& batch, const TTerminalReporter& model) {
  const size_t jobs = std::min(size_t(batch.Options.Jobs), batch.Options.Addresses.size());
  batch.JobsLeft = jobs;
  const bool quietJobs = model.Quiet || batchLine.has_value();
  std::vector<std::thread> threads;
  for (size_t job = 0; job < jobs; ++job)
    threads.emplace_back([&batch, &model, quietJobs] {
      TSocketStop stop;
      const TSocketStop::TScope scope(stop);
      {
        const std::lock_guard<std::mutex> lock(batch.ScheduleMutex);
        batch.Stops.push_back(&stop);
        if (interruption != 0) stop.Stop();
      }
      try {
        TTerminalReporter reporter(stderr, false, batch.Options.OutputFile, batch.Options.Choices.Format);
        reporter.KeepExisting = model.KeepExisting;
        reporter.Quiet = quietJobs;
        reporter.NoProgress = model.NoProgress;
        reporter.RestrictFilenames = model.RestrictFilenames;
        reporter.Names = model.Names;
        TJobSession session(reporter, batch.Settings);
        reporter.OnProcessMessages = [&session, &reporter] { watchInterruption(session, reporter); };
        reporter.OnKeptExisting = [&session] { session.Abort(); };
        runJobs(batch, session, reporter);
      } catch (...) {
        const std::lock_guard<std::mutex> lock(batch.ScheduleMutex);
        if (!batch.Failure) batch.Failure = std::current_exception();
        batch.Next = batch.Options.Addresses.size();
      }
      {
        const std::lock_guard<std::mutex> lock(batch.ScheduleMutex);
        --batch.JobsLeft;
        std::erase(batch.Stops, &stop);
      }
      batch.Ended.notify_all();
    });
  std::unique_lock<std::mutex> lock(batch.ScheduleMutex);
  std::optional<std::chrono::steady_clock::time_point> interrupted;
  while (batch.JobsLeft > 0) {
    batch.Ended.wait_for(lock, std::chrono::milliseconds(100));
    if (interruption == 0) continue;
    const auto now = std::chrono::steady_clock::now();
    if (!interrupted) {
      interrupted = now;
      for (TSocketStop* stop : batch.Stops) stop->Stop();
    }
    if (now - *interrupted < InterruptedJobsGrace) continue;
    printInterrupted();
    std::_Exit(128 + interruption);
  }
  lock.unlock();
  for (std::thread& thread : threads) thread.join();
  if (batch.Failure) std::rethrow_exception(batch.Failure);
}

int run(const std::vector<std::string>& arguments) {
  TCliOptions options;
  try {
    options = ParseCliOptions(arguments, ConverterOptionLists(), readListFile);
    if (options.Reply) {
      fmt::print("{}", *options.Reply);
      return Saved;
    }
    makeOutputFolder(options.OutputFile);
    // A format of its own extension names the file now; Original's is known
    // once the streams are.
    const TOutputFormat* format = options.Choices.Format ? FindOutputFormat(*options.Choices.Format) : nullptr;
    const std::string fixedName = NameWithExtension(options.OutputFile, format ? format->Extension : "");
    if (options.NoOverwrite && !IsNameTemplate(options.OutputFile) && std::filesystem::exists(fixedName))
      throw EBadArguments(MessageFormat(app_messages::OutputExists, fixedName));
  } catch (const Exception& error) {
    printError(error.Message);
    printHelpHint();
    return BadArguments;
  }

  TSessionOptions settings;
  settings.Folders = LocateAppFolders(RunningProgramPath());
  settings.Environment = [](const char* name) { return std::getenv(name); };
  settings.ForcedProxy = options.Proxy;
  settings.Insecure = options.Insecure;
  settings.Retries = options.Retries;
  settings.ReadTimeout = options.TimeoutSeconds * 1000;
  settings.ContinuePartial = options.ContinuePartial;
  settings.Streams = options.Streams;
  settings.LimitRate = options.LimitRate;
  settings.SiteHost = options.SiteHost;
  // --newline gives a terminal the lines a pipe gets.
  TTerminalReporter reporter(stderr, isatty(STDERR_FILENO) && !options.Newline, options.OutputFile,
                             options.Choices.Format);
  reporter.KeepExisting = options.NoOverwrite;
  reporter.Quiet = options.Quiet;
  reporter.NoProgress = options.NoProgress;
  reporter.RestrictFilenames = options.RestrictFilenames;
  TJobSession session(reporter, settings);
  TInterruptWatch watch(session, reporter);
  reporter.OnProcessMessages = [&watch] { watch.Process(); };
  reporter.OnKeptExisting = [&session] { session.Abort(); };
  catchInterruptions();
  if (!session.ProxyError().empty()) {
    printError(session.ProxyError());
    printHelpHint();
    return BadArguments;
  }
  if (options.Insecure)
    printLine(CliText(QT_TRANSLATE_NOOP("quillfen-cli", "warning: --insecure: servers' certificates are not checked")));

  TBatch batch(options, settings);
  if (!options.DownloadArchive.empty()) batch.Archive.emplace(options.DownloadArchive);
  batch.Sites = archiveSites(options.SiteHost);
  batch.StdoutIsTerminal = isatty(STDOUT_FILENO);
  const size_t total = options.Addresses.size();
  batch.Outcomes.resize(total);
  batch.AddressDone.assign(total, false);
  batch.SameVideoBefore.assign(total, -1);
  std::map<std::string, size_t> lastOfVideo;
  for (size_t index = 0; index < total; ++index) {
    const std::string key = DownloadArchiveKey(options.Addresses[index], "", batch.Sites);
    if (const auto earlier = lastOfVideo.find(key); earlier != lastOfVideo.end())
      batch.SameVideoBefore[index] = ptrdiff_t(earlier->second);
    lastOfVideo[key] = index;
  }
  if (options.Jobs > 1 && total > 1) {
    if (isatty(STDERR_FILENO) && !options.Newline && !options.Quiet) batchLine.emplace();
    runJobsAtOnce(batch, reporter);
    const std::lock_guard<std::mutex> lock(outputMutex);
    if (batchLine) fmt::print(stderr, "\n");
    batchLine.reset();
  } else {
    runJobs(batch, session, reporter);
  }
  if (interruption != 0) {
    printInterrupted();
    return 128 + interruption;
  }

  int exitCode = Saved;
  size_t saved = 0, skipped = 0;
  for (const TAddressOutcome& outcome : batch.Outcomes) {
    if (exitCode == Saved) exitCode = outcome.ExitCode;
    saved += outcome.Kind == TAddressEnd::Saved;
    skipped += outcome.Kind == TAddressEnd::Skipped;
  }
  if (total > 1 && !options.Quiet && !options.Inspects()) {
    printLine(CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "{} of {} saved{}"), saved, total,
                        skipped ? CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", ", {} skipped"), skipped) : ""));
    for (const TAddressOutcome& outcome : batch.Outcomes)
      if (!outcome.SummaryLine.empty()) fmt::print(stderr, "{}\n", DisplayText(outcome.SummaryLine));
  }
  return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    LoadTranslations(LocateDataFolder(RunningProgramPath()));
    return run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& error) {
    printError(error.what());
    return OtherError;
  }
}
