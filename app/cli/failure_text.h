// The one line quillfen-cli prints about an address that saved nothing,
// worded from the failure's kind and codes with what the command line knows
// (the server or proxy, the partial video kept); other failures read as
// their message. The window's wording stays its own.
#pragma once

#include <string>

#include "app/job_session.h"

struct TFailureContext {
  // The output file the job was given, empty before it asked.
  std::string OutputFile;
  // Where the job keeps the video while it arrives.
  std::string WorkFolder;
  int TimeoutSeconds = 0;
};

std::string FailureLine(const TSessionResult& result, const TFailureContext& context);
