// quillfen-cli: the download-and-convert job without a window, for one
// address or many.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

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

// The signal that asked the program to end, 0 while none did.
volatile std::sig_atomic_t interruption = 0;

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

// Runs inside every wait of the network layer on this thread and with the
// job's progress events, where the window's Stop would run: a noted signal
// aborts the job there, and a count held back reaches the screen while the
// server is silent.
class TInterruptWatch : public TIdAntiFreezeBase {
public:
  TInterruptWatch(TJobSession& session, TTerminalReporter& reporter) : session_(session), reporter_(reporter) {
    OnlyWhenIdle = false;
    IdleTimeOut = 100;
  }
  void Process() override {
    if (interruption != 0 && session_.Running()) session_.Abort();
    reporter_.Idle();
  }

private:
  TJobSession& session_;
  TTerminalReporter& reporter_;
};

// A line about an address may hold what a server, a page or a list said:
// none of it may steer the terminal.
void printLine(const std::string& text) { fmt::print(stderr, "quillfen-cli: {}\n", DisplayText(text)); }

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
  if (options.ListFormats) fmt::print("{}", DisplayText(QualityTable(findings, CliText)));
  if (options.DumpJson) fmt::print("{}", FindingsJson(view));
  if (!options.PrintField.empty()) {
    const std::string value = FindingsField(view, options.PrintField).value_or("NA");
    fmt::print("{}\n", isatty(STDOUT_FILENO) ? DisplayText(value) : value);
  }
  std::fflush(stdout);
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

  int exitCode = Saved;
  std::vector<std::string> summary;
  size_t saved = 0, skipped = 0;
  std::optional<TDownloadArchive> archive;
  if (!options.DownloadArchive.empty()) archive.emplace(options.DownloadArchive);
  const TArchiveSites sites = archiveSites(options.SiteHost);
  const bool stdoutIsTerminal = isatty(STDOUT_FILENO);
  for (const std::string& address : options.Addresses) {
    // The job tells no front end where the video finally came from, so the
    // address given stands for it both before and after.
    const std::string archiveKey = DownloadArchiveKey(address, "", sites);
    if (archive && archive->Contains(archiveKey)) {
      ++skipped;
      if (!options.Quiet)
        printLine(CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "{}: already in the download archive"), address));
      summary.push_back(CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "  skipped {}"), address));
      continue;
    }
    // A watch page's entry is its site and video id; any other is the address.
    const size_t space = archiveKey.find(' ');
    reporter.BeginVideo(address, archiveKey.starts_with("url ") ? "" : archiveKey.substr(space + 1));
    if (options.Inspects()) {
      TVideoFindings findings;
      const TSessionResult result = session.Inspect(address, options.Choices, findings);
      reporter.FinishJob(false);
      if (interruption != 0) {
        printError(MessageFormat(app_messages::Interrupted, interruption == SIGINT ? "SIGINT" : "SIGTERM"));
        return 128 + interruption;
      }
      if (result.Saved()) {
        printFindings(options, reporter, address, findings);
        continue;
      }
      printLine(FailureLine(result, {reporter.ChosenFileName(), settings.Folders.Work, options.TimeoutSeconds}));
      if (exitCode == Saved) exitCode = exitCodeOf(result.Failure.Kind);
      continue;
    }
    const TSessionResult result = session.Run(address, options.Choices);
    const std::string keptExisting = reporter.KeptExisting();
    reporter.FinishJob(result.Saved());
    if (interruption != 0) {
      printError(MessageFormat(app_messages::Interrupted, interruption == SIGINT ? "SIGINT" : "SIGTERM"));
      return 128 + interruption;
    }
    if (result.Saved()) {
      ++saved;
      if (archive) archive->Record(archiveKey);
      // A script reading a pipe needs the name as the file system holds it;
      // a person at a terminal reads a name that may come from a title.
      fmt::print("{}\n", stdoutIsTerminal ? DisplayText(result.OutputFile) : result.OutputFile);
      std::fflush(stdout);
      summary.push_back(CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "  saved   {} -> {}"), address, result.OutputFile));
      continue;
    }
    const std::string line =
        keptExisting.empty()
            ? FailureLine(result, {reporter.ChosenFileName(), settings.Folders.Work, options.TimeoutSeconds})
            : ErrorBoxText(MessageFormat(app_messages::OutputExists, keptExisting));
    printLine(line);
    if (exitCode == Saved) exitCode = keptExisting.empty() ? exitCodeOf(result.Failure.Kind) : BadArguments;
    summary.push_back(CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "  failed  {}: {}"), address, line));
  }
  if (options.Addresses.size() > 1 && !options.Quiet && !options.Inspects()) {
    printLine(CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "{} of {} saved{}"), saved, options.Addresses.size(),
                        skipped ? CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", ", {} skipped"), skipped) : ""));
    for (const std::string& line : summary) fmt::print(stderr, "{}\n", DisplayText(line));
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
