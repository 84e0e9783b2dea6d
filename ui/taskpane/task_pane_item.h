// The base of the windowed task-pane items (pages, group containers, group
// titles): inner margins, a background painted over what lies beneath the
// item, and the option that lets a pane preset restyle it.
#pragma once

#include <QWidget>

#include "ui/taskpane/background.h"
#include "ui/taskpane/border.h"
#include "ui/taskpane/types.h"

class TmxCustomTaskPaneItem : public QWidget {
  Q_OBJECT
  Q_PROPERTY(taskpane::TmxTaskItemOptions Options READ Options WRITE SetOptions)
  Q_PROPERTY(TmxBorder* Border READ Border CONSTANT)
  Q_PROPERTY(TmxBackground* Background READ Background CONSTANT)
public:
  // A pane or page as parent puts the item into its client area.
  explicit TmxCustomTaskPaneItem(QWidget* parent = nullptr);

  taskpane::TmxTaskItemOptions Options() const { return options_; }
  void SetOptions(taskpane::TmxTaskItemOptions value);
  TmxBorder* Border() const { return border_; }
  TmxBackground* Background() const { return background_; }

  // The area children are aligned in, in the coordinates of the widget that
  // holds them: the client area less the margins.
  virtual QRect AlignmentArea() const;

protected:
  // Repaints the item and every child item.
  virtual void ItemChanged();
  // Paints the background over what lies beneath the item.
  void PaintItem(QPainter& canvas);
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  taskpane::TmxTaskItemOptions options_ = taskpane::tiSetStyle;
  TmxBorder* border_;
  TmxBackground* background_;
};
