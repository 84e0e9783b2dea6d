// quillfen-cli: the download-and-convert job without a window, for one
// address or many.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <fmt/core.h>

#include "app/app_folders.h"
#include "app/cli/cli_options.h"
#include "app/cli/terminal_reporter.h"
#include "app/download_job.h"
#include "app/error_text.h"
#include "app/http_settings.h"
#include "app/proxy_settings.h"
#include "converter/video_edit.h"
#include "net/http/http_client.h"
#include "net/transport/tls/ssl_options.h"
#include "platform/exception.h"

namespace {

enum ExitCode { Saved = 0, OtherError = 1, BadArguments = 2, NoVideo = 3, ConversionFailed = 4, NetworkError = 5 };

void printError(const std::string& message) { fmt::print(stderr, "quillfen-cli: {}\n", ErrorBoxText(message)); }

std::string readListFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("it cannot be opened");
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// One address through the job; the exit code it alone would give, and why
// it failed.
int runOne(TDownloadJob& job, TTerminalReporter& reporter, TVideoEdit& videoEdit, const std::string& address,
           const TOutputChoices& choices, std::string& failure) {
  try {
    const TJobResult result = job.Run(address, choices);
    reporter.FinishLine();
    switch (result) {
      case TJobResult::Done:
        fmt::print("{}\n", reporter.ChosenFileName());
        std::fflush(stdout);
        return Saved;
      case TJobResult::NoVideo:
        failure = "No video";
        return NoVideo;
      case TJobResult::SaveFailed:
        failure = videoEdit.LastError().empty() ? "Fail to save file" : videoEdit.LastError();
        if (!videoEdit.LastError().empty()) printError(videoEdit.LastError());
        return ConversionFailed;
      case TJobResult::TimelineEmpty:
        failure = "Timeline empty,cannot process";
        return ConversionFailed;
      default:
        failure = "Not saved";
        return ConversionFailed;
    }
  } catch (const EConvertError& error) {
    failure = error.Message;
    reporter.FinishLine();
    printError(error.Message);
    return BadArguments;
  } catch (const EIdException& error) {
    failure = error.Message;
    reporter.FinishLine();
    printError(error.Message);
    return NetworkError;
  } catch (const Exception& error) {
    failure = error.Message;
    reporter.FinishLine();
    printError(error.Message);
    return OtherError;
  } catch (const std::exception& error) {
    failure = error.what();
    reporter.FinishLine();
    printError(error.what());
    return OtherError;
  }
}

int run(const std::vector<std::string>& arguments) {
  TVideoEdit videoEdit;
  TCliOptions options;
  std::unique_ptr<TProxyPolicy> proxies;
  try {
    options = ParseCliOptions(arguments, videoEdit, readListFile);
    if (options.Reply) {
      fmt::print("{}", *options.Reply);
      return Saved;
    }
    proxies = TProxyPolicy::FromEnvironment([](const char* name) { return std::getenv(name); });
  } catch (const std::exception& error) {
    printError(error.what());
    fmt::print(stderr, "Try 'quillfen-cli --help'.\n");
    return BadArguments;
  }
  proxies->Forced = options.Proxy;

  const TAppFolders folders = LocateAppFolders(RunningProgramPath());
  TIdHTTP http;
  ApplyMainWindowSettings(http);
  TTerminalReporter reporter(stderr, isatty(STDERR_FILENO), options.OutputFile, options.Choices.FormatIndex);
  TDownloadJob job(http, videoEdit, reporter, folders.Work, folders.Profiles);
  http.ProxyChooser = proxies.get();
  job.Retries = options.Retries;
  job.ContinuePartial = options.ContinuePartial;
  if (!options.SiteHost.empty()) job.Hosts = {options.SiteHost, options.SiteHost};
  if (options.Insecure) {
    job.TlsOptions().SetVerifyMode({});
    fmt::print(stderr, "quillfen-cli: warning: --insecure: servers' certificates are not checked\n");
  }

  int exitCode = Saved;
  std::vector<std::string> summary;
  size_t saved = 0;
  for (const std::string& address : options.Addresses) {
    std::string failure;
    const int code = runOne(job, reporter, videoEdit, address, options.Choices, failure);
    if (code == Saved) {
      ++saved;
      summary.push_back(fmt::format("  saved   {} -> {}", address, reporter.ChosenFileName()));
    } else {
      if (exitCode == Saved) exitCode = code;
      summary.push_back(fmt::format("  failed  {}: {}", address, ErrorBoxText(failure)));
    }
  }
  if (options.Addresses.size() > 1) {
    fmt::print(stderr, "quillfen-cli: {} of {} saved\n", saved, options.Addresses.size());
    for (const std::string& line : summary) fmt::print(stderr, "{}\n", line);
  }
  return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& error) {
    printError(error.what());
    return OtherError;
  }
}
