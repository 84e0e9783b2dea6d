// What a running job tells its owner and asks of it. The window, the command
// line and the tests are three reporters over the one job.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/job_progress.h"
#include "converter/output_type.h"

// What the save dialog is opened with.
struct TSaveRequest {
  std::string Filter;         // "description|pattern", empty for none
  std::string DefaultExt;     // appended to a name typed without one
  std::string InitialFolder;  // ends with "/"
  std::string FileName;       // the name chosen in the previous job
  std::string Title;          // the video's title, for names made from it
  // The picture's size (0 when unknown) and the upload day the page gave
  // (YYYYMMDD, empty when none), for names made from them.
  int32_t Width = 0;
  int32_t Height = 0;
  std::string UploadDate = {};
};

class TJobReporter {
public:
  virtual ~TJobReporter() = default;
  // Each front end words the event for its status line (status_wording.h).
  virtual void Report(const TJobProgress& progress) = 0;
  // maximum 0 or less: the size is unknown.
  virtual void Progress(int64_t position, int64_t maximum) = 0;
  // Lets the owner's other handlers (Stop among them) run inside the job.
  virtual void ProcessMessages() = 0;
  virtual void DownloadEnabled(bool enabled) = 0;
  // The output format chosen at this moment, none when nothing is selected.
  virtual std::optional<TOutputType> SelectedFormat() = 0;
  virtual std::optional<std::string> AskSaveFileName(const TSaveRequest& request) = 0;
  // One of the job's own messages, in a plain box.
  virtual void ShowMessage(const std::string& text) = 0;
};
