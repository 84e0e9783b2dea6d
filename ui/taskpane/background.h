// The background painter of the task-pane controls: fills a rectangle by one
// of five styles, then may blend the result over what lies beneath the
// control (the underlay the owner captured) and turn it grey.
#pragma once

#include <QImage>
#include <QObject>
#include <QRect>
#include <functional>

#include "ui/taskpane/gradient.h"
#include "ui/taskpane/types.h"

class QPainter;

class TmxCustomBackground : public QObject {
  Q_OBJECT
public:
  explicit TmxCustomBackground(QObject* parent = nullptr);

  int AlphaBlend() const { return alphaBlend_; }
  void SetAlphaBlend(int value);
  const QImage& Bitmap() const { return bitmap_; }
  void SetBitmap(const QImage& value);
  taskpane::TmxBitmapCopy BitmapCopy() const { return bitmapCopy_; }
  void SetBitmapCopy(taskpane::TmxBitmapCopy value);
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  TmxGradient* Gradient() const { return gradient_; }
  bool Grayscale() const { return grayscale_; }
  void SetGrayscale(bool value);
  taskpane::TmxBackgroundStyle Style() const { return style_; }
  void SetStyle(taskpane::TmxBackgroundStyle value);

  // Also handed to the gradient, so its changes reach the owner directly.
  void SetOnChangeParameter(std::function<void(QObject* Sender)> handler);

  void Assign(const QObject* source);

  // Composes the background for R (in the canvas's coordinates) and copies it
  // onto the canvas. The hooks receive the work picture with the rectangle
  // the background is composed in.
  void Draw(QPainter& canvas, const QRect& R);

  // What lies beneath the control, filled by the owner before Draw; pixel
  // (0, 0) lies under the top-left corner of the rectangle being drawn.
  QImage& Underlay() { return underlay_; }
  void SetUnderlaySize(QSize size);

  using DrawEvent = std::function<void(TmxCustomBackground* Sender, QPainter& ACanvas, const QRect& ARect)>;
  DrawEvent OnBeforeDraw;
  DrawEvent OnDraw;
  DrawEvent OnAfterDraw;

private:
  void changed();
  void putBitmap(const QRect& R, const QRect& part, bool tile);
  void blendWithUnderlay(const QRect& R);
  void turnGrey(const QRect& R);

  quint8 alphaBlend_ = 255;
  QImage bitmap_;
  taskpane::TmxBitmapCopy bitmapCopy_ = taskpane::bcSrcCopy;
  TColor color_ = RGB(128, 128, 128);
  TmxGradient* gradient_;
  bool grayscale_ = false;
  taskpane::TmxBackgroundStyle style_ = taskpane::btSolid;
  std::function<void(QObject*)> onChangeParameter_;
  QImage underlay_;
  QImage work_;
  bool drawing_ = false;
};

class TmxBackground : public TmxCustomBackground {
  Q_OBJECT
  Q_PROPERTY(int AlphaBlend READ AlphaBlend WRITE SetAlphaBlend)
  Q_PROPERTY(QImage Bitmap READ Bitmap WRITE SetBitmap)
  Q_PROPERTY(taskpane::TmxBitmapCopy BitmapCopy READ BitmapCopy WRITE SetBitmapCopy)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(TmxGradient* Gradient READ Gradient CONSTANT)
  Q_PROPERTY(bool Grayscale READ Grayscale WRITE SetGrayscale)
  Q_PROPERTY(taskpane::TmxBackgroundStyle Style READ Style WRITE SetStyle)
public:
  using TmxCustomBackground::TmxCustomBackground;
};
