// The desktop the window tests give the window: it answers the save dialog
// as told and records every message, error and opened address.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/window/desktop.h"

namespace app_test {

class RecordingDesktop : public TDesktop {
public:
  void ShowMessage(QWidget*, const std::string& caption, const std::string& text) override {
    Messages.push_back(caption + ": " + text);
  }
  void ShowError(QWidget*, const std::string& caption, const std::string& text) override {
    Errors.push_back(caption + ": " + text);
  }
  std::optional<std::string> AskSaveFileName(QWidget*, const TSaveRequest& request) override {
    Requests.push_back(request);
    return AnswerFor ? AnswerFor(request) : Answer;
  }
  std::string ClipboardText() override { return Clipboard; }
  void OpenAddress(const std::string& address) override { Opened.push_back(address); }

  std::vector<std::string> Messages, Errors, Opened;
  std::vector<TSaveRequest> Requests;
  // The save dialog's answer: AnswerFor when set, else Answer (none cancels).
  std::optional<std::string> Answer;
  std::function<std::optional<std::string>(const TSaveRequest&)> AnswerFor;
  std::string Clipboard;
};

}  // namespace app_test
