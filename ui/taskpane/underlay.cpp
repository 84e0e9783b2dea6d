#include "ui/taskpane/underlay.h"

#include <QPainter>
#include <QWidget>

#include "ui/taskpane/alignment.h"
#include "ui/taskpane/client_area.h"
#include "ui/taskpane/graphic_control.h"
#include "ui/taskpane/task_pane_item.h"

namespace taskpane {

namespace {

// The item a widget stands for: a client area stands for its owner.
const TmxCustomTaskPaneItem* itemOf(const QWidget* widget) {
  if (const auto* area = qobject_cast<const TmxClientArea*>(widget)) widget = area->Owner();
  return qobject_cast<const TmxCustomTaskPaneItem*>(widget);
}

bool isSeeThrough(const QWidget* widget) {
  const TmxCustomTaskPaneItem* item = itemOf(widget);
  return item && item->Background()->Style() == btTransparent;
}

void paintAncestor(const QWidget* control, const QWidget* ancestor, QPoint offset, QPainter& canvas) {
  // `offset` is the control's top-left in the ancestor's coordinates.
  const QRect controlRect(offset, control->size());
  // Only the part beneath the control is painted.
  const_cast<QWidget*>(ancestor)->render(&canvas, -offset + controlRect.intersected(ancestor->rect()).topLeft(),
                                         QRegion(controlRect.intersected(ancestor->rect())),
                                         QWidget::DrawWindowBackground);
  for (QObject* object : ancestor->children()) {
    auto* sibling = qobject_cast<TmxGraphicControl*>(object);
    if (!sibling || sibling == control || IsHiddenByChoice(sibling) || !sibling->geometry().intersects(controlRect))
      continue;
    sibling->render(&canvas, sibling->pos() - offset, QRegion(sibling->rect()), QWidget::RenderFlags());
  }
}

}  // namespace

void CaptureUnderlay(const QWidget* control, QPainter& canvas) {
  const QWidget* ancestor = control->parentWidget();
  if (!ancestor) return;
  QPoint offset = control->pos();
  while (isSeeThrough(ancestor) && ancestor->parentWidget()) {
    offset += ancestor->pos();
    ancestor = ancestor->parentWidget();
  }
  paintAncestor(control, ancestor, offset, canvas);
}

void CaptureParentUnderlay(const QWidget* control, QPainter& canvas) {
  if (const QWidget* parent = control->parentWidget()) paintAncestor(control, parent, control->pos(), canvas);
}

}  // namespace taskpane
