#include "ui/taskpane/container.h"

#include <QPainter>

using namespace taskpane;

TmxCustomContainer::TmxCustomContainer(QWidget* parent)
    : TmxCustomTaskPaneItem(parent),
      aligner_(new ChildAligner(this, [this] { AlignChildren(this, AlignmentArea()); })) {
  resize(50, 50);
  Border()->SetAll(5, 5, 5, 5);
  Background()->SetColor(RGB(246, 246, 246));
}

void TmxCustomContainer::SetLines(TmxBorderLines value) {
  if (value == lines_) return;
  lines_ = value;
  ItemChanged();
}

void TmxCustomContainer::SetLineColor(TColor value) {
  if (value == lineColor_) return;
  lineColor_ = value;
  ItemChanged();
}

QRect TmxCustomContainer::AlignmentArea() const {
  return TmxCustomTaskPaneItem::AlignmentArea().adjusted(1, 1, -1, -1);
}

void TmxCustomContainer::ItemChanged() {
  TmxCustomTaskPaneItem::ItemChanged();
  aligner_->Realign();
}

void TmxCustomContainer::resizeEvent(QResizeEvent* event) {
  TmxCustomTaskPaneItem::resizeEvent(event);
  aligner_->Realign();
}

void TmxCustomContainer::paintEvent(QPaintEvent*) {
  QPainter canvas(this);
  PaintItem(canvas);
  canvas.setPen(QColor(ColorToRGB(lineColor_)));
  // Each line runs the whole side, from outside the client area past its end.
  const int w = width(), h = height();
  if (lines_ & blLeft) canvas.drawLine(0, -5, 0, h + 5);
  if (lines_ & blRight) canvas.drawLine(w - 1, -5, w - 1, h + 5);
  if (lines_ & blTop) canvas.drawLine(-5, 0, w + 5, 0);
  if (lines_ & blBottom) canvas.drawLine(-5, h - 1, w + 5, h - 1);
}
