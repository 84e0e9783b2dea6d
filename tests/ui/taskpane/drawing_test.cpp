// Gradients, backgrounds and colour sets painted into pictures and read back.
#include <gtest/gtest.h>

#include <QPainter>

#include "tests/ui/taskpane/qt_environment.h"
#include "ui/taskpane/background.h"
#include "ui/taskpane/border.h"
#include "ui/taskpane/errors.h"
#include "ui/taskpane/gradient.h"
#include "ui/taskpane/xp_colors.h"

using namespace taskpane;
using taskpane_test::Pixel;
using taskpane_test::Rgb;

namespace {

struct NamedPoint {
  const char* name;
  int x, y;
  QRgb expected;
};

struct GradientCase {
  const char* name;
  TmxGradientStyle style;
  TmxGradientDirection direction;
  TColor begin, end;
  int width, height;
  std::vector<NamedPoint> points;
};

const TColor Blue = RGB(0, 0, 255), White = RGB(255, 255, 255), Black = RGB(0, 0, 0);

// Entry k of a 255-step ramp from blue to white is 0 + nearest(255 (k-1) / 255).
const GradientCase GradientCases[] = {
    {"left to right: two start bands, last band one step short",
     gtLeftToRight,
     gdNormal,
     Blue,
     White,
     255,
     10,
     {{"left edge", 0, 5, Rgb(0, 0, 255)},
      {"middle", 127, 5, Rgb(127, 127, 255)},
      {"right edge", 254, 5, Rgb(254, 254, 255)}}},
    {"left to right inverse starts at the end colour",
     gtLeftToRight,
     gdInverse,
     Blue,
     White,
     255,
     10,
     {{"left edge", 0, 5, Rgb(255, 255, 255)}, {"right edge", 254, 5, Rgb(1, 1, 255)}}},
    {"top to bottom",
     gtTopToBottom,
     gdNormal,
     Blue,
     White,
     10,
     255,
     {{"top", 5, 0, Rgb(0, 0, 255)}, {"middle", 5, 127, Rgb(127, 127, 255)}, {"bottom", 5, 254, Rgb(254, 254, 255)}}},
    {"vertical to centre: begin at both ends, end across the middle",
     gtVerticalToCenter,
     gdNormal,
     White,
     Black,
     10,
     255,
     {{"top", 5, 0, Rgb(255, 255, 255)}, {"middle", 5, 127, Rgb(0, 0, 0)}, {"bottom", 5, 254, Rgb(255, 255, 255)}}},
    {"vertical to centre inverse swaps the mirrored ramp",
     gtVerticalToCenter,
     gdInverse,
     White,
     Black,
     10,
     255,
     {{"top", 5, 0, Rgb(0, 0, 0)}, {"middle", 5, 127, Rgb(255, 255, 255)}, {"bottom", 5, 254, Rgb(0, 0, 0)}}},
    {"horizontal to centre",
     gtHorizontalToCenter,
     gdNormal,
     White,
     Black,
     255,
     10,
     {{"left", 0, 5, Rgb(255, 255, 255)}, {"middle", 127, 5, Rgb(0, 0, 0)}, {"right", 254, 5, Rgb(255, 255, 255)}}},
    // Bands overlap by a pixel, so a corner shows the band painted after the
    // one that starts there: entry 2 (1,1,255) near the first colour's corner.
    {"corner top left: first colours bottom right, last top left",
     gtCornerTopLeft,
     gdNormal,
     Blue,
     White,
     255,
     255,
     {{"bottom right", 254, 254, Rgb(1, 1, 255)}, {"top left", 0, 0, Rgb(254, 254, 255)}}},
    {"corner bottom right: last colours bottom right",
     gtCornerBottomRight,
     gdNormal,
     Blue,
     White,
     255,
     255,
     {{"top left", 0, 0, Rgb(0, 0, 255)}, {"bottom right", 254, 254, Rgb(253, 253, 255)}}},
    {"diagonal falling: first top left, last bottom right",
     gtDiagonalFalling,
     gdNormal,
     Blue,
     White,
     127,
     127,
     {{"top left", 0, 0, Rgb(0, 0, 255)}, {"bottom right", 126, 126, Rgb(252, 252, 255)}}},
    {"diagonal rising: first bottom left, last top right",
     gtDiagonalRising,
     gdNormal,
     Blue,
     White,
     127,
     127,
     {{"bottom left", 0, 126, Rgb(1, 1, 255)}, {"top right", 126, 0, Rgb(253, 253, 255)}}},
};

TEST(GradientPaint, ColoursAtNamedPoints) {
  for (const GradientCase& c : GradientCases) {
    SCOPED_TRACE(c.name);
    QImage image(c.width, c.height, QImage::Format_RGB32);
    image.fill(Qt::red);
    TmxGradient gradient;
    gradient.SetBeginColor(c.begin);
    gradient.SetEndColor(c.end);
    gradient.SetDrawStyle(c.style);
    gradient.SetDirection(c.direction);
    QPainter painter(&image);
    gradient.Draw(&painter, image.rect());
    painter.end();
    for (const NamedPoint& point : c.points) {
      SCOPED_TRACE(point.name);
      EXPECT_EQ(Pixel(image, point.x, point.y), point.expected);
    }
  }
}

// A resize re-renders; an unchanged size reuses the rendering, yet a change of
// colour shows at once.
TEST(GradientPaint, RenderingFollowsSizeAndChanges) {
  TmxGradient gradient;
  gradient.SetBeginColor(Black);
  gradient.SetEndColor(White);
  QImage image(100, 10, QImage::Format_RGB32);
  QPainter painter(&image);
  gradient.Draw(&painter, QRect(0, 0, 50, 10));
  gradient.Draw(&painter, QRect(50, 0, 50, 10));
  gradient.SetBeginColor(Blue);
  gradient.Draw(&painter, QRect(0, 0, 50, 10));
  painter.end();
  // 50 pixels wide: bands 0 to 3 all start at column 0, so it shows entry 3.
  EXPECT_EQ(Pixel(image, 0, 0), Rgb(2, 2, 255));
  EXPECT_EQ(Pixel(image, 50, 0), Rgb(2, 2, 2));
}

// --- backgrounds ------------------------------------------------------------

QImage solidPicture(int w, int h, QRgb color) {
  QImage picture(w, h, QImage::Format_RGB32);
  picture.fill(color);
  return picture;
}

struct BackgroundCase {
  const char* name;
  std::function<void(TmxBackground&)> configure;
  std::vector<NamedPoint> points;  // in a 40 x 20 canvas, background drawn at (5, 5) 30 x 10, canvas blue
};

const QRgb CanvasBlue = qRgb(0, 0, 200);

const BackgroundCase BackgroundCases[] = {
    {"solid fills the rectangle and nothing else",
     [](TmxBackground& b) { b.SetColor(RGB(255, 0, 0)); },
     {{"inside", 10, 10, Rgb(255, 0, 0)}, {"outside", 2, 2, Rgb(0, 0, 200)}, {"right of it", 35, 10, Rgb(0, 0, 200)}}},
    {"transparent leaves the canvas untouched",
     [](TmxBackground& b) { b.SetStyle(btTransparent); },
     {{"inside", 10, 10, Rgb(0, 0, 200)}}},
    {"bitmap without a picture shows the colour",
     [](TmxBackground& b) {
       b.SetStyle(btBitmap);
       b.SetColor(RGB(0, 255, 0));
     },
     {{"inside", 20, 10, Rgb(0, 255, 0)}}},
    {"bitmap is put down once at the top-left",
     [](TmxBackground& b) {
       b.SetStyle(btBitmap);
       b.SetColor(RGB(0, 255, 0));
       b.SetBitmap(solidPicture(8, 8, qRgb(255, 255, 0)));
     },
     {{"on the picture", 5, 5, Rgb(255, 255, 0)}, {"beside it", 14, 6, Rgb(0, 255, 0)}}},
    {"tiled bitmap repeats to the right and down, clipped to the rectangle",
     [](TmxBackground& b) {
       b.SetStyle(btTileBitmap);
       b.SetColor(RGB(0, 255, 0));
       b.SetBitmap(solidPicture(8, 8, qRgb(255, 255, 0)));
     },
     {{"second tile", 14, 6, Rgb(255, 255, 0)},
      {"below", 6, 14, Rgb(255, 255, 0)},
      {"outside", 36, 10, Rgb(0, 0, 200)}}},
    {"source or destination",
     [](TmxBackground& b) {
       b.SetStyle(btBitmap);
       b.SetColor(RGB(255, 0, 0));
       b.SetBitmapCopy(bcSrcPaint);
       b.SetBitmap(solidPicture(8, 8, qRgb(0, 0, 255)));
     },
     {{"merged", 6, 6, Rgb(255, 0, 255)}}},
    {"source and not destination",
     [](TmxBackground& b) {
       b.SetStyle(btBitmap);
       b.SetColor(RGB(255, 0, 0));
       b.SetBitmapCopy(bcSrcErase);
       b.SetBitmap(solidPicture(8, 8, qRgb(255, 255, 0)));
     },
     {{"erased", 6, 6, Rgb(0, 255, 0)}}},
    {"source and brush",
     [](TmxBackground& b) {
       b.SetStyle(btBitmap);
       b.SetColor(RGB(255, 0, 255));
       b.SetBitmapCopy(bcMergeCopy);
       b.SetBitmap(solidPicture(8, 8, qRgb(255, 255, 0)));
     },
     {{"merged", 6, 6, Rgb(255, 0, 0)}}},
    {"not source or destination",
     [](TmxBackground& b) {
       b.SetStyle(btBitmap);
       b.SetColor(RGB(0, 0, 64));
       b.SetBitmapCopy(bcMergePaint);
       b.SetBitmap(solidPicture(8, 8, qRgb(255, 255, 0)));
     },
     {{"merged", 6, 6, Rgb(0, 0, 255)}}},
    {"ellipse gradient keeps the colour fill in its corners",
     [](TmxBackground& b) {
       b.SetStyle(btGradient);
       b.SetColor(RGB(255, 0, 0));
       b.Gradient()->SetDrawStyle(gtEllipse);
       b.Gradient()->SetBeginColor(RGB(0, 255, 0));
       b.Gradient()->SetEndColor(RGB(0, 0, 0));
     },
     {{"top-left corner", 5, 5, Rgb(255, 0, 0)}, {"bottom-right corner", 34, 14, Rgb(255, 0, 0)}}},
    {"grey scale sums the channels and divides by four",
     [](TmxBackground& b) {
       b.SetColor(RGB(255, 255, 255));
       b.SetGrayscale(true);
     },
     {{"white", 10, 10, Rgb(191, 191, 191)}}},
    {"grey scale of red",
     [](TmxBackground& b) {
       b.SetColor(RGB(255, 0, 0));
       b.SetGrayscale(true);
     },
     {{"red", 10, 10, Rgb(63, 63, 63)}}},
};

TEST(BackgroundPaint, StylesAndRasterOperations) {
  for (const BackgroundCase& c : BackgroundCases) {
    SCOPED_TRACE(c.name);
    QImage canvas = solidPicture(40, 20, CanvasBlue);
    TmxBackground background;
    c.configure(background);
    QPainter painter(&canvas);
    background.Draw(painter, QRect(5, 5, 30, 10));
    painter.end();
    for (const NamedPoint& point : c.points) {
      SCOPED_TRACE(point.name);
      EXPECT_EQ(Pixel(canvas, point.x, point.y), point.expected);
    }
  }
}

struct BlendCase {
  const char* name;
  int alpha;
  QRgb work, underlay, expected;
};

// (work A + underlay (255 - A)) div 256 per channel; equal pixels stay.
const BlendCase BlendCases[] = {
    {"half over black", 128, qRgb(255, 255, 255), qRgb(0, 0, 0), Rgb(127, 127, 127)},
    {"half over a colour", 128, qRgb(200, 100, 0), qRgb(0, 100, 200), Rgb(100, 99, 99)},
    {"fully see-through shows the underlay exactly", 0, qRgb(255, 255, 255), qRgb(200, 150, 100), Rgb(200, 150, 100)},
    {"opaque", 255, qRgb(10, 20, 30), qRgb(200, 150, 100), Rgb(10, 20, 30)},
};

TEST(BackgroundPaint, AlphaBlendOverTheUnderlay) {
  for (const BlendCase& c : BlendCases) {
    SCOPED_TRACE(c.name);
    TmxBackground background;
    background.SetColor(RGB(qRed(c.work), qGreen(c.work), qBlue(c.work)));
    background.SetAlphaBlend(c.alpha);
    background.SetUnderlaySize(QSize(10, 10));
    background.Underlay().fill(c.underlay);
    QImage canvas = solidPicture(10, 10, qRgb(1, 2, 3));
    QPainter painter(&canvas);
    background.Draw(painter, canvas.rect());
    painter.end();
    EXPECT_EQ(Pixel(canvas, 4, 4), c.expected);
  }
}

// A drawing handler replaces fill, blend and grey; the before and after hooks
// see the work picture and the target.
TEST(BackgroundPaint, OnDrawReplacesFillBlendAndGrey) {
  TmxBackground background;
  background.SetAlphaBlend(128);
  background.SetGrayscale(true);
  background.SetUnderlaySize(QSize(10, 10));
  background.Underlay().fill(Qt::black);
  std::vector<std::string> calls;
  background.OnBeforeDraw = [&](TmxCustomBackground*, QPainter&, const QRect&) { calls.push_back("before"); };
  background.OnDraw = [&](TmxCustomBackground*, QPainter& canvas, const QRect& rect) {
    calls.push_back("draw");
    canvas.fillRect(rect, QColor(255, 0, 0));
  };
  background.OnAfterDraw = [&](TmxCustomBackground*, QPainter&, const QRect& rect) {
    calls.push_back("after");
    EXPECT_EQ(rect, QRect(2, 2, 6, 6));
  };
  QImage canvas = solidPicture(10, 10, CanvasBlue);
  QPainter painter(&canvas);
  background.Draw(painter, QRect(2, 2, 6, 6));
  painter.end();
  EXPECT_EQ(Pixel(canvas, 4, 4), Rgb(255, 0, 0));
  EXPECT_EQ(calls, (std::vector<std::string>{"before", "draw", "after"}));

  calls.clear();
  background.SetStyle(btTransparent);
  QPainter again(&canvas);
  background.Draw(again, QRect(2, 2, 6, 6));
  EXPECT_TRUE(calls.empty());
}

// A handler that paints the same background again is not let in.
TEST(BackgroundPaint, DrawingIsNotReentrant) {
  TmxBackground background;
  int draws = 0;
  background.OnBeforeDraw = [&](TmxCustomBackground* sender, QPainter& canvas, const QRect& rect) {
    ++draws;
    static_cast<TmxBackground*>(sender)->Draw(canvas, rect);
  };
  QImage canvas = solidPicture(10, 10, CanvasBlue);
  QPainter painter(&canvas);
  background.Draw(painter, canvas.rect());
  EXPECT_EQ(draws, 1);
}

// --- notifications and copies -------------------------------------------------

TEST(DrawingHelpers, OnlyEffectiveChangesNotify) {
  TmxBackground background;
  int changes = 0;
  background.SetOnChangeParameter([&](QObject*) { ++changes; });
  background.SetColor(background.Color());
  background.SetStyle(btSolid);
  background.SetAlphaBlend(255);
  EXPECT_EQ(changes, 0);
  background.SetColor(RGB(1, 2, 3));
  background.Gradient()->SetDrawStyle(gtEllipse);  // reaches the owner through the background
  background.Gradient()->SetEndColor(background.Gradient()->EndColor());
  EXPECT_EQ(changes, 2);

  TmxXPColors colors;
  int colorChanges = 0;
  colors.OnChange = [&](QObject*) { ++colorChanges; };
  colors.SetBorderColor(RGB(0, 0, 128));
  colors.SetUseShadow(true);
  colors.SetShadowColor(RGB(9, 9, 9));
  EXPECT_EQ(colorChanges, 1);

  // Margins notify on every store.
  TmxBorder border;
  int borderChanges = 0;
  border.OnChange = [&](QObject*) { ++borderChanges; };
  border.SetLeft(0);
  border.SetAll(1, 2, 3, 4);
  EXPECT_EQ(borderChanges, 2);
  EXPECT_EQ(border.Bottom(), 4);
}

TEST(DrawingHelpers, ColourSetSlotsAndTheirRange) {
  TmxXPPaneColors colors;
  EXPECT_EQ(colors.Color(TmxCustomXPColors::FocusedBackgroundSlot), RGB(173, 173, 209));
  EXPECT_EQ(colors.Color(TmxCustomXPColors::SeparatorColorSlot), RGB(255, 255, 255));
  EXPECT_EQ(colors.Color(1), RGB(0, 0, 0));
  EXPECT_THROW(colors.Color(13), ERangeError);
  EXPECT_THROW(colors.SetColor(-1, RGB(1, 1, 1)), ERangeError);
}

TEST(DrawingHelpers, CopiesTakeEverythingAndRefuseOtherClasses) {
  TmxBackground source, target;
  source.SetStyle(btGradient);
  source.SetAlphaBlend(17);
  source.SetGrayscale(true);
  source.SetColor(RGB(1, 2, 3));
  source.Gradient()->SetDrawStyle(gtPyramid);
  source.Gradient()->SetBeginColor(RGB(4, 5, 6));
  int changes = 0;
  target.SetOnChangeParameter([&](QObject*) { ++changes; });
  target.Assign(&source);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(target.Style(), btGradient);
  EXPECT_EQ(target.AlphaBlend(), 17);
  EXPECT_TRUE(target.Grayscale());
  EXPECT_EQ(target.Color(), RGB(1, 2, 3));
  EXPECT_EQ(target.Gradient()->DrawStyle(), gtPyramid);
  EXPECT_EQ(target.Gradient()->BeginColor(), RGB(4, 5, 6));

  TmxBorder border;
  try {
    target.Assign(&border);
    FAIL() << "copying a border into a background must fail";
  } catch (const EConvertError& error) {
    EXPECT_STREQ(error.what(), "Cannot assign a TmxBorder to a TmxBackground");
  }
  TmxXPColors colors;
  EXPECT_THROW(colors.Assign(&border), EConvertError);
}

}  // namespace
