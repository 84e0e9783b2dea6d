// The Downloads page of the real window in an X server (run under
// xvfb-run): three addresses of the local demo site queued the three ways a
// user adds them, one of them sent slowly; never more than two jobs at once;
// the slow one paused and resumed, continuing with a range request; all
// three saved and read by ffprobe; a screenshot of the page mid-run kept in
// the build folder.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>

#include "app/queue/queue_scheduler.h"
#include "app/window/desktop.h"
#include "app/window/downloads_page.h"
#include "app/window/engine_flags.h"
#include "app/window/main_window.h"
#include "tests/app/demo_site.h"
#include "tests/servers/nginx_server.h"
#include "tests/servers/temp_folder.h"
#include "ui/taskpane/buttons.h"

namespace {

using namespace app_test;
using enum TQueueState;

NginxSite siteWithASlowVideo() {
  NginxSite site = DemoSiteConfig();
  site.ServerConfig +=
      "location = /slow.flv { default_type video/x-flv; limit_rate 40k; try_files /video.flv =404; }\n";
  return site;
}

const TQueueItem* itemOf(TQueueScheduler& queue, const std::string& address) {
  for (const TQueueItem& item : queue.Items())
    if (item.Address == address) return &item;
  return nullptr;
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
  TSessionOptions options;
  options.SiteHost = "127.0.0.1:" + std::to_string(site.Port());
  options.Folders = {work.Path() + "/", SourcePath("resources/"), SourcePath("resources/profiles/")};
  TQtDesktop desktop;
  TForm1 form(desktop, "quillfen", options);
  form.OpenQueue();
  ASSERT_NE(form.Downloads(), nullptr);
  TQueueScheduler& queue = form.Downloads()->Scheduler();
  queue.SetSaveTarget(work.File("out") + "/", "%(title)s.%(ext)s");
  form.resize(1000, 700);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  form.findChild<QComboBox*>("ComboBox1")->setCurrentText("FLV");

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
  form.Downloads()->Show();

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
  EXPECT_EQ(list->topLevelItem(0)->text(2), "paused");

  QTest::qWait(300);  // let the page repaint before the picture
  const QPixmap shot = form.screen()->grabWindow(form.winId());
  EXPECT_TRUE(shot.save(QUILLFEN_SCREENSHOT));

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
  EXPECT_EQ(itemOf(queue, watch)->OutputFile, work.File("out/Demo clip - Clipcove.flv"));
}

}  // namespace
