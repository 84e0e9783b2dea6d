// The real window in a real X server (run under xvfb-run), at its normal
// bounds and maximised: a screenshot of each is saved into the build folder,
// and sampled pixels show the header band's buttons, the four group titles'
// underlines and the three task buttons' blue captions where the window's
// design puts them; narrowed, the task buttons' captions still show.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <cstdlib>

#include "app/window/desktop.h"
#include "app/window/engine_flags.h"
#include "app/window/main_window.h"
#include "tests/app/demo_site.h"
#include "tests/app/recording_desktop.h"
#include "tests/servers/temp_folder.h"

namespace {

using namespace app_test;

const QRgb Navy = qRgb(0, 0, 128), Black = qRgb(0, 0, 0), Grey = qRgb(128, 128, 128);

QRgb at(const QImage& shot, QPoint point) { return shot.pixel(point) | 0xFF000000u; }

bool blueish(QRgb pixel) { return qBlue(pixel) > 160 && qRed(pixel) < 110 && qGreen(pixel) < 110; }

int bluePixels(const QImage& shot, const QRect& area) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) count += blueish(at(shot, {x, y}));
  return count;
}

// A row of the title's band that is navy at both of its ends: the underline.
bool hasUnderline(const QImage& shot, const QRect& band) {
  for (int y = band.top(); y <= band.bottom(); ++y)
    if (at(shot, {band.left() + 1, y}) == Navy && at(shot, {band.right() - 1, y}) == Navy &&
        at(shot, {band.center().x(), y}) == Navy)
      return true;
  return false;
}

// Checks one screenshot of the window. pane is the pane's rectangle in the
// window; the page's client area starts 3 pixels in and below the 15-pixel
// header band and its separator row, and its content 5 pixels further in.
void checkShot(const QImage& shot, const QRect& pane) {
  const int W = pane.width();
  auto inPane = [&](int x, int y) { return pane.topLeft() + QPoint(x, y); };
  // Header band: Back greyed (no history yet), Close and Panes in black.
  const int m = 3 + 15 / 2, E = W - 5 - 3, F = E - 18;
  EXPECT_EQ(at(shot, inPane(8 + 4, m)), Grey) << "Back";
  EXPECT_EQ(at(shot, inPane(E - 1, m - 3)), Black) << "Close";
  EXPECT_EQ(at(shot, inPane(F - 3, m - 2)), Black) << "Panes";

  const QPoint page = inPane(3, 19);
  const int pageWidth = W - 6, pageHeight = pane.height() - 19 - 3;
  struct Title {
    const char* name;
    int top;
  } titles[] = {{"Page URL:", 5}, {"Output File:", 85}, {"Web Browser:", 225}, {"(bottom)", pageHeight - 5 - 49 - 17}};
  for (const Title& title : titles) {
    SCOPED_TRACE(title.name);
    EXPECT_TRUE(hasUnderline(shot, QRect(page + QPoint(5, title.top), QSize(pageWidth - 10, 17))));
  }
  const QPoint urlGroup = page + QPoint(5, 22);
  struct Button {
    const char* caption;
    QRect bounds;
  } buttons[] = {{"Browse", {596, 6, 61, 41}}, {"Stop", {660, 6, 45, 41}}, {"Download", {704, -6, 105, 65}}};
  for (const Button& button : buttons) {
    SCOPED_TRACE(button.caption);
    EXPECT_GT(bluePixels(shot, button.bounds.translated(urlGroup)), 10);
  }
}

QImage shoot(QWidget& form, const char* file) {
  QTest::qWait(800);  // let the window and the browser view settle
  const QImage shot = form.screen()->grabWindow(form.winId()).toImage();
  EXPECT_TRUE(shot.save(QString::fromLatin1(QUILLFEN_SCREENSHOTS "/") + QLatin1String(file)));
  return shot;
}

TEST(WindowScreens, NormalBoundsAndMaximised) {
  ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run under xvfb-run";
  TempFolder work;
  TAppFolders folders{work.Path() + "/", SourcePath("resources/"), SourcePath("resources/profiles/")};
  RecordingDesktop desktop;
  TForm1 form(desktop, "quillfen", [&] {
    TSessionOptions options;
    options.Folders = folders;
    return options;
  }());
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  EXPECT_EQ(form.size(), QSize(834, 722));
  QWidget* pane = form.centralWidget();
  {
    SCOPED_TRACE("normal bounds");
    checkShot(shoot(form, "quillfen-window-normal.png"), QRect(pane->mapTo(&form, QPoint()), pane->size()));
  }
  form.showMaximized();
  EXPECT_TRUE(form.isMaximized());
  // Without a window manager in the X server nobody carries out the request;
  // the test then gives the window the screen's free area as a manager would.
  if (!QTest::qWaitFor([&] { return form.width() > 834; }, 2000)) form.setGeometry(form.screen()->availableGeometry());
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.width() > 834 && form.height() > 722; }, 5000));
  {
    SCOPED_TRACE("maximised");
    checkShot(shoot(form, "quillfen-window-maximised.png"), QRect(pane->mapTo(&form, QPoint()), pane->size()));
  }
  // As wide as a 1280-pixel screen at twice the size: the URL row's three
  // buttons still show their captions, inside the window.
  form.showNormal();
  form.resize(640, 512);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.size() == QSize(640, 512); }, 5000));
  const QImage narrow = shoot(form, "quillfen-window-narrow.png");
  for (const char* name : {"mxTPButton4", "mxTPButton3", "mxTPButton1"}) {
    SCOPED_TRACE(name);
    const QWidget* button = form.findChild<QWidget*>(name);
    const QRect bounds(button->mapTo(&form, QPoint()), button->size());
    EXPECT_LT(bounds.right(), form.width());
    EXPECT_GT(bluePixels(narrow, bounds.intersected(form.rect())), 10);
  }
}

}  // namespace
