// The Downloads page of the real window in an X server (run under
// xvfb-run): the queue's folder and name template chosen on the page; three
// addresses of the local demo site queued the three ways a user adds them,
// one of them sent slowly; never more than two jobs at once; the slow one
// paused and resumed, continuing with a range request; all three saved
// where the page said and read by ffprobe; a screenshot of the page mid-run
// kept in the build folder, with every control of the page on the screen.
// And the page's connections per download reach the queue's jobs and the
// window's own Download.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>

#include "app/queue/queue_scheduler.h"
#include "app/window/desktop.h"
#include "app/window/downloads_page.h"
#include "app/window/engine_flags.h"
#include "app/window/main_window.h"
#include "tests/app/demo_site.h"
#include "tests/app/recording_desktop.h"
#include "tests/servers/nginx_server.h"
#include "tests/servers/temp_folder.h"
#include "ui/taskpane/buttons.h"
#include "ui/taskpane/task_pane_page.h"

namespace {

using namespace app_test;
using enum TQueueState;

NginxSite siteWithASlowVideo() {
  NginxSite site = DemoSiteConfig();
  site.ServerConfig +=
      "location = /slow.flv { default_type video/x-flv; limit_rate 40k; try_files /video.flv =404; }\n"
      "location = /large.flv { default_type video/x-flv; }\n";
  return site;
}

// The window's desktop, which also answers the folder dialog and questions,
// and records the notices.
class QueueDesktop : public RecordingDesktop {
public:
  std::optional<std::string> AskFolder(QWidget*, const std::string&, const std::string& folder) override {
    FolderAskedAt.push_back(folder);
    return FolderAnswer;
  }
  bool Confirm(QWidget*, const std::string&, const std::string& text) override {
    Questions.push_back(text);
    return ConfirmAnswer;
  }
  void Notify(const std::string& summary, const std::string& body) override {
    Notices.push_back(summary + ": " + body);
  }
  std::vector<std::string> FolderAskedAt, Questions, Notices;
  std::optional<std::string> FolderAnswer;
  bool ConfirmAnswer = false;
};

TSessionOptions optionsFor(const NginxServer& site, const TempFolder& work) {
  TSessionOptions options;
  options.SiteHost = "127.0.0.1:" + std::to_string(site.Port());
  options.Folders = {work.Path() + "/", SourcePath("resources/"), SourcePath("resources/profiles/")};
  return options;
}

// Maximised, as the window starts; without a window manager in the X
// server the test gives the window the screen's free area as one would.
void showMaximised(TForm1& form) {
  form.showMaximized();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  if (!QTest::qWaitFor([&] { return form.isMaximized() && form.width() > 834; }, 2000))
    form.setGeometry(form.screen()->availableGeometry());
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.width() > 834; }, 5000));
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
}

std::string nameOf(const QWidget* control) {
  if (const auto* label = qobject_cast<const QLabel*>(control)) return label->text().toStdString();
  return control->objectName().toStdString();
}

// Every control of the page lies inside the page's client area, and that
// area's part on the screen: nothing is cut at the pane's edge.
void expectEveryControlShown(TDownloadsPage& downloads) {
  QWidget* client = downloads.Page()->ClientWidget();
  const QRect shown = QRect(client->mapToGlobal(QPoint()), client->size()) & client->screen()->geometry();
  int controls = 0;
  for (const QWidget* control :
       client->findChild<QWidget*>("DownloadsBody")->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!control->isVisible()) continue;
    ++controls;
    const QRect bounds(control->mapToGlobal(QPoint()), control->size());
    EXPECT_TRUE(shown.contains(bounds)) << nameOf(control) << " at " << bounds.x() << ".." << bounds.right()
                                        << " beyond " << shown.x() << ".." << shown.right();
  }
  EXPECT_GT(controls, 20);
}

const TQueueItem* itemOf(TQueueScheduler& queue, const std::string& address) {
  for (const TQueueItem& item : queue.Items())
    if (item.Address == address) return &item;
  return nullptr;
}

// The controls Tab reaches from start, in order, until it comes back to it
// or leaves the page.
std::vector<std::string> tabOrderFrom(QWidget* start) {
  std::vector<std::string> order;
  start->setFocus();
  for (int step = 0; step < 30; ++step) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* focused = QApplication::focusWidget();
    if (!focused || focused == start || !start->parentWidget()->isAncestorOf(focused)) break;
    // A spin box's line edit stands for the box.
    order.push_back(qobject_cast<QSpinBox*>(focused->parentWidget()) ? nameOf(focused->parentWidget())
                                                                     : nameOf(focused));
  }
  start->setFocus();
  return order;
}

void selectRow(QTreeWidget* list, int row) {
  list->setCurrentItem(list->topLevelItem(row));
  list->topLevelItem(row)->setSelected(true);
}

TEST(WindowQueue, ThreeAddressesTwoAtOncePauseAndResume) {
  ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run under xvfb-run";
  TempFolder work;
  setenv("XDG_STATE_HOME", work.File("state").c_str(), 1);
  NginxServer site(siteWithASlowVideo());
  MakeDemoSite(site, 4, "320x240");
  QueueDesktop desktop;
  TForm1 form(desktop, "quillfen", optionsFor(site, work));
  form.OpenQueue();
  ASSERT_NE(form.Downloads(), nullptr);
  TQueueScheduler& queue = form.Downloads()->Scheduler();
  showMaximised(form);
  form.findChild<QComboBox*>("ComboBox1")->setCurrentText("FLV");

  // The folder through the desktop's dialog, then a template the names
  // cannot have, which leaves the one in use, then a good one. The page
  // opens with the keyboard on its list.
  form.Downloads()->Show();
  EXPECT_EQ(QApplication::focusWidget(), form.findChild<QTreeWidget*>("DownloadsList"));
  std::filesystem::create_directories(work.File("out"));
  desktop.FolderAnswer = work.File("out");
  QTest::mouseClick(form.findChild<QPushButton*>("BrowseQueueFolder"), Qt::LeftButton);
  ASSERT_EQ(form.findChild<QLineEdit*>("QueueFolder")->text().toStdString(), work.File("out") + "/");
  auto* nameTemplate = form.findChild<QLineEdit*>("NameTemplate");
  for (const char* typed : {"%(no_such_field)s.%(ext)s", "%(title)s - queued.%(ext)s"}) {
    nameTemplate->setFocus();
    nameTemplate->setText(typed);
    QTest::keyClick(nameTemplate, Qt::Key_Return);
  }
  // The fields the names may have are the output names' own business.
  ASSERT_EQ(desktop.Errors.size(), 1u);
  EXPECT_TRUE(desktop.Errors[0].starts_with(
      "quillfen: The output template '%(no_such_field)s.%(ext)s' has a field other than %(title)s, %(ext)s"))
      << desktop.Errors[0];
  EXPECT_EQ(nameTemplate->text(), "%(title)s - queued.%(ext)s");
  ASSERT_EQ(queue.Settings().Folder, work.File("out") + "/");

  const std::string slow = site.Url("/slow.flv"), watch = site.Url("/watch?v=Kq3fZ8wLp2A"),
                    second = site.Url("/videoplay?docid=4242");
  auto* edit = form.findChild<QLineEdit*>("Edit1");
  edit->setText(QString::fromStdString(slow));
  QTest::keyClick(edit, Qt::Key_Return, Qt::ControlModifier);
  edit->setText(QString::fromStdString(watch));
  QTest::mouseClick(form.findChild<TmxTPButton*>("AddToQueue"), Qt::LeftButton);
  form.AddToQueue({second});
  ASSERT_EQ(queue.Items().size(), 3u);
  EXPECT_EQ(queue.Settings().JobsAtOnce, 2);

  auto* list = form.findChild<QTreeWidget*>("DownloadsList");
  int mostAtOnce = 0;
  const auto waitFor = [&](const std::function<bool()>& done) {
    return QTest::qWaitFor(
        [&] {
          mostAtOnce = std::max(mostAtOnce, queue.RunningJobs());
          return done();
        },
        60000);
  };
  ASSERT_TRUE(waitFor([&] { return itemOf(queue, slow)->State == Downloading && itemOf(queue, slow)->BytesDone > 0; }));
  selectRow(list, 0);
  QTest::mouseClick(form.findChild<QPushButton*>("Pause"), Qt::LeftButton);
  ASSERT_TRUE(waitFor([&] { return itemOf(queue, slow)->State == Paused; })) << StateText(*itemOf(queue, slow));
  // The row says how far the paused item got, in its state and its bar, and
  // the keyboard goes on from the list.
  const int pausedAt = int(itemOf(queue, slow)->BytesDone * 100 / itemOf(queue, slow)->BytesTotal);
  EXPECT_EQ(list->topLevelItem(0)->text(2).toStdString(), "paused " + std::to_string(pausedAt) + " %");
  EXPECT_EQ(list->topLevelItem(0)->data(3, Qt::UserRole), QVariant(pausedAt));
  EXPECT_TRUE(list->topLevelItem(0)->text(4).endsWith(" KiB")) << list->topLevelItem(0)->text(4).toStdString();
  EXPECT_EQ(QApplication::focusWidget(), list);
  EXPECT_EQ(tabOrderFrom(list),
            (std::vector<std::string>{"Resume", "Remove", "Openfolder", "Movedown", "Pauseall", "Resumeall",
                                      "Clearfinished", "QueueFolder", "BrowseQueueFolder", "NameTemplate",
                                      "ResumeAtStart", "Connections", "LimitRate", "JobsAtOnce"}));

  QTest::qWait(300);  // let the page repaint before the picture
  const QPixmap shot = form.screen()->grabWindow(form.winId());
  EXPECT_TRUE(shot.save(QUILLFEN_SCREENSHOT));
  expectEveryControlShown(*form.Downloads());

  selectRow(list, 0);
  QTest::mouseClick(form.findChild<QPushButton*>("Resume"), Qt::LeftButton);
  ASSERT_TRUE(waitFor([&] {
    for (const TQueueItem& item : queue.Items())
      if (item.State != Saved && item.State != Failed) return false;
    return true;
  }));
  EXPECT_LE(mostAtOnce, 2);
  EXPECT_NE(site.Files().ReadFile("access.log").find("\" 206 "), std::string::npos) << "the slow one started over";
  for (const TQueueItem& item : queue.Items()) {
    SCOPED_TRACE(item.Address);
    ASSERT_EQ(item.State, Saved) << item.Error;
    const std::string probe = "ffprobe -v error -show_entries stream=codec_name -of csv=p=0 '" + item.OutputFile +
                              "' >'" + work.File("probe") + "' 2>&1";
    EXPECT_EQ(std::system(probe.c_str()), 0);
    EXPECT_EQ(work.ReadFile("probe"), "mp3\nflv1\n");
  }
  EXPECT_EQ(itemOf(queue, watch)->OutputFile, work.File("out/Demo clip - Clipcove - queued.flv"));
}

// The item commands on the list of a window in the background: a notice for
// the item that fails and the one that is saved; an address that is the
// video itself is named after its file once it downloads; the row menu
// offers the buttons' commands as they stand; Remove asks, and Cancel keeps
// the item and its partial download, while OK removes both; a double-click
// opens the saved file.
TEST(WindowQueue, ItemCommandsNoticesAndRemove) {
  ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run under xvfb-run";
  TempFolder work;
  setenv("XDG_STATE_HOME", work.File("state").c_str(), 1);
  NginxServer site(siteWithASlowVideo());
  MakeDemoSite(site, 4, "320x240");
  QueueDesktop desktop;
  TForm1 form(desktop, "quillfen", optionsFor(site, work));
  form.OpenQueue();
  ASSERT_NE(form.Downloads(), nullptr);
  TQueueScheduler& queue = form.Downloads()->Scheduler();
  queue.SetSaveTarget(work.File("out"), "%(title)s.%(ext)s");
  std::filesystem::create_directories(work.File("out"));
  form.findChild<QComboBox*>("ComboBox1")->setCurrentText("FLV");
  auto* list = form.findChild<QTreeWidget*>("DownloadsList");

  const std::string slow = site.Url("/slow.flv"), missing = site.Url("/missing"),
                    watch = site.Url("/watch?v=Kq3fZ8wLp2A");
  form.AddToQueue({slow, missing});
  const auto ended = [&](const std::string& address) {
    return itemOf(queue, address)->State == Saved || itemOf(queue, address)->State == Failed;
  };
  ASSERT_TRUE(QTest::qWaitFor([&] { return ended(missing); }, 60000));
  EXPECT_EQ(desktop.Notices, (std::vector<std::string>{missing + ": Failed: HTTP/1.1 404 Not Found"}));
  ASSERT_TRUE(QTest::qWaitFor([&] { return itemOf(queue, slow)->BytesDone > 0; }, 60000));
  queue.Pause(itemOf(queue, slow)->Id);
  ASSERT_TRUE(QTest::qWaitFor([&] { return itemOf(queue, slow)->State == Paused; }, 60000));
  const std::string partial = itemOf(queue, slow)->PartialFile;
  ASSERT_TRUE(std::filesystem::exists(partial));

  std::vector<std::string> offered;
  QTimer::singleShot(0, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    for (const QAction* action : menu->actions())
      if (!action->isSeparator()) offered.push_back((action->isEnabled() ? "" : "-") + action->text().toStdString());
    menu->close();
  });
  emit list->customContextMenuRequested(list->visualItemRect(list->topLevelItem(0)).center());
  EXPECT_EQ(offered, (std::vector<std::string>{"-Open file", "-Pause", "Resume", "-Retry", "Remove", "Open folder",
                                               "-Move up", "Move down"}));

  selectRow(list, 0);
  for (const bool confirmed : {false, true}) {
    desktop.ConfirmAnswer = confirmed;
    QTest::mouseClick(form.findChild<QPushButton*>("Remove"), Qt::LeftButton);
    EXPECT_EQ(itemOf(queue, slow) == nullptr, confirmed);
    EXPECT_EQ(std::filesystem::exists(partial), !confirmed);
  }
  EXPECT_EQ(desktop.Questions,
            std::vector<std::string>(2, "Remove 'slow' from the queue? What was downloaded of it so far is deleted."));

  form.AddToQueue({watch});
  ASSERT_TRUE(QTest::qWaitFor([&] { return ended(watch); }, 60000));
  const std::string saved = itemOf(queue, watch)->OutputFile;
  EXPECT_EQ(desktop.Notices.back(), "Demo clip - Clipcove: Saved: " + saved);
  QTreeWidgetItem* row = list->findItems("Demo clip - Clipcove", Qt::MatchExactly).value(0);
  ASSERT_NE(row, nullptr);
  list->setCurrentItem(row);
  emit list->itemDoubleClicked(row, 0);
  EXPECT_EQ(desktop.Opened,
            std::vector<std::string>{QUrl::fromLocalFile(QString::fromStdString(saved)).toString().toStdString()});
}

// A file over 8 MiB comes as ranged parts side by side unless the page
// says one connection: for a queued job and for the window's Download alike.
TEST(WindowQueue, ConnectionsReachTheQueuesJobsAndTheWindowsDownload) {
  ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run under xvfb-run";
  TempFolder work;
  setenv("XDG_STATE_HOME", work.File("state").c_str(), 1);
  NginxServer site(siteWithASlowVideo());
  MakeDemoSite(site, 1, "160x120");
  std::string large(size_t(9) << 20, '\0');
  std::mt19937 random(11);
  for (char& c : large) c = char(random());
  site.WriteDocument("large.flv", large);
  const std::string address = site.Url("/large.flv");

  QueueDesktop desktop;
  desktop.Answer = work.File("window.flv");
  TForm1 form(desktop, "quillfen", optionsFor(site, work));
  form.OpenQueue();
  ASSERT_NE(form.Downloads(), nullptr);
  TQueueScheduler& queue = form.Downloads()->Scheduler();
  queue.SetSaveTarget(work.File("out"), "%(title)s.%(ext)s");
  showMaximised(form);
  form.findChild<QComboBox*>("ComboBox1")->setCurrentText("FLV");

  const auto rangedParts = [&](size_t from) {
    std::istringstream log(site.Files().ReadFile("access.log").substr(from));
    size_t parts = 0;
    for (std::string line; std::getline(log, line);)
      parts += line.find("/large.flv ") != std::string::npos && line.find("\" 206 ") != std::string::npos;
    return parts;
  };
  for (const int connections : {1, 3}) {
    SCOPED_TRACE(std::to_string(connections) + " connections");
    form.findChild<QSpinBox*>("Connections")->setValue(connections);
    // The browser may have put its page's address there meanwhile.
    form.findChild<QLineEdit*>("Edit1")->setText(QString::fromStdString(address));
    size_t before = site.Files().ReadFile("access.log").size();
    form.Button1Click();
    EXPECT_EQ(rangedParts(before) > 1, connections > 1) << "the window's Download";

    before = site.Files().ReadFile("access.log").size();
    if (!queue.Items().empty()) queue.Remove(queue.Items().front().Id, true);
    form.AddToQueue({address});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return queue.Items().front().State == TQueueState::Failed || queue.Items().front().State == Saved; },
        60000));
    EXPECT_EQ(rangedParts(before) > 1, connections > 1) << "the queued job";
  }
  EXPECT_EQ(queue.Settings().Connections, 3);
}

}  // namespace
