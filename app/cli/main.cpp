// quillfen-cli: the download-and-convert job without a window, for one
// address or many.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include <fmt/core.h>

#include "app/app_folders.h"
#include "app/cli/batch_run.h"
#include "app/cli/cli_options.h"
#include "app/cli/cli_text.h"
#include "app/cli/interruption.h"
#include "app/cli/terminal_lines.h"
#include "app/cli/terminal_reporter.h"
#include "app/display_text.h"
#include "app/download_archive.h"
#include "app/job_session.h"
#include "app/messages.h"
#include "app/output_formats.h"
#include "app/output_name.h"
#include "app/translation/translations.h"
#include "platform/exception.h"

namespace {

// A local copy of the sites answers for both under its own host name.
TArchiveSites archiveSites(const std::string& siteHost) {
  if (siteHost.empty()) return TArchiveSites::Defaults();
  const std::string host = siteHost.substr(0, siteHost.rfind(':'));
  return {host, host};
}

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
    PrintError(error.Message);
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
  CatchInterruptions();
  if (!session.ProxyError().empty()) {
    PrintError(session.ProxyError());
    printHelpHint();
    return BadArguments;
  }
  if (options.Insecure)
    PrintLine(CliText(QT_TRANSLATE_NOOP("quillfen-cli", "warning: --insecure: servers' certificates are not checked")));

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
    if (isatty(STDERR_FILENO) && !options.Newline && !options.Quiet) BatchLine.emplace();
    RunJobsAtOnce(batch, reporter);
    const std::lock_guard<std::mutex> lock(OutputMutex);
    if (BatchLine) fmt::print(stderr, "\n");
    BatchLine.reset();
  } else {
    RunJobs(batch, session, reporter);
  }
  if (Interruption != 0) {
    PrintInterrupted();
    return 128 + Interruption;
  }

  int exitCode = Saved;
  size_t saved = 0, skipped = 0;
  for (const TAddressOutcome& outcome : batch.Outcomes) {
    if (exitCode == Saved) exitCode = outcome.ExitCode;
    saved += outcome.Kind == TAddressEnd::Saved;
    skipped += outcome.Kind == TAddressEnd::Skipped;
  }
  if (total > 1 && !options.Quiet && !options.Inspects()) {
    PrintLine(CliFormat(QT_TRANSLATE_NOOP("quillfen-cli", "{} of {} saved{}"), saved, total,
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
    PrintError(error.what());
    return OtherError;
  }
}
