// The flat buttons' layout of picture and caption, their states and clicks.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QTest>

#include "tests/ui/taskpane/qt_environment.h"
#include "ui/taskpane/buttons.h"

using namespace taskpane;
using taskpane_test::Pixel;
using taskpane_test::Rgb;
using taskpane_test::Snapshot;

namespace {

QImage squarePicture(int size, QRgb color) {
  QImage picture(size, size, QImage::Format_RGB32);
  picture.fill(color);
  return picture;
}

int captionWidth(TmxCustomButton& button, const QString& text) {
  return QFontMetrics(button.Font()->ToQFont()).boundingRect(QRect(0, 0, 1000, 1000), 0, text).width();
}
int captionHeight(TmxCustomButton& button) { return QFontMetrics(button.Font()->ToQFont()).height(); }

void enter(QWidget* widget) {
  QEnterEvent event(QPointF(1, 1), QPointF(1, 1), widget->mapToGlobal(QPointF(1, 1)));
  QApplication::sendEvent(widget, &event);
}
void leave(QWidget* widget) {
  QEvent event(QEvent::Leave);
  QApplication::sendEvent(widget, &event);
}

struct PlacementCase {
  const char* name;
  TmxGlyphPosition glyph;
  TAlignment alignment;
  int imageIndex;
  int distance;
  // Expected rectangles given picture 48 x 48, caption tw x th, button 105 x 65.
  std::function<QRect(int tw, int th)> picture;
  std::function<QRect(int tw, int th)> caption;
};

const PlacementCase PlacementCases[] = {
    {"side by side, centred as a group", gpLeft, taCenter, 0, 0,
     [](int tw, int) { return QRect((105 - 48 - tw) / 2, 8, 48, 48); },
     [](int tw, int th) { return QRect((105 - 48 - tw) / 2 + 48, (65 - th) / 2, tw, th); }},
    {"picture right of the caption, right-justified", gpRight, taRightJustify, 0, 2,
     [](int tw, int) { return QRect(105 - (48 + tw + 2) - 4 + tw + 2, 8, 48, 48); },
     [](int tw, int th) { return QRect(105 - (48 + tw + 2) - 4, (65 - th) / 2, tw, th); }},
    {"no picture: caption only, no gap", gpLeft, taLeftJustify, -1, 4, [](int, int) { return QRect(4, 32, 0, 0); },
     [](int tw, int th) { return QRect(4, (65 - th) / 2, tw, th); }},
};

TEST(ButtonLayout, PictureAndCaptionPlacement) {
  TmxImageList pictures(48, 48);
  pictures.Add(squarePicture(48, qRgb(0, 200, 0)), Magenta);
  for (const PlacementCase& c : PlacementCases) {
    SCOPED_TRACE(c.name);
    TmxTPButton button;
    button.resize(105, 65);
    button.SetCaption(QStringLiteral("Download"));
    button.SetNormal(&pictures);
    button.SetImageIndex(c.imageIndex);
    button.SetGlyphPos(c.glyph);
    button.SetAlignment(c.alignment);
    button.SetDistance(c.distance);
    button.LayoutContent();
    const int tw = captionWidth(button, QStringLiteral("Download")), th = captionHeight(button);
    EXPECT_EQ(button.PictureRect(), c.picture(tw, th));
    EXPECT_EQ(button.CaptionRect(), c.caption(tw, th));
  }
}

TEST(ButtonLayout, StackedElementsCentreOnTheirOwnWidths) {
  TmxImageList pictures(16, 16);
  pictures.Add(squarePicture(16, qRgb(0, 200, 0)), Magenta);
  TmxTPButton button;
  button.resize(100, 60);
  button.SetCaption(QStringLiteral("Browse"));
  button.SetNormal(&pictures);
  button.SetImageIndex(0);
  button.SetGlyphPos(gpBottom);
  button.SetAlignment(taCenter);
  button.LayoutContent();
  const int tw = captionWidth(button, QStringLiteral("Browse")), th = captionHeight(button);
  const int G = std::max(16, tw), S = 16 + th + 4, top = (60 - S) / 2 + (S - 16 - th) / 2;
  EXPECT_EQ(button.CaptionRect(), QRect((100 - G) / 2 + (G - tw) / 2, top, tw, th));
  EXPECT_EQ(button.PictureRect(), QRect((100 - G) / 2 + (G - 16) / 2, top + th + 4, 16, 16));
}

TEST(ButtonPaint, HoverUnderlinesTheCaptionAndShowsTheHotPicture) {
  TmxImageList normal(16, 16), hot(16, 16);
  normal.Add(squarePicture(16, qRgb(0, 200, 0)), Magenta);
  hot.Add(squarePicture(16, qRgb(200, 0, 0)), Magenta);
  TmxTPButton button;
  button.resize(120, 30);
  button.SetCaption(QStringLiteral("Stop"));
  button.SetNormal(&normal);
  button.SetHot(&hot);
  button.SetImageIndex(0);
  auto bluePixels = [](const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) count += Pixel(image, x, y) == Rgb(0, 0, 255);
    return count;
  };
  const QImage away = Snapshot(&button);
  enter(&button);
  EXPECT_TRUE(button.IsHot());
  const QImage over = Snapshot(&button);
  leave(&button);
  EXPECT_FALSE(button.IsHot());
  const QPoint picture = button.PictureRect().center();
  EXPECT_EQ(Pixel(away, picture.x(), picture.y()), Rgb(0, 200, 0));
  EXPECT_EQ(Pixel(over, picture.x(), picture.y()), Rgb(200, 0, 0));
  // The underline adds a run of caption-coloured pixels.
  EXPECT_GT(bluePixels(over), bluePixels(away) + 5);
  EXPECT_EQ(bluePixels(Snapshot(&button)), bluePixels(away));
}

TEST(ButtonPaint, DisabledShowsEmbossedCaptionAndNoPictureWithoutADisabledList) {
  TmxImageList normal(16, 16);
  normal.Add(squarePicture(16, qRgb(0, 200, 0)), Magenta);
  TmxTPButton button;
  button.resize(120, 30);
  button.SetCaption(QStringLiteral("WWW"));
  button.SetNormal(&normal);
  button.SetImageIndex(0);
  button.setEnabled(false);
  const QImage image = Snapshot(&button);
  int green = 0, dark = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      green += Pixel(image, x, y) == Rgb(0, 200, 0);
      dark += Pixel(image, x, y) == (ColorToRGB(clBtnShadow) & 0xFFFFFF);
    }
  EXPECT_EQ(green, 0);
  EXPECT_GT(dark, 0);
}

TEST(ButtonClick, FiresOnReleaseInsideOnly) {
  TmxTPButton button;
  button.resize(100, 25);
  int clicks = 0;
  button.OnClick = [&](QObject*) { ++clicks; };
  QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_TRUE(button.IsPressed());
  EXPECT_EQ(clicks, 0);
  QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_FALSE(button.IsPressed());
  EXPECT_EQ(clicks, 1);
  QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
  QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(150, 10));
  EXPECT_EQ(clicks, 1);
}

TEST(ButtonClick, AcceleratorCharacterClicks) {
  QWidget window;
  auto* button = new TmxTPButton(&window);
  button->SetCaption(QStringLiteral("&Download"));
  int clicks = 0;
  button->OnClick = [&](QObject*) { ++clicks; };
  window.show();
  QApplication::setActiveWindow(&window);
  QTest::keyClick(&window, Qt::Key_D, Qt::AltModifier);
  EXPECT_EQ(clicks, 1);
  button->setEnabled(false);
  QTest::keyClick(&window, Qt::Key_D, Qt::AltModifier);
  EXPECT_EQ(clicks, 1);
}

// A button the keyboard reaches is pressed by Space and Enter, as a
// standard button is; other keys and a disabled button do nothing.
TEST(ButtonClick, FocusedButtonTakesSpaceAndEnter) {
  QWidget window;
  auto* field = new QLineEdit(&window);
  auto* button = new TmxTPButton(&window);
  button->setGeometry(0, 30, 100, 25);
  button->SetCaption(QStringLiteral("Download"));
  button->setFocusPolicy(Qt::TabFocus);
  int clicks = 0;
  button->OnClick = [&](QObject*) { ++clicks; };
  window.show();
  QApplication::setActiveWindow(&window);
  field->setFocus();
  QTest::keyClick(field, Qt::Key_Tab);
  ASSERT_TRUE(button->hasFocus());
  // The focus shows as a dotted frame around the caption, in its colour.
  button->LayoutContent();
  const QRect caption = button->CaptionRect();
  auto frameDots = [&] {
    const QImage shot = Snapshot(button);
    int dots = 0;
    for (int x = caption.left() - 2; x < caption.right(); ++x)
      dots += Pixel(shot, x, caption.top() - 1) == Rgb(0, 0, 255);
    return dots;
  };
  EXPECT_GT(frameDots(), caption.width() / 3);
  const struct {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int clicks;
  } cases[] = {{Qt::Key_Space, {}, 1},
               {Qt::Key_Return, {}, 1},
               {Qt::Key_Enter, Qt::KeypadModifier, 1},
               {Qt::Key_A, {}, 0},
               {Qt::Key_Space, Qt::ControlModifier, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(QKeySequence(c.key | c.modifiers).toString().toStdString());
    clicks = 0;
    QTest::keyClick(button, c.key, c.modifiers);
    EXPECT_EQ(clicks, c.clicks);
  }
  button->setEnabled(false);
  QTest::keyClick(button, Qt::Key_Space);
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(frameDots(), 0);
}

TEST(ArrowButton, StylePicksThePictureAndAutoSizeFitsIt) {
  TmxMSButton arrow;
  EXPECT_EQ(arrow.size(), QSize(20, 20));
  arrow.resize(40, 40);
  arrow.SetStyle(msUp);
  EXPECT_EQ(arrow.ImageIndex(), 3);
  arrow.LayoutContent();
  EXPECT_EQ(arrow.size(), QSize(20, 20));
  const QImage image = Snapshot(&arrow);
  // An up arrow is wider near its foot than near its tip.
  auto inkInRow = [&](int y) {
    int count = 0;
    for (int x = 0; x < image.width(); ++x) count += Pixel(image, x, y) == Rgb(0, 0, 0);
    return count;
  };
  EXPECT_GT(inkInRow(13), inkInRow(6));
  EXPECT_GT(inkInRow(6), 0);
}

TEST(ImageButton, NeverShowsACaption) {
  TmxImageButton button;
  EXPECT_EQ(button.size(), QSize(25, 25));
  button.LayoutContent();
  EXPECT_EQ(button.CaptionRect().size(), QSize(0, 0));
}

}  // namespace
