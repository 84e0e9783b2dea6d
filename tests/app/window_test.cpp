// The window on Qt's offscreen platform, with a desktop that answers the
// dialogs: designer names, the clipboard scan, the option lists and their
// rules, the browser panel with local pages, and errors reaching the default
// error handler.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QWebEngineView>
#include <cstdlib>
#include <filesystem>

#include "app/job_folder.h"
#include "app/proxy_settings.h"
#include "app/queue/queue_scheduler.h"
#include "app/window/desktop.h"
#include "app/window/downloads_page.h"
#include "app/window/engine_flags.h"
#include "app/window/main_window.h"
#include "app/window/throttled_status.h"
#include "tests/app/demo_site.h"
#include "tests/app/recording_desktop.h"
#include "tests/app/streams/segment_peer.h"
#include "tests/servers/nginx_server.h"
#include "tests/servers/scripted_peer.h"
#include "tests/servers/temp_folder.h"
#include "ui/taskpane/buttons.h"
#include "ui/taskpane/task_pane.h"
#include "ui/taskpane/task_pane_page.h"

namespace {

using namespace app_test;

const std::string Sample = "http://www.clipcove.example/watch?v=Kq3fZ8wLp2A";

class WindowTest : public ::testing::Test {
protected:
  std::unique_ptr<TForm1> makeForm(std::optional<TProxyAddress> proxy = {}) {
    folders.Work = work.Path() + "/";
    folders.Data = SourcePath("resources/");
    folders.Profiles = folders.Data + "profiles/";
    TSessionOptions options;
    options.Folders = folders;
    options.ForcedProxy = proxy;
    return std::make_unique<TForm1>(desktop, "quillfen", options);
  }
  template <class Widget>
  Widget* child(TForm1& form, const char* name) {
    auto* widget = form.findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  // Waits for the browser to report a finished document into Edit1.
  bool waitForEdit1(TForm1& form, const std::string& text) {
    auto* edit = child<QLineEdit>(form, "Edit1");
    return QTest::qWaitFor([&] { return edit->text().toStdString() == text; }, 60000);
  }

  TempFolder work;
  TAppFolders folders;
  RecordingDesktop desktop;
};

TEST_F(WindowTest, ControlsCarryTheDesignerNames) {
  auto form = makeForm();
  for (const char* name :
       {"Edit1",           "mxTPButton1",   "mxTPButton3",  "mxTPButton4",    "ComboBox1",      "txtWidth",
        "txtHeight",       "txtFrameRate",  "avipanel",     "chkvideocomp",   "cbovideocomp",   "chkaudiocomp",
        "cboaudiocomp",    "wmvpanel",      "chkusewmv9",   "cbowmv",         "cbowmv9",        "WebBrowser1",
        "status",          "Label1",        "ProgressBar1", "mxImageButton1", "mxImageButton2", "mxTaskPanePro2",
        "mxTaskPanePage2", "mxContainer43", "mxContainer2", "mxContainer1",   "mxContainer4"})
    EXPECT_NE(form->findChild<QObject*>(name), nullptr) << name;
  EXPECT_EQ(child<QComboBox>(*form, "ComboBox1")->currentText(), "AVI");
  EXPECT_EQ(child<QLineEdit>(*form, "txtFrameRate")->text(), "25");
}

TEST_F(WindowTest, ClipboardLineFillsTheUrlField) {
  desktop.Clipboard = "http://clipcove.example/watch?v=first\nnothing\n  http://video.reelharbor.example/v?id=3  \n";
  auto form = makeForm();
  EXPECT_EQ(child<QLineEdit>(*form, "Edit1")->text(), "http://video.reelharbor.example/v?id=3");
}

// The lists fill once; a later activation keeps the user's choices.
TEST_F(WindowTest, FirstActivationFillsTheListsOnce) {
  auto form = makeForm();
  auto* video = child<QComboBox>(*form, "cbovideocomp");
  auto* audio = child<QComboBox>(*form, "cboaudiocomp");
  EXPECT_FALSE(video->isEnabled());
  form->FormActivate();
  EXPECT_EQ(video->currentText(), "MJPEG Compressor");
  EXPECT_EQ(audio->currentText(), "PCM");
  EXPECT_TRUE(video->isEnabled() && audio->isEnabled());
  EXPECT_EQ(child<QComboBox>(*form, "cbowmv9")->count(), 9);
  video->setCurrentIndex(0);
  const int entries = video->count();
  form->FormActivate();
  EXPECT_EQ(video->currentIndex(), 0);
  EXPECT_EQ(video->count(), entries);
}

TEST_F(WindowTest, PanelAndEnableRules) {
  auto form = makeForm();
  auto* formats = child<QComboBox>(*form, "ComboBox1");
  auto* avi = child<QWidget>(*form, "avipanel");
  auto* wmv = child<QWidget>(*form, "wmvpanel");
  struct {
    const char* text;
    bool avi, wmv;
  } cases[] = {{"WMV", false, true}, {"FLV", false, false}, {"AVI", true, false}, {"typed", false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    formats->setCurrentText(c.text);
    EXPECT_EQ(!avi->isHidden(), c.avi);
    EXPECT_EQ(!wmv->isHidden(), c.wmv);
  }
  EXPECT_EQ(form->SelectedFormat(), std::nullopt);

  auto* useWmv9 = child<QCheckBox>(*form, "chkusewmv9");
  useWmv9->click();
  EXPECT_TRUE(child<QComboBox>(*form, "cbowmv")->isEnabled());
  EXPECT_FALSE(child<QComboBox>(*form, "cbowmv9")->isEnabled());
  useWmv9->click();
  EXPECT_FALSE(child<QComboBox>(*form, "cbowmv")->isEnabled());
}

TEST_F(WindowTest, JobErrorsReachTheDefaultErrorHandler) {
  auto form = makeForm();
  child<QLineEdit>(*form, "txtWidth")->setText("abc");
  QTest::mouseClick(child<TmxTPButton>(*form, "mxTPButton1"), Qt::LeftButton);
  EXPECT_EQ(desktop.Errors, std::vector<std::string>{"quillfen: 'abc' is not a valid integer value."});
  EXPECT_TRUE(child<TmxTPButton>(*form, "mxTPButton1")->isEnabled());

  NginxServer site;
  child<QLineEdit>(*form, "txtWidth")->setText("320");
  child<QLineEdit>(*form, "Edit1")->setText(QString::fromStdString(site.Url("/missing")));
  QTest::mouseClick(child<TmxTPButton>(*form, "mxTPButton1"), Qt::LeftButton);
  ASSERT_EQ(desktop.Errors.size(), 2u);
  EXPECT_EQ(desktop.Errors[1], "quillfen: HTTP/1.1 404 Not Found.");
}

// A reason phrase that retitles and clears a terminal reaches the error box
// and the queue's list without its control bytes, and still names the 404.
TEST_F(WindowTest, ServersTextsAreShownWithoutControlBytes) {
  const std::string reply = "HTTP/1.1 404 \x1b]2;owned\x07\x1b[2J\r\nContent-Length: 0\r\n\r\n";
  const std::string shown = "HTTP/1.1 404 \uFFFD]2;owned\uFFFD\uFFFD[2J";
  auto form = makeForm();
  ScriptedPeer single({script::Receive(16), script::Send(reply), script::Close()});
  child<QLineEdit>(*form, "Edit1")
      ->setText(QString::fromStdString("http://127.0.0.1:" + std::to_string(single.Port())));
  form->Button1Click();
  EXPECT_EQ(desktop.Errors, std::vector<std::string>{"quillfen: " + shown + "."});

  ScriptedPeer queued({script::Receive(16), script::Send(reply), script::Close()});
  form->OpenQueue(work.File("queue.sqlite"));
  ASSERT_NE(form->Downloads(), nullptr);
  form->AddToQueue({"http://127.0.0.1:" + std::to_string(queued.Port()) + "/watch"});
  TQueueScheduler& queue = form->Downloads()->Scheduler();
  ASSERT_TRUE(QTest::qWaitFor([&] { return queue.Items().front().State == TQueueState::Failed; }, 60000));
  const std::string state = child<QTreeWidget>(*form, "DownloadsList")->topLevelItem(0)->text(2).toStdString();
  EXPECT_NE(state.find(shown), std::string::npos) << state;
}

// Closing the window during the video download stops the transfer, ends the
// job without asking for a file, and then closes.
TEST_F(WindowTest, ClosingDuringAJobStopsItFirst) {
  NginxServer site(DemoSiteConfig());
  MakeDemoSite(site, 20, "640x360");
  auto form = makeForm(TProxyAddress{TProxyKind::Http, "127.0.0.1", site.Port(), "", ""});
  form->show();
  desktop.Answer = work.File("never.avi");
  const std::string videoFile = JobFolderPath(folders.Work, FirstSiteWatch) + "temp.flv";
  bool closeAsked = false;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    // The video's transfer has begun.
    std::error_code error;
    if (!closeAsked && std::filesystem::file_size(videoFile, error) > 0 && !error) {
      closeAsked = true;
      form->close();
      EXPECT_TRUE(form->isVisible()) << "the window waits for the job";
    }
  });
  watcher.start(1);
  child<QLineEdit>(*form, "Edit1")->setText(QString::fromStdString(FirstSiteWatch));
  form->Button1Click();
  EXPECT_TRUE(closeAsked);
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(desktop.Requests.empty());
  EXPECT_TRUE(desktop.Errors.empty());
  EXPECT_LT(std::filesystem::file_size(videoFile), std::filesystem::file_size(site.DocumentRoot() + "/video.flv"));
}

// Stop while a server holds the window's transfer silent, before any byte
// of an answer: a single file, a stream's segment, a large file's parts. The
// window keeps answering meanwhile, and the job ends on Stop instead of
// waiting for the server.
TEST_F(WindowTest, StopEndsTransfersTheServerHoldsSilent) {
  streams_test::SegmentPeer peer;
  streams_test::ServeSilentTransfers(peer);
  struct {
    const char* name;
    const char* path;
    const char* silentPath;
    int requests;
  } cases[] = {
      {"a single file", "/single.flv", "/single.flv", 1},
      {"a stream's segment", "/list.m3u8", "/segment.ts", 1},
      {"a large file's parts", "/large.mp4", "/large.mp4", 2},
  };
  auto form = makeForm();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    bool stopped = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
      if (!stopped && peer.RequestsOf(c.silentPath) >= c.requests) {
        stopped = true;
        form->mxTPButton3Click();
      }
    });
    watcher.start(5);
    child<QLineEdit>(*form, "Edit1")->setText(QString::fromStdString(peer.Url(c.path)));
    form->Button1Click();
    EXPECT_TRUE(stopped);
    EXPECT_TRUE(child<TmxTPButton>(*form, "mxTPButton1")->isEnabled());
    EXPECT_TRUE(desktop.Requests.empty());
  }
}

TEST_F(WindowTest, LinksOpenTheAboutPageAndAMail) {
  auto form = makeForm();
  form->Label1Click();
  form->EMail1Click();
  ASSERT_EQ(desktop.Opened.size(), 2u);
  EXPECT_EQ(desktop.Opened[0],
            QUrl::fromLocalFile(QString::fromStdString(folders.Data + "about.html")).toString().toStdString());
  EXPECT_EQ(desktop.Opened[1],
            "mailto:support@quillfen.example?subject=Quillfen%20support&body=Hi!%0dMy%20name%20is%20%0d%20Windows%20"
            "version%20:%20%0d");
}

// The start page gives way to the sample address; clicking into the field
// loads what it holds; a redirect leaves the final address.
TEST_F(WindowTest, BrowserPanelFollowsCompletedDocuments) {
  desktop.Clipboard = "http://clipcove.example/watch?v=fromclipboard";
  auto form = makeForm();
  ASSERT_TRUE(waitForEdit1(*form, Sample)) << child<QLineEdit>(*form, "Edit1")->text().toStdString();

  const std::string target =
      QUrl::fromLocalFile(QString::fromStdString(work.WriteFile("target.html", "<p>t</p>"))).toString().toStdString();
  work.WriteFile("moved.html", "<meta http-equiv=\"refresh\" content=\"0; url=target.html\">");
  const std::string moved =
      QUrl::fromLocalFile(QString::fromStdString(work.File("moved.html"))).toString().toStdString();
  auto* edit = child<QLineEdit>(*form, "Edit1");
  edit->setText(QString::fromStdString(moved));
  form->Edit1Enter();
  ASSERT_TRUE(waitForEdit1(*form, target)) << edit->text().toStdString();

  // Differs from the start page only by letter case: not the start page.
  std::string startUpper = form->StartPage();
  startUpper.replace(startUpper.find("start.html"), 10, "START.html");
  form->WebBrowser1DocumentComplete(startUpper);
  EXPECT_EQ(edit->text().toStdString(), startUpper);
}

// An address the browser cannot show as a page is still the one to
// download: entering the field (Tab, Shift+Tab) or Browse hands it to the
// browser, which fails or passes it to its download manager, and the field
// keeps it instead of taking the page the browser is still on.
TEST_F(WindowTest, TypedAddressStaysWhenTheBrowserShowsNoPage) {
  NginxSite types;
  types.ServerConfig = "types { video/x-flv flv; application/vnd.apple.mpegurl m3u8; }";
  NginxServer site(types);
  site.WriteDocument("clip.flv", std::string(300000, 'v'));
  site.WriteDocument("list.m3u8", "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10,\nclip.ts\n#EXT-X-ENDLIST\n");
  ScriptedPeer refusing({script::Close()});
  const std::string refused = "http://127.0.0.1:" + std::to_string(refusing.Port()) + "/watch";
  auto form = makeForm();
  ASSERT_TRUE(waitForEdit1(*form, Sample));
  auto* browser = child<QWebEngineView>(*form, "WebBrowser1");
  auto* edit = child<QLineEdit>(*form, "Edit1");
  struct {
    const char* name;
    std::string address;
    bool browse;
  } cases[] = {{"a direct video, entering the field", site.Url("/clip.flv"), false},
               {"a playlist, Browse", site.Url("/list.m3u8"), true},
               {"a server that closes at once", refused, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QSignalSpy ended(browser, &QWebEngineView::loadFinished);
    edit->setText(QString::fromStdString(c.address));
    c.browse ? form->mxMSButton9Click() : form->Edit1Enter();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ended.isEmpty(); }, 60000));
    EXPECT_EQ(edit->text().toStdString(), c.address);
  }
}

// quillfen --help answers without a display to open a window on.
TEST(WindowProgram, HelpNeedsNoDisplay) {
  TempFolder work;
  const std::string program = QUILLFEN_WINDOW;
  const std::string command =
      "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" + program + "' --help >'" + work.File("out") + "' 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << work.ReadFile("out");
  EXPECT_TRUE(work.ReadFile("out").starts_with("Usage: quillfen [Qt options] [URL...]\n")) << work.ReadFile("out");
}

// A window narrower than its design, down to the narrowest it can be made
// (a 1280×1024 screen at twice the size leaves 640×512), still shows Browse,
// Stop and Download whole, beside the URL field.
TEST_F(WindowTest, NarrowWindowKeepsTheUrlRowsButtons) {
  auto form = makeForm();
  form->show();
  EXPECT_LE(form->minimumWidth(), 640);
  EXPECT_LE(form->minimumHeight(), 512);
  for (const int width : {640, 200}) {
    SCOPED_TRACE(width);
    form->resize(width, 600);
    QApplication::processEvents();
    const QRect edit(child<QLineEdit>(*form, "Edit1")->mapTo(form.get(), QPoint()),
                     child<QLineEdit>(*form, "Edit1")->size());
    for (const char* name : {"mxTPButton4", "mxTPButton3", "mxTPButton1"}) {
      SCOPED_TRACE(name);
      auto* button = child<TmxTPButton>(*form, name);
      const QRect shown(button->mapTo(form.get(), QPoint()), button->size());
      EXPECT_GT(shown.left(), edit.right());
      EXPECT_LT(shown.right(), form->width());
      EXPECT_TRUE(button->isVisible());
    }
  }
}

// Download for an address the window's own queue is fetching says so,
// rather than calling the queue another program.
TEST_F(WindowTest, DownloadOfAnAddressTheQueueFetchesSaysSo) {
  streams_test::SegmentPeer peer;
  streams_test::ServeSilentTransfers(peer);
  auto form = makeForm();
  form->OpenQueue(work.File("queue.sqlite"));
  ASSERT_NE(form->Downloads(), nullptr);
  const std::string address = peer.Url("/single.flv");
  form->AddToQueue({address});
  ASSERT_TRUE(QTest::qWaitFor([&] { return peer.RequestsOf("/single.flv") >= 1; }, 60000));
  child<QLineEdit>(*form, "Edit1")->setText(QString::fromStdString(address));
  form->Button1Click();
  EXPECT_EQ(desktop.Messages, std::vector<std::string>{"quillfen: This address is already in the download queue"});
  EXPECT_TRUE(desktop.Errors.empty()) << desktop.Errors.front();
}

// Everything the URL row offers is within reach of the keyboard: Tab goes
// through the row's buttons in the order they stand, Enter in the field
// and the File menu's shortcut start Download, Alt+F opens the menu rather
// than typing into the field, and Escape leaves the Downloads page.
TEST_F(WindowTest, KeyboardReachesTheUrlRow) {
  auto form = makeForm();
  form->OpenQueue(work.File("queue.sqlite"));
  form->show();
  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  auto* edit = child<QLineEdit>(*form, "Edit1");
  // Entering the field browses to it: a local page, which then puts its
  // own address back.
  const std::string page =
      QUrl::fromLocalFile(QString::fromStdString(work.WriteFile("page.html", "<p>p</p>"))).toString().toStdString();
  edit->setText(QString::fromStdString(page));
  edit->setFocus();
  for (const char* next : {"mxTPButton4", "mxTPButton3", "mxTPButton1", "AddToQueue", "ShowDownloads", "ComboBox1"}) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), next);
  }

  auto* file = child<QMenu>(*form, "File1");
  EXPECT_EQ(child<QAction>(*form, "Download1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_D));
  EXPECT_EQ(child<QAction>(*form, "AddToQueue1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Return));
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_F, Qt::AltModifier);
  EXPECT_TRUE(file->isVisible());
  EXPECT_EQ(edit->text().toStdString(), page);
  file->close();

  child<QLineEdit>(*form, "txtWidth")->setText("abc");
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_Return);
  QTest::keyClick(edit, Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(desktop.Errors, std::vector<std::string>(2, "quillfen: 'abc' is not a valid integer value."));

  auto* pane = child<TmxTaskPanePro>(*form, "mxTaskPanePro2");
  form->Downloads()->Show();
  ASSERT_NE(pane->ActivePage(), child<TmxTaskPanePage>(*form, "mxTaskPanePage2"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  EXPECT_EQ(pane->ActivePage(), child<TmxTaskPanePage>(*form, "mxTaskPanePage2"));
}

// The addresses the program is started with: the first in the URL field,
// where the start page's sample address does not replace it, the others in
// the queue.
TEST_F(WindowTest, StartedWithAddresses) {
  auto form = makeForm();
  form->OpenQueue(work.File("queue.sqlite"));
  QSignalSpy loaded(child<QWebEngineView>(*form, "WebBrowser1"), &QWebEngineView::loadFinished);
  const std::vector<std::string> addresses = {"http://127.0.0.1:9/first", "http://127.0.0.1:9/second",
                                              "http://127.0.0.1:9/third"};
  form->OpenAddresses(addresses);
  std::vector<std::string> queued;
  for (const TQueueItem& item : form->Downloads()->Scheduler().Items()) queued.push_back(item.Address);
  EXPECT_EQ(queued, std::vector<std::string>(addresses.begin() + 1, addresses.end()));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !loaded.isEmpty(); }, 60000));
  EXPECT_EQ(child<QLineEdit>(*form, "Edit1")->text().toStdString(), addresses.front());
}

// The engine's sandbox is off only for root; the program's HTTP proxy is the
// engine's too; flags the user set come last and so win.
TEST(EngineFlags, SandboxProxyAndOwnFlags) {
  const std::string plain = BrowserEngineFlags(nullptr, false, "");
  EXPECT_NE(plain.find("--disable-background-networking"), std::string::npos);
  EXPECT_EQ(plain.find("--no-sandbox"), std::string::npos);
  EXPECT_NE(BrowserEngineFlags(nullptr, true, "").find(" --no-sandbox"), std::string::npos);
  TProxyPolicy proxies;
  proxies.Forced = TProxyAddress{TProxyKind::Socks5, "127.0.0.1", 1080, "", ""};
  const std::string flags = BrowserEngineFlags(&proxies, false, "--user-flag");
  EXPECT_NE(flags.find(" --proxy-server=socks5://127.0.0.1:1080"), std::string::npos);
  EXPECT_TRUE(flags.ends_with(" --user-flag"));
}

// The browser view is composed in software only where OpenGL is drawn by
// the processor: forced by LIBGL_ALWAYS_SOFTWARE (but not by its "0"), or
// with no GPU render node; a card without a render node is no GPU to draw on.
TEST(EngineFlags, SoftwareDrawingOnlyWithoutAGpu) {
  const struct {
    const char* alwaysSoftware;
    bool renderNode;
    bool software;
  } cases[] = {{nullptr, true, false}, {"", true, false},      {"0", true, false}, {"1", true, true},
               {"true", true, true},   {nullptr, false, true}, {"0", false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.alwaysSoftware ? c.alwaysSoftware : "unset") + (c.renderNode ? ", GPU" : ", no GPU"));
    EXPECT_EQ(OpenGLInSoftware(c.alwaysSoftware, c.renderNode), c.software);
  }
  TempFolder dri;
  EXPECT_FALSE(HasRenderNode(dri.Path() + "/missing"));
  dri.WriteFile("card0", "");
  EXPECT_FALSE(HasRenderNode(dri.Path()));
  dri.WriteFile("renderD128", "");
  EXPECT_TRUE(HasRenderNode(dri.Path()));
}

// A block every few microseconds must not repaint the status each time: the
// line and the bar change at most once an interval, and the last count
// arrives all the same.
TEST(ThrottledStatus, ShowsTheLatestCountAtMostOnceAnInterval) {
  QLabel label;
  QProgressBar bar;
  TThrottledStatus shown(&label, &bar, nullptr);
  int changes = 0;
  QObject::connect(&bar, &QProgressBar::valueChanged, [&] { ++changes; });
  const auto start = std::chrono::steady_clock::now();
  int64_t count = 0;
  // A fast machine must not run the count past the bar's maximum.
  constexpr int64_t maximum = int64_t{1} << 30;
  while (std::chrono::steady_clock::now() - start < TThrottledStatus::Interval * 4 && count + 1024 <= maximum) {
    count += 1024;
    shown.SetText(QString::number(count));
    shown.SetProgress(count, maximum);
  }
  EXPECT_LE(changes, 6);
  QTest::qWait(int(TThrottledStatus::Interval.count()) * 3);
  EXPECT_EQ(label.text(), QString::number(count));
  EXPECT_EQ(bar.value(), count);
}

}  // namespace
