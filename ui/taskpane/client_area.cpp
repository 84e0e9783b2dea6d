#include "ui/taskpane/client_area.h"

#include <QPainter>

TmxClientArea::TmxClientArea(QWidget* owner) : QWidget(owner) {}

void TmxClientArea::paintEvent(QPaintEvent*) {
  if (!OnPaint) return;
  QPainter canvas(this);
  OnPaint(canvas);
}

void TmxClientArea::enterEvent(QEnterEvent* event) {
  QWidget::enterEvent(event);
  if (OnPointerEnter) OnPointerEnter();
}

namespace taskpane {

QWidget* ParentFor(QWidget* parent) {
  if (const auto* host = dynamic_cast<const TmxControlHost*>(parent)) return host->ClientWidget();
  return parent;
}

}  // namespace taskpane
