// The desktop services the window asks for: message boxes, the save dialog,
// the clipboard and opening an address in the user's programs. Behind this
// interface so that tests answer them without a person.
#pragma once

#include <QMessageBox>
#include <memory>
#include <optional>
#include <string>

#include "app/job_reporter.h"

class QWidget;

class TDesktop {
public:
  virtual ~TDesktop() = default;
  // A plain box with an OK button and no icon.
  virtual void ShowMessage(QWidget* owner, const std::string& caption, const std::string& text) = 0;
  // An error box with an error icon and an OK button.
  virtual void ShowError(QWidget* owner, const std::string& caption, const std::string& text) = 0;
  virtual std::optional<std::string> AskSaveFileName(QWidget* owner, const TSaveRequest& request) = 0;
  virtual std::string ClipboardText() = 0;
  // Opens a web page or a mail link; failures are ignored.
  virtual void OpenAddress(const std::string& address) = 0;
  // A question before a step that cannot be undone, with OK and Cancel;
  // true for OK. A desktop that cannot ask cancels, which changes nothing.
  virtual bool Confirm(QWidget*, const std::string&, const std::string&) { return false; }
  // A notice outside the window; nothing where the desktop has no way to
  // give one.
  virtual void Notify(const std::string&, const std::string&) {}
  // A folder chosen by the user, starting at folder; none when cancelled,
  // and none from a desktop that cannot ask, which changes nothing.
  virtual std::optional<std::string> AskFolder(QWidget*, const std::string&, const std::string&) { return {}; }
};

class TQtDesktop : public TDesktop {
public:
  void ShowMessage(QWidget* owner, const std::string& caption, const std::string& text) override;
  void ShowError(QWidget* owner, const std::string& caption, const std::string& text) override;
  std::optional<std::string> AskSaveFileName(QWidget* owner, const TSaveRequest& request) override;
  std::string ClipboardText() override;
  void OpenAddress(const std::string& address) override;
  bool Confirm(QWidget* owner, const std::string& caption, const std::string& text) override;
  // Through the freedesktop notification service on the session bus.
  void Notify(const std::string& summary, const std::string& body) override;
  std::optional<std::string> AskFolder(QWidget* owner, const std::string& caption, const std::string& folder) override;
};

// A message box at least as wide as its title needs in the window frame: a
// box sized for a short text alone would cut its own title.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, QMessageBox::Icon icon, const std::string& caption,
                                            const std::string& text, QMessageBox::StandardButtons buttons);

// "description|pattern" as the file dialog's name filter.
std::string NameFilterOf(const std::string& filter);
