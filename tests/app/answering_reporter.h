// A reporter for jobs run by tests: it records the statuses and messages,
// answers the save dialog with a set name, and lets the test look at the
// job's work files at the moment the job asks (they go once it has saved).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/job_reporter.h"
#include "app/status_wording.h"

namespace app_test {

// The status line a front end shows for progress, untranslated; none when
// the line stays as it is.
inline std::optional<std::string> StatusText(const TJobProgress& progress) {
  const std::optional<TStatusWording> wording = StatusWording(progress);
  if (!wording) return std::nullopt;
  return StatusLine(*wording);
}

class AnsweringReporter : public TJobReporter {
public:
  void Report(const TJobProgress& progress) override {
    if (const std::optional<std::string> line = StatusText(progress)) Statuses.push_back(*line);
  }
  void Progress(int64_t, int64_t) override {}
  void ProcessMessages() override {}
  void DownloadEnabled(bool) override {}
  std::optional<TOutputType> SelectedFormat() override { return Format; }
  std::optional<std::string> AskSaveFileName(const TSaveRequest& request) override {
    Requests.push_back(request);
    if (BeforeAnswer) BeforeAnswer();
    return Answer;
  }
  void ShowMessage(const std::string& text) override { Messages.push_back(text); }

  std::vector<std::string> Statuses;
  std::vector<std::string> Messages;
  std::vector<TSaveRequest> Requests;
  std::optional<std::string> Answer;
  std::function<void()> BeforeAnswer;
  std::optional<TOutputType> Format = otFLV;  // quick to write
};

}  // namespace app_test
