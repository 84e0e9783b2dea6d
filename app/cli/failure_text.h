// The one line quillfen-cli prints about an address that saved nothing: the
// session's message, made clearer with what the command line knows (the
// step that failed, the server or proxy, the partial video kept). The
// window's wording stays its own.
#pragma once

#include <string>

#include "app/cli/terminal_reporter.h"
#include "app/job_session.h"

struct TFailureContext {
  TJobStep Step = TJobStep::None;
  // The output file the job was given, empty before it asked.
  std::string OutputFile;
  // Where the job keeps the video while it arrives.
  std::string WorkFolder;
  int TimeoutSeconds = 0;
};

std::string FailureLine(const TSessionResult& result, const TFailureContext& context);
