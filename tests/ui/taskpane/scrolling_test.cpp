// A page with more content than fits: the strips that apply, the client area
// they take, and scrolling while the pointer rests on them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>

#include "tests/ui/taskpane/qt_environment.h"
#include "ui/taskpane/container.h"
#include "ui/taskpane/task_pane.h"

using namespace taskpane;

namespace {

// A 200 x 200 pane (client 194 x 178) with a page of `groups` docked groups,
// each 60 high: content ends at 5 + 60 n.
class ScrollFixture : public ::testing::Test {
protected:
  void build(int groups, int paneHeight = 200) {
    pane.resize(200, paneHeight);
    page = new TmxTaskPanePage(&pane);
    for (int i = 0; i < groups; ++i) {
      auto* group = new TmxContainer(page);
      group->setGeometry(0, 1000 + i, 10, 60);
      SetAlign(group, alTop);
    }
    pane.show();
    page->Remeasure();
  }
  QTimer* timer() { return page->ScrollTimer(); }
  void tick() { QMetaObject::invokeMethod(timer(), "timeout"); }
  void pointerAt(QWidget* widget, int y) {
    QEnterEvent enter(QPointF(5, y), QPointF(5, y), widget->mapToGlobal(QPointF(5, y)));
    QApplication::sendEvent(widget, &enter);
    QMouseEvent move(QEvent::MouseMove, QPointF(5, y), widget->mapToGlobal(QPointF(5, y)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
  }
  int clientHeight() { return page->ClientWidget()->height(); }

  TmxTaskPanePro pane;
  TmxTaskPanePage* page = nullptr;
};

TEST_F(ScrollFixture, OnlyTheStripsThatApplyTakeRowsFromTheClientArea) {
  build(5);
  EXPECT_EQ(page->ContentHeight(), 5 + 5 * 60);
  EXPECT_FALSE(page->TopStripShown());
  EXPECT_TRUE(page->BottomStripShown());
  EXPECT_EQ(clientHeight(), 178 - 13);

  page->SetPosition(40);
  EXPECT_EQ(page->Position(), 40);
  EXPECT_TRUE(page->TopStripShown());
  EXPECT_TRUE(page->BottomStripShown());
  EXPECT_EQ(clientHeight(), 178 - 26);

  page->SetPosition(100000);
  EXPECT_EQ(page->Position(), page->ContentHeight() - clientHeight());
  EXPECT_TRUE(page->TopStripShown());
  EXPECT_FALSE(page->BottomStripShown());

  page->SetPosition(-5);
  EXPECT_EQ(page->Position(), 0);
  EXPECT_FALSE(page->TopStripShown());
}

TEST_F(ScrollFixture, ShortContentNeverScrolls) {
  build(1);
  page->SetPosition(30);
  EXPECT_EQ(page->Position(), 0);
  EXPECT_FALSE(page->TopStripShown());
  EXPECT_FALSE(page->BottomStripShown());
  EXPECT_EQ(clientHeight(), 178);
}

// A client area of 24 rows (2 x ButtonHeight) has no room for the top strip.
TEST_F(ScrollFixture, LowClientAreaNeverShowsTheTopStrip) {
  build(5, 19 + 24 + 3);
  page->SetPosition(10);
  EXPECT_GT(page->Position(), 0);
  EXPECT_FALSE(page->TopStripShown());
}

TEST_F(ScrollFixture, LinearScrollingMovesByTheSpeedUntilTheEnd) {
  pane.SetScrollType(stLinear);
  pane.SetScrollSpeed(3);
  build(5);
  pointerAt(page, page->height() - 5);
  ASSERT_TRUE(timer()->isActive());
  EXPECT_EQ(timer()->interval(), 50);
  tick();
  EXPECT_EQ(page->Position(), 3);
  tick();
  EXPECT_EQ(page->Position(), 6);
  for (int i = 0; i < 200 && page->BottomStripShown(); ++i) tick();
  const int end = page->Position();
  EXPECT_EQ(end, page->ContentHeight() - clientHeight());
  EXPECT_FALSE(page->BottomStripShown());
  tick();
  EXPECT_EQ(page->Position(), end);
}

TEST_F(ScrollFixture, AcceleratedScrollingGrowsTheStepEachTick) {
  build(8);
  pointerAt(page, page->height() - 5);
  std::vector<int> positions;
  for (int i = 0; i < 3; ++i) {
    tick();
    positions.push_back(page->Position());
  }
  EXPECT_EQ(positions, (std::vector{2, 5, 9}));
  // Crossing to the top strip restarts the step, scrolling up.
  pointerAt(page, 3);
  tick();
  EXPECT_EQ(page->Position(), 9 - 2);
}

TEST_F(ScrollFixture, PointerInTheClientAreaOrOutsideStopsScrolling) {
  build(5);
  pointerAt(page, page->height() - 5);
  ASSERT_TRUE(timer()->isActive());
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QApplication::sendEvent(page->ClientWidget(), &enter);
  EXPECT_FALSE(timer()->isActive());

  pointerAt(page, page->height() - 5);
  ASSERT_TRUE(timer()->isActive());
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(page, &leave);
  EXPECT_FALSE(timer()->isActive());
  const int position = page->Position();
  tick();
  EXPECT_EQ(page->Position(), position);
}

// The strips are drawn in the colour set's colours with an arrow at their centre.
TEST_F(ScrollFixture, StripPixels) {
  build(5);
  const QImage idle = taskpane_test::Snapshot(page);
  const int top = page->height() - 13;
  EXPECT_EQ(taskpane_test::Pixel(idle, 5, top + 6), taskpane_test::Rgb(192, 192, 192));
  EXPECT_EQ(taskpane_test::Pixel(idle, 5, top), taskpane_test::Rgb(128, 128, 128));
  EXPECT_EQ(taskpane_test::Pixel(idle, page->width() / 2, top + 6 + 1), taskpane_test::Rgb(0, 0, 0));
  pointerAt(page, page->height() - 5);
  const QImage hot = taskpane_test::Snapshot(page);
  EXPECT_EQ(taskpane_test::Pixel(hot, 5, top + 6), taskpane_test::Rgb(173, 173, 209));
}

}  // namespace
