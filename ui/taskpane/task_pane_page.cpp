#include "ui/taskpane/task_pane_page.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "ui/taskpane/task_pane.h"
#include "ui/taskpane/underlay.h"

using namespace taskpane;

namespace {

TmxTaskPanePro* paneOf(QWidget* parent) {
  if (auto* pane = qobject_cast<TmxTaskPanePro*>(parent)) return pane;
  if (auto* area = qobject_cast<TmxClientArea*>(parent)) return qobject_cast<TmxTaskPanePro*>(area->Owner());
  return nullptr;
}

bool contains(const QWidget* ancestor, const QWidget* widget) {
  return widget && (widget == ancestor || ancestor->isAncestorOf(widget));
}

}  // namespace

TmxCustomTaskPanePage::TmxCustomTaskPanePage(QWidget* parent)
    : TmxCustomTaskPaneItem(parent), client_(new TmxClientArea(this)), timer_(new QTimer(this)) {
  aligner_ = new ChildAligner(client_, [this] { realign(); });
  Border()->SetAll(5, 5, 5, 5);
  Background()->SetColor(RGB(246, 246, 246));
  Background()->SetAlphaBlend(255);
  setMouseTracking(true);
  client_->OnPaint = [this](QPainter& canvas) { paintClient(canvas); };
  client_->OnPointerEnter = [this] { stopScrolling(); };
  timer_->setInterval(50);
  connect(timer_, &QTimer::timeout, this, [this] { scrollTick(); });
  focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
    const bool wasInside = contains(this, old), isInside = contains(this, now);
    // Focus moving into a page its pane does not show brings the page forward.
    if (!wasInside && isInside && pane_ && pane_->ActivePage() != this) pane_->SetActivePage(this);
    if (!wasInside && isInside && OnEnter) OnEnter(this);
    if (wasInside && !isInside && OnExit) OnExit(this);
  });
  placeClient();
  if (TmxTaskPanePro* pane = paneOf(parent)) pane->PageJoins(this);
}

TmxCustomTaskPanePage::~TmxCustomTaskPanePage() {
  // Deleting the children below may move the focus; the page no longer cares.
  disconnect(focusWatch_);
  if (pane_) pane_->PageLeaves(this);
}

int TmxCustomTaskPanePage::ButtonHeight() const { return pane_ ? pane_->ButtonHeight() : 12; }
TmxPaneScrollType TmxCustomTaskPanePage::ScrollType() const { return pane_ ? pane_->ScrollType() : stAccelerated; }
int TmxCustomTaskPanePage::ScrollSpeed() const { return pane_ ? pane_->ScrollSpeed() : 1; }
const TmxCustomXPColors* TmxCustomTaskPanePage::XPColors() const { return pane_ ? pane_->XPColors() : &defaultColors_; }

void TmxCustomTaskPanePage::SetCaption(const QString& value) {
  if (value == caption_) return;
  caption_ = value;
  ItemChanged();
  if (pane_) pane_->HeaderRepaint();
}

void TmxCustomTaskPanePage::Enter() {
  if (OnEnter) OnEnter(this);
}

void TmxCustomTaskPanePage::Exit() {
  if (OnExit) OnExit(this);
}

void TmxCustomTaskPanePage::ItemChanged() {
  TmxCustomTaskPaneItem::ItemChanged();
  aligner_->Realign();
  client_->update();
  update();
}

void TmxCustomTaskPanePage::changeEvent(QEvent* event) {
  TmxCustomTaskPaneItem::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) ItemChanged();
}

void TmxCustomTaskPanePage::BeginLayoutRead() { reading_ = true; }

void TmxCustomTaskPanePage::EndLayoutRead() {
  reading_ = false;
  position_ = 0;
  measure();
  UpdateStrips();
}

void TmxCustomTaskPanePage::RebuildWindow() {
  placeClient();
  UpdateStrips();
  aligner_->Realign();
  client_->update();
  update();
}

// --- geometry -------------------------------------------------------------

int TmxCustomTaskPanePage::clientHeight() const {
  const int strip = ButtonHeight() + 1;
  return height() - (strips_ & TopStrip ? strip : 0) - (strips_ & BottomStrip ? strip : 0);
}

void TmxCustomTaskPanePage::placeClient() {
  const int strip = ButtonHeight() + 1;
  const int top = strips_ & TopStrip ? strip : 0;
  client_->setGeometry(0, top, width(), std::max(0, clientHeight()));
}

void TmxCustomTaskPanePage::resizeEvent(QResizeEvent* event) {
  measure();
  UpdateStrips();
  measureSuspended_ = true;
  TmxCustomTaskPaneItem::resizeEvent(event);
  placeClient();
  measureSuspended_ = false;
  update();
}

void TmxCustomTaskPanePage::measure() {
  if (measureSuspended_) return;
  const bool suspended = aligner_->Suspended();
  aligner_->Suspend(true);
  const int a = position_ > 0 ? ButtonHeight() : 0;
  const int clientWidth = width();
  int bottom = 0, sum = 0;
  bool resized = false;
  auto giveClientWidth = [&](QWidget* child) {
    resized = resized || child->width() != clientWidth;
    child->resize(clientWidth, child->height());
  };
  for (QObject* object : client_->children()) {
    auto* child = qobject_cast<QWidget*>(object);
    if (!child || IsHiddenByChoice(child)) continue;
    switch (AlignOf(child)) {
      case alNone:
      case alTop:
        bottom = std::max(bottom, child->y() + child->height() + a + position_);
        if (AlignOf(child) == alTop) giveClientWidth(child);
        break;
      case alBottom:
        giveClientWidth(child);
        sum += child->height();
        break;
      case alClient:
        giveClientWidth(child);
        sum += child->minimumHeight();
        break;
      case alLeft:
      case alRight: break;
    }
  }
  aligner_->Suspend(suspended);
  contentHeight_ = std::max(0, bottom + sum);
  SetPosition(position_);
  // Resuming alignment settles the children measuring resized.
  if (resized) alignNow();
}

void TmxCustomTaskPanePage::Remeasure() {
  measure();
  UpdateStrips();
}

void TmxCustomTaskPanePage::SetPosition(int value) {
  if (reading_) {
    position_ = value;
    return;
  }
  value = std::max(0, std::min(value, contentHeight_ - clientHeight()));
  if (value == position_) return;
  scrollTo(value);
  UpdateStrips();
}

void TmxCustomTaskPanePage::scrollTo(int value) {
  const int BH = ButtonHeight();
  const int oldOffset = position_ > 0 ? position_ + BH : 0;
  const int newOffset = value > 0 ? value + BH : 0;
  position_ = value;
  for (QObject* object : client_->children())
    if (auto* child = qobject_cast<QWidget*>(object)) child->move(child->x(), child->y() + oldOffset - newOffset);
}

void TmxCustomTaskPanePage::UpdateStrips() {
  if (updatingStrips_) return;
  updatingStrips_ = true;
  const int BH = ButtonHeight();
  bool mustAlign = false;
  const int maxPosition = std::max(0, contentHeight_ - clientHeight());
  if (position_ >= maxPosition) {
    position_ = maxPosition;
    mustAlign = true;
  }
  int strips = 0;
  if (position_ > 0 && 2 * BH < clientHeight()) strips |= TopStrip;
  const int k = position_ > 0 ? 2 : 1;
  const int c = strips_ & BottomStrip ? BH : 0;
  if (c + clientHeight() < contentHeight_ - position_ && BH * (k + 1) < clientHeight()) strips |= BottomStrip;
  if (strips != strips_) {
    strips_ = strips;
    placeClient();
    update();
    mustAlign = true;
    // A strip that went away gave its rows to the client area: the end of
    // the content now comes sooner.
    const int limit = std::max(0, contentHeight_ - clientHeight());
    if (position_ > limit) scrollTo(limit);
  }
  if (mustAlign) alignNow();
  updatingStrips_ = false;
}

void TmxCustomTaskPanePage::alignNow() {
  const int strip = ButtonHeight() + 1;
  const int clientWidth = width(), height = clientHeight();
  int top = Border()->Top(), bottom = height - Border()->Bottom();
  if (strips_ & TopStrip) top -= strip;
  if (strips_ & BottomStrip) bottom += strip;
  top -= position_;
  bottom -= position_;
  if (bottom - top < contentHeight_) bottom = top + contentHeight_;
  const bool suspended = aligner_->Suspended();
  aligner_->Suspend(true);
  AlignChildren(client_,
                QRect(Border()->Left(), top, clientWidth - Border()->Left() - Border()->Right(), bottom - top));
  aligner_->Suspend(suspended);
}

// A child that comes, goes or changes size changes the content too.
void TmxCustomTaskPanePage::realign() {
  measure();
  UpdateStrips();
  alignNow();
}

// --- painting -------------------------------------------------------------

void TmxCustomTaskPanePage::paintClient(QPainter& canvas) {
  int top = 0;
  if (pane_ && pane_->Options().testFlag(to2003Menu)) top -= 20;
  if (strips_ & TopStrip) top -= 13;
  const QRect R(QPoint(0, top), QPoint(client_->width() - 1, std::max(contentHeight_, client_->height()) - 1));
  TmxBackground* background = Background();
  if (background->Style() == btTransparent) {
    QImage underlay(R.size(), QImage::Format_RGB32);
    QPainter capture(&underlay);
    CaptureUnderlay(this, capture);
    capture.end();
    canvas.drawImage(0, 0, underlay, 0, strips_ & TopStrip ? -top : 0);
    return;
  }
  // An opaque background never reads what lies beneath it.
  if (background->AlphaBlend() != 255) {
    background->SetUnderlaySize(R.size());
    QPainter capture(&background->Underlay());
    if (strips_ & TopStrip) capture.translate(0, -(ButtonHeight() + 1));
    CaptureUnderlay(this, capture);
  }
  background->Draw(canvas, R);
}

void TmxCustomTaskPanePage::paintStrip(QPainter& canvas, const QRect& strip, bool hot, bool up) const {
  const TmxCustomXPColors* colors = XPColors();
  canvas.fillRect(strip, QColor(ColorToRGB(hot ? colors->FocusedBackground() : colors->Background())));
  canvas.setPen(QColor(ColorToRGB(colors->BorderColor())));
  canvas.setBrush(Qt::NoBrush);
  canvas.drawRect(strip.adjusted(0, 0, -1, -1));
  const QColor arrow(ColorToRGB(colors->ArrowColor()));
  const int cx = strip.left() + strip.width() / 2, cy = strip.top() + strip.height() / 2;
  const int tip = up ? -1 : 1;
  canvas.fillRect(cx, cy + tip, 1, 1, arrow);
  canvas.fillRect(cx - 1, cy, 3, 1, arrow);
  canvas.fillRect(cx - 2, cy - tip, 5, 1, arrow);
}

void TmxCustomTaskPanePage::paintEvent(QPaintEvent*) {
  QPainter canvas(this);
  const int strip = ButtonHeight() + 1;
  if (strips_ & TopStrip) paintStrip(canvas, QRect(0, 0, width(), strip), hotTop_, true);
  if (strips_ & BottomStrip) paintStrip(canvas, QRect(0, height() - strip, width(), strip), hotBottom_, false);
}

// --- hover scrolling ------------------------------------------------------

void TmxCustomTaskPanePage::mouseMoveEvent(QMouseEvent* event) {
  const int BH = ButtonHeight();
  const int y = event->position().toPoint().y();
  HoverMode mode = HoverMode::Idle;
  if ((strips_ & TopStrip) && y < BH) mode = HoverMode::Up;
  if ((strips_ & BottomStrip) && y >= height() - BH) mode = HoverMode::Down;
  if (mode == HoverMode::Idle) {
    stopScrolling();
    return;
  }
  startScrolling(mode);
}

void TmxCustomTaskPanePage::startScrolling(HoverMode mode) {
  hotTop_ = mode == HoverMode::Up;
  hotBottom_ = mode == HoverMode::Down;
  if (mode == mode_) return;
  mode_ = mode;
  step_ = ScrollSpeed();
  timer_->start();
  update();
}

void TmxCustomTaskPanePage::stopScrolling() {
  if (mode_ == HoverMode::Idle) return;
  timer_->stop();
  hotTop_ = hotBottom_ = false;
  mode_ = HoverMode::Idle;
  update();
}

void TmxCustomTaskPanePage::scrollTick() {
  if (!pointerInside_ || mode_ == HoverMode::Idle) {
    stopScrolling();
    return;
  }
  if (ScrollType() == stAccelerated) ++step_;
  SetPosition(mode_ == HoverMode::Down ? position_ + step_ : position_ - step_);
}

void TmxCustomTaskPanePage::enterEvent(QEnterEvent* event) {
  TmxCustomTaskPaneItem::enterEvent(event);
  pointerInside_ = true;
}

void TmxCustomTaskPanePage::leaveEvent(QEvent* event) {
  TmxCustomTaskPaneItem::leaveEvent(event);
  pointerInside_ = false;
  stopScrolling();
}
