// The main window: the URL field with Browse, Stop and Download, the output
// options, the browser panel and the status area, with the handlers that tie
// them to the job. The window is one of the job's reporters; the job itself
// knows nothing of widgets.
#pragma once

#include <QMainWindow>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/job_reporter.h"
#include "app/job_session.h"
#include "app/window/window_anti_freeze.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QWebEngineView;
class QWidget;
class TmxTaskPanePage;
class TmxTaskPanePro;
class TmxTPButton;
class TDesktop;
class TThrottledStatus;
class TDownloadsPage;

class TForm1 : public QMainWindow, public TJobReporter {
public:
  // The session's options name the folders and the proxies; the window
  // opens its save dialog in the user's Videos folder.
  TForm1(TDesktop& desktop, const std::string& title, TSessionOptions options);
  ~TForm1() override;

  void FormActivate();
  void Button1Click();
  void mxTPButton3Click();
  void ComboBox1Change();
  void chkusewmv9Click();
  void chkvideocompClick();
  void chkaudiocompClick();
  void Label1Click();
  void EMail1Click();
  void SpeedButton2Click();
  void SpeedButton1Click();
  void mxMSButton9Click();
  void Edit1Enter();
  void WebBrowser1DocumentComplete(const std::string& address);

  // Opens the download queue kept at storePath (empty: the user's own), with
  // its Downloads page and the ways to add to it. A queue that cannot be
  // opened is said so, and the window goes on without one.
  void OpenQueue(std::string storePath = {});
  // The addresses the program was started with: the first goes into the URL
  // field and stays there when the start page has loaded; the others join
  // the queue.
  void OpenAddresses(const std::vector<std::string>& addresses);
  // The Downloads page; none without a queue.
  TDownloadsPage* Downloads() const { return downloads_.get(); }
  // Queues the addresses with the output settings chosen now.
  void AddToQueue(const std::vector<std::string>& addresses);

  // The application's default error handler.
  void ShowException(const std::string& message);
  std::string StartPage() const { return startPage_; }
  TOutputChoices Choices() const;

  // TJobReporter
  void Report(const TJobProgress& progress) override;
  void Progress(int64_t position, int64_t maximum) override;
  void ProcessMessages() override;
  void DownloadEnabled(bool enabled) override;
  std::optional<TOutputType> SelectedFormat() override;
  std::optional<std::string> AskSaveFileName(const TSaveRequest& request) override;
  void ShowMessage(const std::string& text) override;

protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

private:
  std::optional<TOutputType> selectedFormat() const;
  void FormCreate();
  void createControls();
  void connectControls();
  void navigate(const std::string& address);
  // Keeps Browse, Stop and Download inside a URL group narrower than the
  // design by moving them left and shortening the field.
  void fitUrlRow();
  // Download from the keyboard or the menu does what the button does, and
  // only while the button can be pressed.
  void downloadIfEnabled();
  // The window's own queue is fetching the address.
  bool queueFetches(const std::string& address) const;
  void showMainPage();
  // Runs a handler as the application runs every handler: an error that
  // leaves it is shown by the default error handler.
  template <class Handler>
  void guarded(Handler handler);

  TDesktop& desktop_;
  const std::string title_;
  TWindowAntiFreeze antiFreeze_;
  const TAppFolders folders_;
  std::string startPage_;
  std::unique_ptr<TJobSession> session_;
  TThrottledStatus* shown_ = nullptr;
  // What the queue's jobs are made with: the window's own session options.
  TSessionOptions options_;
  std::unique_ptr<TDownloadsPage> downloads_;
  bool activated_ = false;
  bool closing_ = false;
  // An address given at start-up is not replaced by the sample address.
  bool addressGiven_ = false;
  // Where the URL row's field and buttons stand in the layout.
  int designedEditWidth_ = 0;
  std::vector<std::pair<QWidget*, int>> designedButtonLefts_;

  TmxTaskPanePro* mxTaskPanePro2 = nullptr;
  TmxTaskPanePage* mxTaskPanePage2 = nullptr;
  QLineEdit* Edit1 = nullptr;
  TmxTPButton* mxTPButton1 = nullptr;
  TmxTPButton* mxTPButton3 = nullptr;
  TmxTPButton* mxTPButton4 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QLineEdit* txtWidth = nullptr;
  QLineEdit* txtHeight = nullptr;
  QLineEdit* txtFrameRate = nullptr;
  QWidget* avipanel = nullptr;
  QCheckBox* chkvideocomp = nullptr;
  QComboBox* cbovideocomp = nullptr;
  QCheckBox* chkaudiocomp = nullptr;
  QComboBox* cboaudiocomp = nullptr;
  QWidget* wmvpanel = nullptr;
  QCheckBox* chkusewmv9 = nullptr;
  QComboBox* cbowmv = nullptr;
  QComboBox* cbowmv9 = nullptr;
  QWebEngineView* WebBrowser1 = nullptr;
  QLabel* status = nullptr;
  QLabel* Label1 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* downloadAction_ = nullptr;
};
