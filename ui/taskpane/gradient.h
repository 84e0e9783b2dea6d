// The gradient painter of the task-pane controls: a 256-entry colour ramp laid
// down in one of twelve band geometries. A rendering is kept per size, because
// building it band by band is the expensive part.
#pragma once

#include <QImage>
#include <QObject>
#include <QRect>
#include <array>
#include <functional>

#include "ui/taskpane/types.h"

class QPainter;

class TmxCustomGradient : public QObject {
  Q_OBJECT
public:
  explicit TmxCustomGradient(QObject* parent = nullptr);

  TColor BeginColor() const { return beginColor_; }
  void SetBeginColor(TColor value);
  TColor EndColor() const { return endColor_; }
  void SetEndColor(TColor value);
  taskpane::TmxGradientStyle DrawStyle() const { return drawStyle_; }
  void SetDrawStyle(taskpane::TmxGradientStyle value);
  taskpane::TmxGradientDirection Direction() const { return direction_; }
  void SetDirection(taskpane::TmxGradientDirection value);

  // Copies colours, style and direction from another gradient; anything else
  // is refused with a conversion error.
  void Assign(const QObject* source);

  // Paints into R of the canvas, re-rendering only when R's size changed.
  // Without a canvas only the cached rendering is refreshed.
  void Draw(QPainter* canvas, const QRect& R);

  // Entry k of the resolved colour ramp.
  QRgb TableEntry(int k) const { return table_[k]; }

  std::function<void(QObject* Sender)> OnChangeParameter;

private:
  void changed(bool notify);
  void buildTable();
  void render(int width, int height);

  TColor beginColor_;
  TColor endColor_;
  taskpane::TmxGradientStyle drawStyle_ = taskpane::gtLeftToRight;
  taskpane::TmxGradientDirection direction_ = taskpane::gdNormal;
  std::array<QRgb, 256> table_{};
  QRect renderedRect_;
  QImage picture_;
};

class TmxGradient : public TmxCustomGradient {
  Q_OBJECT
  Q_PROPERTY(TColor BeginColor READ BeginColor WRITE SetBeginColor)
  Q_PROPERTY(taskpane::TmxGradientStyle DrawStyle READ DrawStyle WRITE SetDrawStyle)
  Q_PROPERTY(taskpane::TmxGradientDirection Direction READ Direction WRITE SetDirection)
  Q_PROPERTY(TColor EndColor READ EndColor WRITE SetEndColor)
public:
  using TmxCustomGradient::TmxCustomGradient;
};
