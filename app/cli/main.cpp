// quillfen-cli: the download-and-convert job without a window.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

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
#include "platform/exception.h"

namespace {

enum ExitCode { Saved = 0, OtherError = 1, BadArguments = 2, NoVideo = 3, ConversionFailed = 4, NetworkError = 5 };

void printError(const std::string& message) { fmt::print(stderr, "quillfen-cli: {}\n", ErrorBoxText(message)); }

int run(const std::vector<std::string>& arguments) {
  TVideoEdit videoEdit;
  TCliOptions options;
  std::unique_ptr<TProxyPolicy> proxies;
  try {
    options = ParseCliOptions(arguments, videoEdit);
    if (options.Help) {
      fmt::print("{}", CliUsage);
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
  job.BeforeFetch = [&](const std::string& url) { proxies->Apply(http, url); };
  if (!options.SiteHost.empty()) job.Hosts = {options.SiteHost, options.SiteHost};

  try {
    const TJobResult result = job.Run(options.WatchAddress, options.Choices);
    reporter.FinishLine();
    switch (result) {
      case TJobResult::Done:
        fmt::print("{}\n", reporter.ChosenFileName());
        return Saved;
      case TJobResult::NoVideo:
        return NoVideo;
      case TJobResult::SaveFailed:
        if (!videoEdit.LastError().empty()) printError(videoEdit.LastError());
        return ConversionFailed;
      default:
        return ConversionFailed;
    }
  } catch (const EConvertError& error) {
    reporter.FinishLine();
    printError(error.Message);
    return BadArguments;
  } catch (const EIdException& error) {
    reporter.FinishLine();
    printError(error.Message);
    return NetworkError;
  } catch (const Exception& error) {
    reporter.FinishLine();
    printError(error.Message);
    return OtherError;
  }
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
