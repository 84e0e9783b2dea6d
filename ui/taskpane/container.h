// A group container: a task-pane item that holds ordinary controls, aligns its
// docked children inside its margins and may draw lines along its edges.
#pragma once

#include "ui/taskpane/alignment.h"
#include "ui/taskpane/task_pane_item.h"

class TmxCustomContainer : public TmxCustomTaskPaneItem {
  Q_OBJECT
public:
  explicit TmxCustomContainer(QWidget* parent = nullptr);

  taskpane::TmxBorderLines Lines() const { return lines_; }
  void SetLines(taskpane::TmxBorderLines value);
  TColor LineColor() const { return lineColor_; }
  void SetLineColor(TColor value);

  // One pixel inside the margins.
  QRect AlignmentArea() const override;

protected:
  void ItemChanged() override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  taskpane::TmxBorderLines lines_;
  TColor lineColor_ = RGB(255, 255, 255);
  taskpane::ChildAligner* aligner_;
};

class TmxContainer : public TmxCustomContainer {
  Q_OBJECT
  Q_PROPERTY(taskpane::TmxBorderLines Lines READ Lines WRITE SetLines)
  Q_PROPERTY(TColor LineColor READ LineColor WRITE SetLineColor)
public:
  using TmxCustomContainer::TmxCustomContainer;
};
