// What a running job says of its progress, as values: the step it began, the
// counts of a transfer, a retry, the conversion's position. Each front end
// words them (status_wording.h) and shows them its own way; none reads them
// back out of a sentence.
#pragma once

#include <cstdint>
#include <string>

#include "app/job_failure.h"

enum class TProgressKind {
  StepBegun,       // Step: the page, the video (Text: its title) or the conversion
  ClientStatus,    // Text: the HTTP client's own words ("Connecting to 127.0.0.1.")
  TransferBegun,   // Total
  Bytes,           // Bytes of Total
  TransferEnded,   // the bar goes back to 0
  Segments,        // Segment of SegmentCount segments, Bytes in all
  Retry,           // Attempt of Retries, going on from byte Bytes
  QualityChosen,   // Text: the stream variant's description
  Notice,          // Text: worded by the layers below (a record put aside)
  Converting,      // Position of Duration seconds
  ConversionDone,  // the converter reported completion
  JobDone,         // the job ended, whether or not it saved
};

struct TJobProgress {
  TProgressKind Kind = TProgressKind::JobDone;
  TJobStep Step = TJobStep::None;
  std::string Text{};
  // A transfer's counts start at the file's start, a continued one included;
  // a Total of 0 or less is unknown.
  int64_t Bytes = 0;
  int64_t Total = 0;
  int32_t Segment = 0;
  int32_t SegmentCount = 0;
  int32_t Attempt = 0;
  int32_t Retries = 0;
  double Position = 0;
  double Duration = 0;
};
