// The inner widget of a control that paints a frame of its own (the pane's
// header, a page's scroll strips): children live in it, and the owner moves
// it when its frame changes.
#pragma once

#include <QWidget>
#include <functional>

class TmxClientArea : public QWidget {
  Q_OBJECT
public:
  explicit TmxClientArea(QWidget* owner);

  QWidget* Owner() const { return parentWidget(); }

  std::function<void(QPainter& canvas)> OnPaint;
  std::function<void()> OnPointerEnter;

protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
};

// A control that keeps its children in an inner client area.
class TmxControlHost {
public:
  virtual ~TmxControlHost() = default;
  virtual QWidget* ClientWidget() const = 0;
};

namespace taskpane {
// The widget a new child of the given parent belongs in: a host's client area,
// or the parent itself.
QWidget* ParentFor(QWidget* parent);
}  // namespace taskpane
