// The command line of quillfen-cli: the addresses, the output file or a name
// template, the same output choices the window offers (named instead of
// picked), and how the downloads are made.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/output_formats.h"
#include "app/proxy_settings.h"

class TVideoEdit;

struct TCliOptions {
  // From the command line, then from the list file, in order.
  std::vector<std::string> Addresses;
  std::string OutputFile;
  TOutputChoices Choices;
  std::optional<TProxyAddress> Proxy;
  // host[:port] of a local copy of both sites, which gets the video requests.
  std::string SiteHost;
  int Retries = 3;
  bool ContinuePartial = false;
  // Servers' certificates are not checked.
  bool Insecure = false;
  // Set by --help, --version and --list: the text to print instead of
  // running a job.
  std::optional<std::string> Reply;
};

// Raised for arguments that cannot be used; the message says why.
class EBadArguments : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Names are resolved against the converter's own lists; readFile gives the
// text of an address list (-a), raising when it cannot.
TCliOptions ParseCliOptions(const std::vector<std::string>& arguments, const TVideoEdit& videoEdit,
                            const std::function<std::string(const std::string& path)>& readFile);

// The addresses of a list file: one a line, blanks around them, blank lines
// and lines starting with "#" skipped.
std::vector<std::string> ParseAddressList(const std::string& text);

extern const char* const CliUsage;
