#include "app/cli/batch_run.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <fmt/core.h>

#include "app/cli/cli_text.h"
#include "app/cli/failure_text.h"
#include "app/cli/interruption.h"
#include "app/cli/terminal_lines.h"
#include "app/display_text.h"
#include "app/error_text.h"
#include "app/messages.h"
#include "app/output_formats.h"
#include "app/video_findings_text.h"

int ExitCodeOf(TFailureKind failure) {
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

namespace {

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
  const std::lock_guard<std::mutex> lock(OutputMutex);
  ClearBatchLine();
  if (options.ListFormats) fmt::print("{}", DisplayText(QualityTable(findings, CliText)));
  if (options.DumpJson) fmt::print("{}", FindingsJson(view));
  if (!options.PrintField.empty()) {
    const std::string value = FindingsField(view, options.PrintField).value_or("NA");
    fmt::print("{}\n", isatty(STDOUT_FILENO) ? DisplayText(value) : value);
  }
  std::fflush(stdout);
  DrawBatchLine();
}
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
      PrintLine(CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "{}: already in the download archive"), address));
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
    if (Interruption != 0) return outcome;
    if (result.Saved()) {
      printFindings(options, reporter, address, findings);
      return outcome;
    }
    PrintLine(FailureLine(result, {reporter.ChosenFileName(), batch.Settings.Folders.Work, options.TimeoutSeconds}));
    outcome.ExitCode = ExitCodeOf(result.Failure.Kind);
    return outcome;
  }
  const TSessionResult result = session.Run(address, options.Choices);
  const std::string keptExisting = reporter.KeptExisting();
  reporter.FinishJob(result.Saved());
  if (Interruption != 0) return outcome;
  if (result.Saved()) {
    if (batch.Archive) {
      const std::lock_guard<std::mutex> lock(batch.ArchiveMutex);
      batch.Archive->Record(archiveKey);
    }
    {
      // A script reading a pipe needs the name as the file system holds it;
      // a person at a terminal reads a name that may come from a title.
      const std::lock_guard<std::mutex> lock(OutputMutex);
      ClearBatchLine();
      fmt::print("{}\n", batch.StdoutIsTerminal ? DisplayText(result.OutputFile) : result.OutputFile);
      std::fflush(stdout);
      DrawBatchLine();
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
  PrintLine(line);
  outcome.Kind = TAddressEnd::Failed;
  outcome.ExitCode = keptExisting.empty() ? ExitCodeOf(result.Failure.Kind) : BadArguments;
  outcome.SummaryLine = CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "  failed  {}: {}"), address, line);
  return outcome;
}

// Called with the schedule locked, so that the counts drawn last are the latest.
void showBatchProgress(const TBatch& batch) {
  const std::lock_guard<std::mutex> lock(OutputMutex);
  if (!BatchLine) return;
  BatchLine = CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "{} running, {} of {} done"), batch.Running, batch.Done,
                        batch.Options.Addresses.size());
  DrawBatchLine();
}

// A job whose sockets were shut notices the signal at once; one that does
// not end anyway (a conversion between its progress events) is left after
// this long.
constexpr auto InterruptedJobsGrace = std::chrono::seconds(2);

}  // namespace

void RunJobs(TBatch& batch, TJobSession& session, TTerminalReporter& reporter) {
  const size_t total = batch.Options.Addresses.size();
  for (;;) {
    size_t index = 0;
    {
      std::unique_lock<std::mutex> lock(batch.ScheduleMutex);
      if (Interruption != 0 || batch.Next == total) return;
      index = batch.Next++;
      const ptrdiff_t before = batch.SameVideoBefore[index];
      while (before >= 0 && !batch.AddressDone[size_t(before)]) {
        if (Interruption != 0) return;
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

void RunJobsAtOnce(TBatch& batch, const TTerminalReporter& model) {
  const size_t jobs = std::min(size_t(batch.Options.Jobs), batch.Options.Addresses.size());
  batch.JobsLeft = jobs;
  const bool quietJobs = model.Quiet || BatchLine.has_value();
  std::vector<std::thread> threads;
  for (size_t job = 0; job < jobs; ++job)
    threads.emplace_back([&batch, &model, quietJobs] {
      TSocketStop stop;
      const TSocketStop::TScope scope(stop);
      {
        const std::lock_guard<std::mutex> lock(batch.ScheduleMutex);
        batch.Stops.push_back(&stop);
        if (Interruption != 0) stop.Stop();
      }
      try {
        TTerminalReporter reporter(stderr, false, batch.Options.OutputFile, batch.Options.Choices.Format);
        reporter.KeepExisting = model.KeepExisting;
        reporter.Quiet = quietJobs;
        reporter.NoProgress = model.NoProgress;
        reporter.RestrictFilenames = model.RestrictFilenames;
        reporter.Names = model.Names;
        TJobSession session(reporter, batch.Settings);
        reporter.OnProcessMessages = [&session, &reporter] { WatchInterruption(session, reporter); };
        reporter.OnKeptExisting = [&session] { session.Abort(); };
        RunJobs(batch, session, reporter);
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
    if (Interruption == 0) continue;
    const auto now = std::chrono::steady_clock::now();
    if (!interrupted) {
      interrupted = now;
      for (TSocketStop* stop : batch.Stops) stop->Stop();
    }
    if (now - *interrupted < InterruptedJobsGrace) continue;
    PrintInterrupted();
    std::_Exit(128 + Interruption);
  }
  lock.unlock();
  for (std::thread& thread : threads) thread.join();
  if (batch.Failure) std::rethrow_exception(batch.Failure);
}
