#include "ui/taskpane/task_pane.h"

#include <QApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPainter>

#include "ui/taskpane/alignment.h"
#include "ui/taskpane/underlay.h"

using namespace taskpane;

void TmxTaskPaneButton::SetState(int state) {
  if (state == 3) state = Normal;
  if (state == state_) return;
  state_ = state;
  if (OnChange) OnChange();
}

TmxTaskPanePro::TmxTaskPanePro(QWidget* parent)
    : QWidget(parent),
      client_(new TmxClientArea(this)),
      images_(14, 14),
      background_(new TmxBackground(this)),
      headerStyle_(new TmxBackground(this)),
      font_(new TmxFont(this)),
      xpColors_(new TmxXPPaneColors(this)) {
  resize(100, 100);
  setMouseTracking(true);
  // The pane gets no leave event when the pointer moves on into a page.
  client_->OnPointerEnter = [this] { clearButtonStates(); };
  for (const char* name :
       {"IMG_LEFT", "IMG_LEFT_DISABLED", "IMG_RIGHT", "IMG_RIGHT_DISABLED", "IMG_HOME", "IMG_HOME_DISABLED"})
    images_.Add(BuiltinPicture(QLatin1String(name)), Magenta);

  background_->SetColor(RGB(246, 246, 246));
  headerStyle_->SetColor(RGB(192, 192, 192));
  headerStyle_->Gradient()->SetBeginColor(RGB(166, 202, 240));
  headerStyle_->Gradient()->SetEndColor(RGB(126, 161, 219));
  font_->SetStyle(fsBold);
  xpColors_->SetBackground(RGB(192, 192, 192));
  xpColors_->SetBorderColor(RGB(128, 128, 128));

  background_->SetOnChangeParameter([this](QObject*) {
    client_->update();
    HeaderRepaint();
    rebuildPages();
  });
  headerStyle_->SetOnChangeParameter([this](QObject*) { HeaderRepaint(); });
  xpColors_->OnChange = [this](QObject*) {
    client_->update();
    HeaderRepaint();
    rebuildPages();
  };
  font_->OnChange = [this](QObject*) { HeaderRepaint(); };
  for (TmxTaskPaneButton& button : buttonRecords_) button.OnChange = [this] { HeaderRepaint(); };
  history_.OnChange = [this] { HeaderRepaint(); };
  history_.OnNavigate = [this] { navigate(); };
  client_->OnPaint = [this](QPainter& canvas) { PaintClient(canvas); };
  placeClient();
}

TmxTaskPanePro::~TmxTaskPanePro() {
  destroying_ = true;
  // The pages go with the pane's children; none is activated on the way.
  while (!pages_.empty()) {
    pages_.back()->SetPane(nullptr);
    pages_.pop_back();
  }
}

int TmxTaskPanePro::frameWidth() const { return options_.testFlag(toShowBorder) ? 3 : 0; }
int TmxTaskPanePro::menuHeight() const { return options_.testFlag(to2003Menu) ? 20 : 0; }

QRect TmxTaskPanePro::ClientRect() const {
  const int B = frameWidth();
  return QRect(QPoint(B, B + headerHeight_ + menuHeight() + 1), QPoint(width() - B - 1, height() - B - 1));
}

void TmxTaskPanePro::placeClient() {
  client_->setGeometry(ClientRect());
  if (activePage_) activePage_->setGeometry(client_->rect());
}

void TmxTaskPanePro::rebuildPages() {
  for (TmxCustomTaskPanePage* page : pages_) page->RebuildWindow();
}

// --- properties -----------------------------------------------------------

void TmxTaskPanePro::SetPreset(TmxTaskPanePreset value) {
  preset_ = value;
  applyPreset();
}

void TmxTaskPanePro::SetMenuColor(TColor value) {
  if (value == menuColor_) return;
  menuColor_ = value;
  if (options_.testFlag(to2003Menu)) HeaderRepaint();
}

void TmxTaskPanePro::SetHeaderHeight(int value) {
  value = std::max(value, 15);
  if (value == headerHeight_) return;
  headerHeight_ = value;
  placeClient();
  HeaderRepaint();
}

void TmxTaskPanePro::SetButtonHeight(int value) {
  if (value == buttonHeight_) return;
  buttonHeight_ = value;
  rebuildPages();
}

void TmxTaskPanePro::SetBorderColor(TColor value) {
  if (value == borderColor_) return;
  borderColor_ = value;
  HeaderRepaint();
}

void TmxTaskPanePro::SetButtons(TmxPaneButtons value) {
  if (value == buttons_) return;
  buttons_ = value;
  HeaderRepaint();
}

void TmxTaskPanePro::SetTaskPopup(QMenu* menu) { taskPopup_ = menu; }

void TmxTaskPanePro::SetScrollType(TmxPaneScrollType value) { scrollType_ = value; }

void TmxTaskPanePro::SetScrollSpeed(int value) { scrollSpeed_ = value; }

void TmxTaskPanePro::SetOptions(TmxTaskPaneOptions value) {
  if (value == options_) return;
  options_ = value;
  placeClient();
  HeaderRepaint();
}

int TmxTaskPanePro::ActiveIndex() const {
  for (size_t i = 0; i < pages_.size(); ++i)
    if (pages_[i] == activePage_) return int(i);
  return -1;
}

void TmxTaskPanePro::SetActiveIndex(int index) {
  storedActiveIndex_ = index;
  if (loading_) return;
  SetActivePage(index >= 0 && index < int(pages_.size()) ? pages_[index] : nullptr);
}

// --- pages ----------------------------------------------------------------

void TmxTaskPanePro::SetActivePage(TmxCustomTaskPanePage* page) {
  if (IsHiddenByChoice(this) || destroying_ || page == activePage_ || (page && IsHiddenByChoice(page))) return;
  for (TmxCustomTaskPanePage* other : pages_) {
    if (other == page) continue;
    SetAlign(other, alNone);
    other->setGeometry(other->x(), 0, other->width(), 0);
  }
  TmxCustomTaskPanePage* previous = activePage_;
  if (previous && previous->isAncestorOf(QApplication::focusWidget())) previous->setFocus();
  if (page) {
    page->setGeometry(client_->rect());
    page->raise();
    if (page->focusPolicy() != Qt::NoFocus) page->setFocus();
    else if (focusPolicy() != Qt::NoFocus) setFocus();
  }
  activePage_ = page;
  if (page) {
    page->Remeasure();
    HeaderRepaint();
  }
  if (!loading_ && !navigating_) history_.Add(page);
  if (OnChange) OnChange(this);
  if (previous) previous->Exit();
  if (page) page->Enter();
  HeaderRepaint();
}

void TmxTaskPanePro::PageJoins(TmxCustomTaskPanePage* page) {
  page->SetPane(this);
  pages_.push_back(page);
  // A page added to a pane on screen shows like the others.
  if (client_->isVisible() && !IsHiddenByChoice(page)) page->show();
  SetActivePage(page);
}

void TmxTaskPanePro::PageLeaves(TmxCustomTaskPanePage* page) {
  if (destroying_) return;
  if (page == activePage_) SetActivePage(nullptr);
  std::erase(pages_, page);
  page->SetPane(nullptr);
  history_.Remove(page);
  if (!pages_.empty()) SetActivePage(pages_.front());
}

void TmxTaskPanePro::BeginLayoutRead() {
  loading_ = true;
  storedActiveIndex_ = ActiveIndex();
  history_.Clear();
}

void TmxTaskPanePro::EndLayoutRead() {
  loading_ = false;
  const int index = storedActiveIndex_;
  SetActivePage(index >= 0 && index < int(pages_.size()) ? pages_[index] : nullptr);
  history_.Add(activePage_);
  placeClient();
  HeaderRepaint();
}

void TmxTaskPanePro::navigate() {
  navigating_ = true;
  SetActivePage(history_.Current());
  navigating_ = false;
}

// --- painting -------------------------------------------------------------

void TmxTaskPanePro::HeaderRepaint() {
  if (loading_ || bulkUpdate_) return;
  if (picture_.size() != size()) picture_ = QImage(size(), QImage::Format_RGB32);
  QPainter canvas(&picture_);
  PaintHeader(canvas);
  canvas.end();
  update();
}

void TmxTaskPanePro::paintEvent(QPaintEvent*) {
  if (picture_.size() != size()) HeaderRepaint();
  QPainter canvas(this);
  canvas.setClipRegion(QRegion(rect()).subtracted(ClientRect()));
  canvas.drawImage(0, 0, picture_);
}

void TmxTaskPanePro::PaintClient(QPainter& canvas) {
  const QPoint origin = ClientRect().topLeft();
  if (background_->Style() == btTransparent) {
    QImage beneath(client_->size(), QImage::Format_RGB32);
    QPainter capture(&beneath);
    capture.translate(-origin);
    CaptureParentUnderlay(this, capture);
    capture.end();
    canvas.drawImage(0, 0, beneath);
    return;
  }
  // An opaque background never reads what lies beneath it.
  if (background_->AlphaBlend() != 255) {
    background_->SetUnderlaySize(client_->size());
    QPainter underlay(&background_->Underlay());
    underlay.translate(-origin);
    CaptureParentUnderlay(this, underlay);
  }
  background_->Draw(canvas, client_->rect());
}

void TmxTaskPanePro::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  placeClient();
  HeaderRepaint();
  if (activePage_) activePage_->UpdateStrips();
  client_->update();
}

// --- pointer --------------------------------------------------------------

int TmxTaskPanePro::hitTest(QPoint position) {
  placeButtons();
  for (ButtonIndex index : {HeaderBack, HeaderNext, Panes, Close, Home, MenuNext, MenuBack})
    if (buttonRecords_[index].Rect.contains(position)) return index;
  return -1;
}

void TmxTaskPanePro::mouseMoveEvent(QMouseEvent* event) {
  const int hit = hitTest(event->position().toPoint());
  bulkUpdate_ = true;
  for (int i = 0; i < ButtonCount; ++i) {
    TmxTaskPaneButton& button = buttonRecords_[i];
    if (i == hit) {
      if (button.GetState() == TmxTaskPaneButton::Normal) button.SetState(TmxTaskPaneButton::Hot);
    } else {
      button.SetState(TmxTaskPaneButton::Normal);
    }
  }
  bulkUpdate_ = false;
  HeaderRepaint();
}

void TmxTaskPanePro::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  clearButtonStates();
}

void TmxTaskPanePro::clearButtonStates() {
  bulkUpdate_ = true;
  for (TmxTaskPaneButton& button : buttonRecords_) button.SetState(TmxTaskPaneButton::Normal);
  bulkUpdate_ = false;
  HeaderRepaint();
}

void TmxTaskPanePro::mousePressEvent(QMouseEvent* event) {
  const int hit = hitTest(event->position().toPoint());
  if (event->button() != Qt::LeftButton || hit < 0) {
    QWidget::mousePressEvent(event);
    return;
  }
  const auto index = ButtonIndex(hit);
  bulkUpdate_ = true;
  for (int i = 0; i < ButtonCount; ++i)
    buttonRecords_[i].SetState(i == index ? TmxTaskPaneButton::Pressed : TmxTaskPaneButton::Normal);
  bulkUpdate_ = false;
  HeaderRepaint();
  if (index == Panes) {
    panesAction(event->globalPosition().toPoint().x());
  } else if (trackPress(index, event->position().toPoint())) {
    runAction(index);
  }
  HeaderRepaint();
}

namespace {

// Watches the application's events while a header button is held down.
class PressTracker : public QObject {
public:
  PressTracker(QWidget* pane, TmxTaskPaneButton& button, QEventLoop& loop)
      : pane_(pane), button_(button), loop_(loop) {}
  bool Click = false;

protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (QWidget::mouseGrabber() != pane_) {
      loop_.exit();
      return false;
    }
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride: return true;
      case QEvent::MouseMove: {
        button_.SetState(inside(event) ? TmxTaskPaneButton::Pressed : TmxTaskPaneButton::Hot);
        return true;
      }
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) loop_.exit();
        return true;
      case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
          Click = inside(event);
          loop_.exit();
        }
        return true;
      default: return false;
    }
  }

private:
  bool inside(QEvent* event) const {
    const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
    return button_.Rect.contains(pane_->mapFromGlobal(global));
  }

  QWidget* pane_;
  TmxTaskPaneButton& button_;
  QEventLoop& loop_;
};

}  // namespace

bool TmxTaskPanePro::trackPress(ButtonIndex index, QPoint position) {
  TmxTaskPaneButton& button = buttonRecords_[index];
  button.SetState(button.Rect.contains(position) ? TmxTaskPaneButton::Pressed : TmxTaskPaneButton::Hot);
  grabMouse();
  QEventLoop loop;
  PressTracker tracker(this, button, loop);
  qApp->installEventFilter(&tracker);
  if (QWidget::mouseGrabber() == this) loop.exec();
  qApp->removeEventFilter(&tracker);
  if (QWidget::mouseGrabber() == this) releaseMouse();
  button.SetState(TmxTaskPaneButton::Normal);
  return tracker.Click;
}

void TmxTaskPanePro::runAction(ButtonIndex index) {
  switch (index) {
    case HeaderBack:
    case MenuBack: backAction(); break;
    case HeaderNext:
    case MenuNext: nextAction(); break;
    case Close:
      if (OnClose) OnClose(this);
      break;
    case Home:
      if (OnGoHome) OnGoHome(this);
      break;
    default: break;
  }
}

void TmxTaskPanePro::backAction() {
  history_.StepBack();
  buttonRecords_[HeaderBack].SetState(TmxTaskPaneButton::Normal);
  if (OnBack) OnBack(this);
  if (OnChange) OnChange(this);
}

void TmxTaskPanePro::nextAction() {
  history_.StepForward();
  buttonRecords_[HeaderNext].SetState(TmxTaskPaneButton::Normal);
  if (OnNext) OnNext(this);
  if (OnChange) OnChange(this);
}

void TmxTaskPanePro::panesAction(int screenX) {
  if (OnPopupPanes) {
    OnPopupPanes(this);
    return;
  }
  if (!taskPopup_) return;
  const int row = ClientRect().top() - 1 - menuHeight();
  taskPopup_->popup(QPoint(screenX, mapToGlobal(QPoint(0, row)).y()));
}
