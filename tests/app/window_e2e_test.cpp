// The real window in a real X server (run under xvfb-run): the start page
// loads, a job runs against the demo site by clicking Download and answering
// the real save dialog, ffprobe reads the output, and a screenshot of the
// window is saved into the build folder.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cstdlib>

#include "app/proxy_settings.h"
#include "app/window/desktop.h"
#include "app/window/engine_flags.h"
#include "app/window/main_window.h"
#include "tests/app/demo_site.h"
#include "tests/servers/nginx_server.h"
#include "tests/servers/temp_folder.h"
#include "ui/taskpane/buttons.h"

namespace {

using namespace app_test;

// Answers the save dialog as a user would: types the name into its file
// name field and presses Return, again until the dialog has gone.
void answerSaveDialog(const QString& fileName, bool& answered) {
  auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
  auto* nameField = dialog ? dialog->findChild<QLineEdit*>("fileNameEdit") : nullptr;
  if (nameField && dialog->isVisible()) {
    answered = true;
    nameField->setText(fileName);
    QTest::keyClick(nameField, Qt::Key_Return);
  }
  if (!answered || dialog) QTimer::singleShot(300, [fileName, &answered] { answerSaveDialog(fileName, answered); });
}

TEST(WindowEndToEnd, DownloadThroughTheDemoSite) {
  ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run under xvfb-run";
  TempFolder work;
  NginxServer site(DemoSiteConfig());
  MakeDemoSite(site, 3, "640x360");
  TSessionOptions options;
  options.ForcedProxy = TProxyAddress{TProxyKind::Http, "127.0.0.1", site.Port(), "", ""};
  options.Folders = {work.Path() + "/", SourcePath("resources/"), SourcePath("resources/profiles/")};
  TQtDesktop desktop;
  TForm1 form(desktop, "quillfen", options);
  form.resize(1000, 700);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

  auto* edit = form.findChild<QLineEdit*>("Edit1");
  ASSERT_TRUE(QTest::qWaitFor([&] { return edit->text() == QString::fromStdString(FirstSiteWatch); }, 60000));
  QTest::qWait(500);

  const QString output = QString::fromStdString(work.File("window-job.avi"));
  bool answered = false;
  QTimer::singleShot(100, [&] { answerSaveDialog(output, answered); });
  QTest::mouseClick(form.findChild<TmxTPButton*>("mxTPButton1"), Qt::LeftButton);
  EXPECT_TRUE(answered);

  const std::string probeCommand = "ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 '" +
                                   output.toStdString() + "' >'" + work.File("probe") + "' 2>&1";
  EXPECT_EQ(std::system(probeCommand.c_str()), 0);
  EXPECT_EQ(work.ReadFile("probe"), "mjpeg,320,240\npcm_s16le\n");

  EXPECT_EQ(form.findChild<QLabel*>("status")->text(), "Done");
  EXPECT_TRUE(form.findChild<TmxTPButton*>("mxTPButton1")->isEnabled());
  QTest::qWait(500);  // let the window repaint its last state
  const QPixmap shot = form.screen()->grabWindow(form.winId());
  EXPECT_TRUE(shot.save(QUILLFEN_SCREENSHOT));
}

}  // namespace
