// The command line of quillfen-cli: the watch page, the output file and the
// same output choices the window offers, named instead of picked.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/output_formats.h"
#include "app/proxy_settings.h"

class TVideoEdit;

struct TCliOptions {
  std::string WatchAddress;
  std::string OutputFile;
  TOutputChoices Choices;
  std::optional<TProxyAddress> Proxy;
  // host[:port] of a local copy of both sites, which gets the video requests.
  std::string SiteHost;
  bool Help = false;
};

// Raised for arguments that cannot be used; the message says why.
class EBadArguments : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Names are resolved against the converter's own lists.
TCliOptions ParseCliOptions(const std::vector<std::string>& arguments, const TVideoEdit& videoEdit);

extern const char* const CliUsage;
