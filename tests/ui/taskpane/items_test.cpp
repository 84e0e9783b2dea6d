// Titles, containers and pages painted over what lies beneath them, and the
// docking of their children.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>

#include "tests/ui/taskpane/qt_environment.h"
#include "ui/taskpane/buttons.h"
#include "ui/taskpane/container.h"
#include "ui/taskpane/task_pane.h"
#include "ui/taskpane/task_pane_label.h"

using namespace taskpane;
using taskpane_test::Pixel;
using taskpane_test::Rgb;
using taskpane_test::Snapshot;

namespace {

const QRgb Navy = Rgb(0, 0, 128), White = Rgb(255, 255, 255), PageColor = Rgb(246, 246, 246);

// A page in a pane, shown, with a left-to-right gradient from black to white.
class PageFixture : public ::testing::Test {
protected:
  PageFixture() {
    pane.resize(300, 300);
    page = new TmxTaskPanePage(&pane);
    page->Background()->SetStyle(btGradient);
    page->Background()->Gradient()->SetBeginColor(RGB(0, 0, 0));
    page->Background()->Gradient()->SetEndColor(RGB(255, 255, 255));
    pane.show();
  }
  QImage pageSnapshot() { return Snapshot(page->ClientWidget()); }

  TmxTaskPanePro pane;
  TmxTaskPanePage* page;
};

struct LabelLineCase {
  const char* name;
  int penWidth;
  TTextLayout layout;
  int distance;
};

// A 17-pixel title, no margins: with tlCenter the text starts at
// (17 - th - Distance) div 2 and the line lies Distance below the text.
const LabelLineCase LabelLineCases[] = {
    {"centred, distance 1", 1, tlCenter, 1},
    {"centred, distance 3", 1, tlCenter, 3},
    {"at the top", 1, tlTop, 1},
    {"no pen, no line", 0, tlCenter, 1},
};

TEST(LabelPaint, UnderlineBelowTheText) {
  for (const LabelLineCase& c : LabelLineCases) {
    SCOPED_TRACE(c.name);
    TmxTaskPaneLabel label;
    label.resize(135, 17);
    label.Background()->SetStyle(btSolid);
    label.Background()->SetColor(RGB(255, 255, 255));
    label.SetCaption(QStringLiteral("Page URL:"));
    label.Pen()->SetWidth(c.penWidth);
    label.SetLayout(c.layout);
    label.SetDistance(c.distance);
    const int th = QFontMetrics(label.Font()->ToQFont()).height();
    const int top = c.layout == tlCenter ? (17 - th - c.distance) / 2 : 0;
    const int lineRow = top + th + c.distance;
    const QImage image = Snapshot(&label);
    // The far right stays clear of the text.
    EXPECT_EQ(Pixel(image, 130, lineRow), c.penWidth > 0 ? Navy : White) << "row " << lineRow;
    EXPECT_EQ(Pixel(image, 130, lineRow - 1), White);
  }
}

TEST(LabelPaint, DisabledTextIsEmbossed) {
  TmxTaskPaneLabel label;
  label.resize(135, 17);
  label.Background()->SetStyle(btSolid);
  label.Background()->SetColor(RGB(0, 128, 0));
  label.Pen()->SetWidth(0);
  label.SetCaption(QStringLiteral("WWWW"));
  label.setEnabled(false);
  const QImage image = Snapshot(&label);
  int light = 0, dark = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      light += Pixel(image, x, y) == (ColorToRGB(clBtnHighlight) & 0xFFFFFF);
      dark += Pixel(image, x, y) == (ColorToRGB(clBtnShadow) & 0xFFFFFF);
    }
  EXPECT_GT(light, 0);
  EXPECT_GT(dark, 0);
}

TEST(LabelSize, AutoSizeFitsTheTextUnlessDocked) {
  TmxTaskPaneLabel label;
  label.Font()->SetSize(20);
  label.SetCaption(QStringLiteral("A rather long caption"));
  label.SetAutoSize(true);
  // Measured in the label's rectangle as it is painted; Distance 1 and the
  // one-pixel pen below the text.
  const QRect measured = QFontMetrics(label.Font()->ToQFont())
                             .boundingRect(QRect(0, 0, 135, 25), Qt::TextExpandTabs | Qt::TextShowMnemonic,
                                           QStringLiteral("A rather long caption"));
  EXPECT_EQ(label.width(), measured.width());
  EXPECT_EQ(label.height(), measured.height() + 1 + 1);
  SetAlign(&label, alTop);
  label.resize(400, 30);
  EXPECT_EQ(label.width(), 400);
}

struct LineCase {
  const char* name;
  TmxBorderLines lines;
  std::vector<std::tuple<const char*, int, int, QRgb>> points;
};

const LineCase LineCases[] = {
    {"bottom line on the last row",
     blBottom,
     {{"last row", 20, 39, White}, {"row above", 20, 38, PageColor}, {"first row", 20, 0, PageColor}}},
    {"left and top",
     blLeft | blTop,
     {{"left column", 0, 20, White}, {"top row", 30, 0, White}, {"inside", 1, 1, PageColor}}},
    {"right", blRight, {{"right column", 59, 20, White}, {"left column", 0, 20, PageColor}}},
    {"none", {}, {{"last row", 20, 39, PageColor}}},
};

TEST(ContainerPaint, EdgeLines) {
  for (const LineCase& c : LineCases) {
    SCOPED_TRACE(c.name);
    TmxContainer container;
    container.resize(60, 40);
    container.SetLines(c.lines);
    const QImage image = Snapshot(&container);
    for (const auto& [name, x, y, expected] : c.points) {
      SCOPED_TRACE(name);
      EXPECT_EQ(Pixel(image, x, y), expected);
    }
  }
}

// A see-through title shows the page's gradient and the link button of the
// page that lies under it.
TEST_F(PageFixture, SeeThroughLabelShowsThePageAndWindowlessControlsBeneath) {
  auto* link = new TmxTPButton(page);
  link->setGeometry(100, 40, 100, 20);
  link->SetCaption(QStringLiteral("WWWWWWWW"));
  link->show();
  const QImage without = pageSnapshot();

  auto* label = new TmxTaskPaneLabel(page);
  label->setGeometry(20, 30, 250, 40);
  label->Pen()->SetWidth(0);
  label->show();
  label->raise();
  const QImage with = pageSnapshot();
  for (int y = 30; y < 70; y += 3)
    for (int x = 20; x < 270; x += 7) ASSERT_EQ(Pixel(with, x, y), Pixel(without, x, y)) << x << "," << y;
  EXPECT_NE(Pixel(with, 30, 35), Pixel(with, 250, 35));  // the gradient, not one colour
}

TEST_F(PageFixture, SeeThroughLabelInSeeThroughContainerShowsThePage) {
  const QImage bare = pageSnapshot();
  auto* container = new TmxContainer(page);
  container->setGeometry(10, 10, 200, 100);
  container->Background()->SetStyle(btTransparent);
  auto* label = new TmxTaskPaneLabel(container);
  label->setGeometry(10, 10, 150, 30);
  label->Pen()->SetWidth(0);
  container->show();
  label->show();
  const QImage image = pageSnapshot();
  for (int x = 20; x < 170; x += 10) ASSERT_EQ(Pixel(image, x, 30), Pixel(bare, x, 30)) << x;
}

// Half-transparent items blend over what lies beneath them.
TEST_F(PageFixture, HalfTransparentContainerBlendsOverTheGradient) {
  const QImage bare = pageSnapshot();
  auto* container = new TmxContainer(page);
  container->setGeometry(10, 10, 200, 50);
  container->Background()->SetColor(RGB(255, 0, 0));
  container->Background()->SetAlphaBlend(128);
  container->show();
  const QImage image = pageSnapshot();
  for (int x : {20, 100, 190}) {
    const QRgb under = Pixel(bare, x, 30);
    EXPECT_EQ(Pixel(image, x, 30),
              Rgb((255 * 128 + qRed(under) * 127) / 256, qGreen(under) * 127 / 256, qBlue(under) * 127 / 256))
        << x;
  }
}

// A solid panel fills all of itself wherever it lies in the window: its fill
// is clipped in its own coordinates, not in the window's.
TEST_F(PageFixture, SolidPanelFillsItsWholeAreaAtEveryPlace) {
  for (const int top : {0, 40, 150, 230}) {
    auto* panel = new TmxContainer(page);
    panel->setGeometry(20, top, 200, 60);
    panel->Background()->SetStyle(btSolid);
    panel->Background()->SetColor(RGB(0, 128, 64));
    panel->show();
    const QImage window = Snapshot(&pane);
    const QPoint origin = panel->mapTo(&pane, QPoint(0, 0));
    // Rows the page shows: a panel low down runs under the scroll strip.
    const int shownRows = std::min(panel->height(), page->ClientWidget()->height() - panel->y());
    for (int y = 2; y < shownRows - 2; y += 4)
      ASSERT_EQ(Pixel(window, origin.x() + 100, origin.y() + y), Rgb(0, 128, 64)) << "top " << top << " row " << y;
    delete panel;
  }
}

// Docked children stack from the top and the bottom inside the margins; a
// container aligns one pixel further in.
TEST_F(PageFixture, DockedChildrenStackInsideTheMargins) {
  auto* title = new TmxTaskPaneLabel(page);
  title->resize(10, 17);
  SetAlign(title, alTop);
  auto* group = new TmxContainer(page);
  group->setGeometry(0, 50, 10, 63);
  SetAlign(group, alTop);
  auto* footer = new TmxContainer(page);
  footer->resize(10, 49);
  SetAlign(footer, alBottom);
  auto* rest = new TmxContainer(page);
  SetAlign(rest, alClient);
  auto* inner = new TmxContainer(group);
  SetAlign(inner, alClient);
  for (QWidget* w : std::initializer_list<QWidget*>{title, group, footer, rest, inner}) w->show();
  const int width = page->width(), height = page->ClientWidget()->height();
  EXPECT_EQ(title->geometry(), QRect(5, 5, width - 10, 17));
  EXPECT_EQ(group->geometry(), QRect(5, 22, width - 10, 63));
  EXPECT_EQ(footer->geometry(), QRect(5, height - 5 - 49, width - 10, 49));
  EXPECT_EQ(rest->geometry(), QRect(QPoint(5, 85), QPoint(width - 6, height - 5 - 49 - 1)));
  EXPECT_EQ(inner->geometry(), QRect(QPoint(6, 6), QPoint(group->width() - 7, 63 - 7)));
  group->resize(group->width(), 100);
  EXPECT_EQ(rest->y(), 122);
}

}  // namespace
