// The task pane's header band, its buttons' looks and clicks, and the page
// history they walk.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QTest>
#include <QTimer>

#include "tests/ui/taskpane/qt_environment.h"
#include "ui/taskpane/header_layout.h"
#include "ui/taskpane/task_pane.h"

using namespace taskpane;
using taskpane_test::Pixel;
using taskpane_test::Rgb;

namespace {

QImage headerOf(TmxTaskPanePro& pane) {
  QImage picture(pane.size(), QImage::Format_RGB32);
  QPainter painter(&picture);
  pane.PaintHeader(painter);
  return picture;
}

// Presses the left button on a header button and lets a timer finish the
// press inside the tracking loop: moves through `path`, then releases at
// `release`.
void pressHeader(TmxTaskPanePro& pane, TmxTaskPanePro::ButtonIndex index, std::vector<QPoint> path, QPoint release) {
  const QPoint press = pane.Button(index).Rect.center();
  QTimer::singleShot(0, &pane, [&pane, path, release] {
    for (const QPoint& point : path) QTest::mouseMove(&pane, point);
    QTest::mouseRelease(&pane, Qt::LeftButton, {}, release);
  });
  QTest::mousePress(&pane, Qt::LeftButton, {}, press);
}

void clickHeader(TmxTaskPanePro& pane, TmxTaskPanePro::ButtonIndex index) {
  const QPoint centre = pane.Button(index).Rect.center();
  pressHeader(pane, index, {}, centre);
}

class PaneTest : public ::testing::Test {
protected:
  PaneTest() {
    pane.resize(200, 150);
    pane.show();
  }
  TmxTaskPanePage* addPage(const char* caption) {
    auto* page = new TmxTaskPanePage(&pane);
    page->SetCaption(QString::fromLatin1(caption));
    return page;
  }

  TmxTaskPanePro pane;
};

// --- geometry ---------------------------------------------------------------

TEST_F(PaneTest, HeaderHeightHasAFloorAndCentresTheButtonRow) {
  pane.SetHeaderHeight(10);
  EXPECT_EQ(pane.HeaderHeight(), 15);
  EXPECT_EQ(pane.ClientRect(), QRect(QPoint(3, 19), QPoint(196, 146)));
  pane.SetHeaderHeight(26);
  headerOf(pane);
  // d = 5: a 16-pixel row starting 5 below the band's top.
  EXPECT_EQ(pane.Button(TmxTaskPanePro::HeaderBack).Rect, QRect(5, 8, 15, 16));
  EXPECT_EQ(pane.ClientRect().top(), 3 + 26 + 1);
  pane.SetOptions({});
  EXPECT_EQ(pane.ClientRect(), QRect(QPoint(0, 27), QPoint(199, 149)));
}

TEST_F(PaneTest, NarrowHeaderDropsButtonsFromTheRightAndTheCaption) {
  addPage("Caption");
  headerOf(pane);
  EXPECT_FALSE(pane.TitleRect().isEmpty());
  EXPECT_FALSE(pane.Button(TmxTaskPanePro::Close).Rect.isEmpty());
  pane.resize(36, 150);
  headerOf(pane);
  EXPECT_FALSE(pane.Button(TmxTaskPanePro::HeaderBack).Rect.isEmpty());
  for (auto index : {TmxTaskPanePro::HeaderNext, TmxTaskPanePro::Close, TmxTaskPanePro::Panes})
    EXPECT_TRUE(pane.Button(index).Rect.isEmpty()) << index;
  EXPECT_TRUE(pane.TitleRect().isEmpty());
}

// --- pixels of the header -----------------------------------------------------

// A 200-pixel pane with the frame: band rows 3..17, m = 10; Back's arrow
// starts at a = 8, Close's cross is drawn around E = 192, Panes' arrow at F = 174.
struct HeaderLookCase {
  const char* name;
  TmxTaskPanePro::ButtonIndex button;
  int state;
  bool enabled;
  std::vector<std::tuple<const char*, int, int, QRgb>> points;
};

const QRgb Band = Rgb(192, 192, 192), Navy = Rgb(0, 0, 128), Black = Rgb(0, 0, 0), White = Rgb(255, 255, 255),
           Grey = Rgb(128, 128, 128), Hot = Rgb(173, 173, 209), Pressed = Rgb(128, 128, 192);

const HeaderLookCase HeaderLookCases[] = {
    {"back normal",
     TmxTaskPanePro::HeaderBack,
     0,
     true,
     {{"arrow tip", 8, 10, Black}, {"face", 6, 4, Band}, {"arrow tail", 16, 10, Black}}},
    {"back hot",
     TmxTaskPanePro::HeaderBack,
     1,
     true,
     {{"arrow tip", 8, 10, Black}, {"face", 6, 4, Hot}, {"outline", 5, 3, Navy}}},
    {"back pressed",
     TmxTaskPanePro::HeaderBack,
     2,
     true,
     {{"outlined tip", 8, 10, White},
      {"inside the outline", 14, 10, Black},
      {"face", 6, 4, Pressed},
      {"outline", 19, 17, Navy}}},
    {"back disabled ignores its state",
     TmxTaskPanePro::HeaderBack,
     1,
     false,
     {{"arrow tip", 8, 10, Grey}, {"face", 6, 4, Band}}},
    {"next normal uses the focused arrow colour",
     TmxTaskPanePro::HeaderNext,
     0,
     true,
     {{"arrow tip", 31, 10, Black}, {"face", 21, 4, Band}}},
    {"next pressed", TmxTaskPanePro::HeaderNext, 2, true, {{"outlined tip", 31, 10, White}, {"face", 21, 4, Pressed}}},
    {"close normal", TmxTaskPanePro::Close, 0, true, {{"cross", 191, 7, Black}, {"face", 181, 4, Band}}},
    {"close hot", TmxTaskPanePro::Close, 1, true, {{"cross", 191, 7, Black}, {"face", 181, 4, Hot}}},
    {"close pressed draws the cross in the pressed arrow colour",
     TmxTaskPanePro::Close,
     2,
     true,
     {{"cross", 191, 7, White}, {"face", 181, 4, Pressed}, {"outline", 180, 3, Navy}}},
    {"close disabled", TmxTaskPanePro::Close, 2, false, {{"cross", 191, 7, Grey}, {"face", 181, 4, Band}}},
    {"panes normal", TmxTaskPanePro::Panes, 0, true, {{"arrow", 174, 8, Black}, {"tip", 171, 11, Black}}},
    {"panes pressed", TmxTaskPanePro::Panes, 2, true, {{"arrow", 174, 8, Black}, {"face", 165, 4, Pressed}}},
    {"panes disabled", TmxTaskPanePro::Panes, 0, false, {{"arrow", 174, 8, Grey}}},
};

TEST_F(PaneTest, HeaderButtonsInEachState) {
  for (const HeaderLookCase& c : HeaderLookCases) {
    SCOPED_TRACE(c.name);
    pane.OnGetButtonState = [&](QObject*, TmxPaneButton, bool& enabled) { enabled = c.enabled; };
    pane.Button(c.button).SetState(c.state);
    const QImage header = headerOf(pane);
    pane.Button(c.button).SetState(0);
    for (const auto& [name, x, y, expected] : c.points) {
      SCOPED_TRACE(name);
      EXPECT_EQ(Pixel(header, x, y), expected);
    }
  }
}

TEST_F(PaneTest, FrameAndSeparatorAroundTheBand) {
  const QImage header = headerOf(pane);
  EXPECT_EQ(Pixel(header, 0, 60), Grey);
  EXPECT_EQ(Pixel(header, 1, 60), Grey);
  EXPECT_EQ(Pixel(header, 2, 60), White);  // separator colour under everything
  EXPECT_EQ(Pixel(header, 2, 2), Grey);    // rounded inner corners
  EXPECT_EQ(Pixel(header, 197, 2), Grey);
  EXPECT_EQ(Pixel(header, 100, 18), White);  // the row between band and client area
  EXPECT_EQ(Pixel(header, 100, 10), Band);
}

TEST_F(PaneTest, StripShowsHistoryAndHomePictures) {
  pane.SetOptions(toShowBorder | to2003Menu);
  EXPECT_EQ(pane.ClientRect().top(), 39);
  const QImage header = headerOf(pane);
  EXPECT_EQ(Pixel(header, 3 + 31, 18 + 10), Rgb(166, 166, 166));   // the tab
  EXPECT_EQ(Pixel(header, 3 + 28, 18 + 10), White);                // separator
  EXPECT_EQ(Pixel(header, 3 + 120, 18 + 10), Rgb(246, 246, 246));  // beyond the tab
  // Nothing to go back to, no home handler: the pictures are greyed and cannot be clicked.
  for (auto index : {TmxTaskPanePro::MenuBack, TmxTaskPanePro::MenuNext, TmxTaskPanePro::Home})
    EXPECT_TRUE(pane.Button(index).Rect.isEmpty()) << index;
  int home = 0;
  pane.OnGoHome = [&](QObject*) { ++home; };
  headerOf(pane);
  ASSERT_EQ(pane.Button(TmxTaskPanePro::Home).Rect, QRect(3 + 61, 18, 20, 20));
  clickHeader(pane, TmxTaskPanePro::Home);
  EXPECT_EQ(home, 1);
}

// --- clicks -------------------------------------------------------------------

TEST_F(PaneTest, BackAndNextWalkTheHistory) {
  auto* a = addPage("A");
  auto* b = addPage("B");
  auto* c = addPage("C");
  EXPECT_EQ(pane.ActivePage(), c);
  std::vector<std::string> events;
  pane.OnBack = [&](QObject*) { events.push_back("back"); };
  pane.OnNext = [&](QObject*) { events.push_back("next"); };
  pane.OnChange = [&](QObject*) { events.push_back("change"); };

  clickHeader(pane, TmxTaskPanePro::HeaderBack);
  EXPECT_EQ(pane.ActivePage(), b);
  // Once from the activation, once more after OnBack.
  EXPECT_EQ(events, (std::vector<std::string>{"change", "back", "change"}));
  clickHeader(pane, TmxTaskPanePro::HeaderBack);
  EXPECT_EQ(pane.ActivePage(), a);
  clickHeader(pane, TmxTaskPanePro::HeaderNext);
  EXPECT_EQ(pane.ActivePage(), b);
  clickHeader(pane, TmxTaskPanePro::HeaderBack);
  EXPECT_EQ(pane.History().Count(), 3);  // stepping never adds

  auto* d = addPage("D");
  EXPECT_EQ(pane.History().Count(), 2);
  EXPECT_EQ(pane.History().Entry(0), a);
  EXPECT_EQ(pane.History().Current(), d);
  EXPECT_FALSE(pane.History().CanStepForward());
  EXPECT_EQ(pane.Button(TmxTaskPanePro::HeaderBack).GetState(), TmxTaskPaneButton::Normal);
}

// Back drawn disabled still answers a click: the history stays, the events fire.
TEST_F(PaneTest, BackWithoutHistoryStillFiresItsEvents) {
  auto* only = addPage("only");
  int backs = 0, changes = 0;
  pane.OnBack = [&](QObject*) { ++backs; };
  pane.OnChange = [&](QObject*) { ++changes; };
  EXPECT_EQ(Pixel(headerOf(pane), 8, 10), Grey);
  clickHeader(pane, TmxTaskPanePro::HeaderBack);
  EXPECT_EQ(pane.ActivePage(), only);
  EXPECT_EQ(backs, 1);
  EXPECT_EQ(changes, 1);
}

TEST_F(PaneTest, CloseFiresOnlyWhenReleasedInside) {
  int closes = 0;
  pane.OnClose = [&](QObject*) { ++closes; };
  headerOf(pane);
  const QPoint inside = pane.Button(TmxTaskPanePro::Close).Rect.center();
  const QPoint outside(100, 80);
  pressHeader(pane, TmxTaskPanePro::Close, {outside}, outside);
  EXPECT_EQ(closes, 0);
  pressHeader(pane, TmxTaskPanePro::Close, {outside, inside}, inside);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  EXPECT_EQ(pane.Button(TmxTaskPanePro::Close).GetState(), TmxTaskPaneButton::Normal);
}

// A second left press while one is held ends the press without a click; keys
// and the other buttons are swallowed.
TEST_F(PaneTest, OtherInputDuringAPressIsNoClick) {
  int closes = 0;
  pane.OnClose = [&](QObject*) { ++closes; };
  headerOf(pane);
  const QPoint inside = pane.Button(TmxTaskPanePro::Close).Rect.center();
  QTimer::singleShot(0, &pane, [&] {
    QTest::mouseClick(&pane, Qt::RightButton, {}, inside);
    QTest::keyClick(&pane, Qt::Key_Escape);
    QTest::mousePress(&pane, Qt::LeftButton, {}, inside);
  });
  QTest::mousePress(&pane, Qt::LeftButton, {}, inside);
  EXPECT_EQ(closes, 0);
}

TEST_F(PaneTest, GreyedButtonLooksDisabledAndStillClicks) {
  int closes = 0;
  pane.OnClose = [&](QObject*) { ++closes; };
  std::vector<TmxPaneButton> asked;
  pane.OnGetButtonState = [&](QObject*, TmxPaneButton button, bool& enabled) {
    asked.push_back(button);
    if (button == pbClose) enabled = false;
  };
  EXPECT_EQ(Pixel(headerOf(pane), 191, 7), Grey);
  EXPECT_EQ(asked, (std::vector{pbBack, pbNext, pbClose, pbPanes}));
  clickHeader(pane, TmxTaskPanePro::Close);
  EXPECT_EQ(closes, 1);
}

TEST_F(PaneTest, PanesOpensTheTaskMenuBelowTheBand) {
  QMenu menu;
  menu.addAction(QStringLiteral("Exit"));
  pane.SetTaskPopup(&menu);
  headerOf(pane);
  QTest::mousePress(&pane, Qt::LeftButton, {}, pane.Button(TmxTaskPanePro::Panes).Rect.center());
  EXPECT_TRUE(menu.isVisible());
  EXPECT_EQ(menu.pos().y(), pane.mapToGlobal(QPoint(0, 18)).y());
  menu.hide();

  int popups = 0;
  pane.OnPopupPanes = [&](QObject*) { ++popups; };
  QTest::mousePress(&pane, Qt::LeftButton, {}, pane.Button(TmxTaskPanePro::Panes).Rect.center());
  EXPECT_EQ(popups, 1);
  EXPECT_FALSE(menu.isVisible());
}

TEST_F(PaneTest, PointerMakesButtonsHotAndLeavingResetsThem) {
  headerOf(pane);
  QTest::mouseMove(&pane, pane.Button(TmxTaskPanePro::Close).Rect.center());
  EXPECT_EQ(pane.Button(TmxTaskPanePro::Close).GetState(), TmxTaskPaneButton::Hot);
  QTest::mouseMove(&pane, pane.Button(TmxTaskPanePro::Panes).Rect.center());
  EXPECT_EQ(pane.Button(TmxTaskPanePro::Close).GetState(), TmxTaskPaneButton::Normal);
  EXPECT_EQ(pane.Button(TmxTaskPanePro::Panes).GetState(), TmxTaskPaneButton::Hot);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&pane, &leave);
  EXPECT_EQ(pane.Button(TmxTaskPanePro::Panes).GetState(), TmxTaskPaneButton::Normal);

  // Straight from a button into a page: the pane itself is never left.
  QTest::mouseMove(&pane, pane.Button(TmxTaskPanePro::Close).Rect.center());
  ASSERT_EQ(pane.Button(TmxTaskPanePro::Close).GetState(), TmxTaskPaneButton::Hot);
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QApplication::sendEvent(pane.ClientWidget(), &enter);
  EXPECT_EQ(pane.Button(TmxTaskPanePro::Close).GetState(), TmxTaskPaneButton::Normal);
}

// The click areas come from the geometry alone: a pane resized and never
// painted since answers the pointer where its buttons will be drawn.
TEST_F(PaneTest, ButtonsAnswerWhereTheLayoutPutsThemBeforeAnyPaint) {
  headerOf(pane);
  pane.resize(400, pane.height());
  const TmxHeaderLayout row = LayoutHeader(400, 3, pane.HeaderHeight(), pane.Buttons(), false);
  QTest::mouseMove(&pane, row.Close.center());
  EXPECT_EQ(pane.Button(TmxTaskPanePro::Close).GetState(), TmxTaskPaneButton::Hot);
  EXPECT_EQ(pane.Button(TmxTaskPanePro::Close).Rect, row.Close);
}

// Too narrow for every button: what has no room is dropped, and so is the caption.
TEST(HeaderLayout, NarrowPaneDropsButtonsWithoutRoomAndTheCaption) {
  const TmxPaneButtons all = pbBack | pbNext | pbPanes | pbClose;
  const TmxHeaderLayout wide = LayoutHeader(200, 2, 15, all, false);
  EXPECT_TRUE(wide.ShowTitle);
  EXPECT_FALSE(wide.Close.isEmpty());
  EXPECT_FALSE(wide.Panes.isEmpty());
  EXPECT_LT(wide.Next.right(), wide.Title.left());
  EXPECT_LT(wide.Title.right(), wide.Panes.left());
  const TmxHeaderLayout narrow = LayoutHeader(40, 2, 15, all, false);
  EXPECT_FALSE(narrow.ShowTitle);
  EXPECT_TRUE(narrow.Close.isEmpty());
  EXPECT_TRUE(narrow.Panes.isEmpty());
  // The 2003 look lights the caption with the triangle.
  const TmxHeaderLayout popup = LayoutHeader(200, 2, 15, all, true);
  EXPECT_EQ(popup.Panes.left(), wide.Title.left() - 2);
}

// --- pages --------------------------------------------------------------------

TEST_F(PaneTest, PagesJoinLeaveAndCollapse) {
  auto* a = addPage("A");
  auto* b = addPage("B");
  EXPECT_EQ(pane.ActivePage(), b);
  EXPECT_EQ(b->geometry(), pane.ClientWidget()->rect());
  EXPECT_EQ(a->height(), 0);
  std::vector<std::string> events;
  a->OnEnter = [&](QObject*) { events.push_back("enter a"); };
  b->OnExit = [&](QObject*) { events.push_back("exit b"); };
  pane.SetActivePage(a);
  EXPECT_EQ(events, (std::vector<std::string>{"exit b", "enter a"}));
  delete a;
  EXPECT_EQ(pane.ActivePage(), b);
  EXPECT_EQ(pane.Pages().size(), 1u);
  for (int i = 0; i < pane.History().Count(); ++i) EXPECT_NE(pane.History().Entry(i), a);
  delete b;
  EXPECT_EQ(pane.ActivePage(), nullptr);
  EXPECT_TRUE(pane.Pages().empty());
}

TEST_F(PaneTest, FocusMovingIntoAnotherPageBringsItForward) {
  auto* a = addPage("A");
  auto* field = new QLineEdit(a->ClientWidget());
  field->show();
  addPage("B");
  QApplication::setActiveWindow(&pane);
  field->setFocus();
  EXPECT_EQ(pane.ActivePage(), a);
}

TEST_F(PaneTest, ChangingTheActivePagesCaptionRepaintsTheHeader) {
  auto* page = addPage("");
  headerOf(pane);
  EXPECT_TRUE(pane.TitleRect().isEmpty());
  page->SetCaption(QStringLiteral("Now titled"));
  EXPECT_FALSE(pane.TitleRect().isEmpty());
}

}  // namespace
