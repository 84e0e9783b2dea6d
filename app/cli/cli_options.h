// The command line of quillfen-cli: the addresses, the output file or a name
// template, the same output choices the window offers (named instead of
// picked), and how the downloads are made.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/option_lists.h"
#include "app/output_formats.h"
#include "app/proxy_settings.h"
#include "app/streams/stream_settings.h"
#include "platform/exception.h"

struct TCliOptions {
  // From the command line, then from the list file, in order.
  std::vector<std::string> Addresses;
  std::string OutputFile;
  // --jobs: addresses fetched at once, each in a session of its own.
  int Jobs = 1;
  TOutputChoices Choices;
  std::optional<TProxyAddress> Proxy;
  // host[:port] of a local copy of both sites, which gets the video requests.
  std::string SiteHost;
  int Retries = 3;
  // For a connect, a TLS handshake and each read; 0 waits for ever.
  int TimeoutSeconds = 30;
  // --limit-rate: bytes a second for each job, across its connections; 0 for
  // no limit.
  int64_t LimitRate = 0;
  bool ContinuePartial = false;
  // The record of saved videos: those in it are skipped, and each one saved
  // is added. Empty: none.
  std::string DownloadArchive;
  // -N and --max-height; the quality is the highest bandwidth, never chosen
  // by the output's height.
  TStreamSettings Streams{.ByOutputHeight = false, .MaxHeight = std::nullopt};
  // Servers' certificates are not checked.
  bool Insecure = false;
  // An existing output file is kept and the address refused.
  bool NoOverwrite = false;
  // A template's values keep ASCII letters, digits, "-", "_" and "." only.
  bool RestrictFilenames = false;
  // -q: errors only; --no-progress: no counts or bars; --newline: a line
  // for each update even on a terminal.
  bool Quiet = false;
  bool NoProgress = false;
  bool Newline = false;
  // -F, -j, --print and -s look at what each address offers and fetch no
  // video: the qualities as a table, everything as JSON, one field, or
  // nothing.
  bool ListFormats = false;
  bool DumpJson = false;
  std::string PrintField;
  bool Simulate = false;
  bool Inspects() const { return ListFormats || DumpJson || !PrintField.empty() || Simulate; }
  // Set by --help, --version and --list: the text to print instead of
  // running a job.
  std::optional<std::string> Reply;
};

// Raised for arguments that cannot be used; the message says why.
class EBadArguments : public Exception {
public:
  using Exception::Exception;
};

// Names are resolved against the converter's option lists; readFile gives
// the text of an address list (-a), raising when it cannot.
TCliOptions ParseCliOptions(const std::vector<std::string>& arguments, const TOptionLists& lists,
                            const std::function<std::string(const std::string& path)>& readFile);

// The addresses of a list file: one a line, blanks around them, blank lines
// and lines starting with "#" skipped.
std::vector<std::string> ParseAddressList(const std::string& text);

// The text of --help; the format names come from the format table.
std::string CliUsage();
