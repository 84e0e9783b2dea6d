// A reporter for jobs run by tests: it records the statuses and messages,
// answers the save dialog with a set name, and lets the test look at the
// job's work files at the moment the job asks (they go once it has saved).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/job_reporter.h"

namespace app_test {

class AnsweringReporter : public TJobReporter {
public:
  void Status(const std::string& text) override { Statuses.push_back(text); }
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
