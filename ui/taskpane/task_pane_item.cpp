#include "ui/taskpane/task_pane_item.h"

#include <QPainter>

#include "ui/taskpane/client_area.h"
#include "ui/taskpane/underlay.h"

using namespace taskpane;

TmxCustomTaskPaneItem::TmxCustomTaskPaneItem(QWidget* parent)
    : QWidget(ParentFor(parent)), border_(new TmxBorder(this)), background_(new TmxBackground(this)) {
  border_->OnChange = [this](QObject*) { ItemChanged(); };
  background_->SetOnChangeParameter([this](QObject*) { ItemChanged(); });
}

void TmxCustomTaskPaneItem::SetOptions(TmxTaskItemOptions value) {
  if (value == options_) return;
  options_ = value;
  ItemChanged();
}

QRect TmxCustomTaskPaneItem::AlignmentArea() const {
  return QRect(QPoint(border_->Left(), border_->Top()),
               QPoint(width() - border_->Right() - 1, height() - border_->Bottom() - 1));
}

void TmxCustomTaskPaneItem::ItemChanged() {
  update();
  for (auto* child : findChildren<TmxCustomTaskPaneItem*>(Qt::FindDirectChildrenOnly)) child->update();
}

void TmxCustomTaskPaneItem::PaintItem(QPainter& canvas) {
  if (background_->Style() == btTransparent) {
    // Captured apart and then copied: the ancestor paints with painters of
    // its own, which must not inherit this one's state.
    QImage beneath(size(), QImage::Format_RGB32);
    QPainter capture(&beneath);
    CaptureUnderlay(this, capture);
    capture.end();
    canvas.drawImage(0, 0, beneath);
    return;
  }
  // An opaque background never reads what lies beneath it.
  if (background_->AlphaBlend() != 255) {
    background_->SetUnderlaySize(size());
    QPainter underlay(&background_->Underlay());
    CaptureUnderlay(this, underlay);
  }
  background_->Draw(canvas, rect());
}

void TmxCustomTaskPaneItem::paintEvent(QPaintEvent*) {
  QPainter canvas(this);
  PaintItem(canvas);
}

void TmxCustomTaskPaneItem::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  update();
}
