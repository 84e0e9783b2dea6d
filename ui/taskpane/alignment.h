// Docking of child controls inside a task-pane control. Any child, ours or a
// standard widget, carries its docking as the "Align" property, so the window
// layout stores it like every other property.
#pragma once

#include <QObject>
#include <QRect>
#include <functional>

#include "ui/taskpane/types.h"

class QWidget;

namespace taskpane {

TAlign AlignOf(const QWidget* control);
// Hidden on purpose, not merely not shown yet because its window is not.
bool IsHiddenByChoice(const QWidget* control);
void SetAlign(QWidget* control, TAlign align);

// Places the visible docked children of parent inside area: top ones from the
// top down in order of their tops, bottom ones from the bottom up, then left,
// right, and the client-docked ones in what remains.
void AlignChildren(QWidget* parent, const QRect& area);

// Watches a host widget and its children and asks for a re-alignment whenever
// a child comes, goes, shows, hides, resizes or changes its docking.
class ChildAligner : public QObject {
public:
  ChildAligner(QWidget* host, std::function<void()> realign);

  // While suspended, nothing asks for an alignment.
  void Suspend(bool suspended) { suspended_ = suspended; }
  bool Suspended() const { return suspended_; }
  // Runs the re-alignment now, without re-entering it from the moves it makes.
  void Realign();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QWidget* host_;
  std::function<void()> realign_;
  bool suspended_ = false;
  bool aligning_ = false;
};

}  // namespace taskpane
