// The words of the status line for a job's progress: a pattern of the
// message tables with its field values, which each front end translates and
// then fills, so that no finished sentence ever has to be read back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/job_progress.h"

struct TStatusWording {
  // Of app_messages or stream_messages; null for a text the layers below
  // finished themselves (a client status, a notice), which is Text.
  const char* Pattern = nullptr;
  std::vector<std::string> Values;
  std::string Text;
};

// None when the event leaves the status line as it is (a conversion begun,
// a transfer of unknown size begun).
std::optional<TStatusWording> StatusWording(const TJobProgress& progress);

// A size as people read it: bytes below 1 KiB, else KiB, MiB or GiB with one
// decimal ("12.4 MiB").
std::string HumanSize(int64_t bytes);

// A time left as a clock shows it: "1:08", "2:03:40".
std::string ClockTime(int64_t seconds);

// The line: translation (the pattern in the user's language) or else the
// pattern as written, filled with the values. A translation the values do
// not fit gives the line as written.
std::string StatusLine(const TStatusWording& wording, const std::optional<std::string>& translation = std::nullopt);
