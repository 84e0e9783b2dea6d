#include "ui/taskpane/background.h"

#include <QPaintEngine>
#include <QPainter>
#include <algorithm>

#include "ui/taskpane/errors.h"

using namespace taskpane;

namespace {

// Grows a picture to at least the given size, keeping its pixels.
void growTo(QImage& picture, QSize size) {
  if (picture.width() >= size.width() && picture.height() >= size.height()) return;
  QImage larger(std::max(picture.width(), size.width()), std::max(picture.height(), size.height()),
                QImage::Format_RGB32);
  larger.fill(Qt::black);
  if (!picture.isNull()) {
    QPainter p(&larger);
    p.drawImage(0, 0, picture);
  }
  picture = larger;
}

QRgb rasterOp(TmxBitmapCopy operation, QRgb source, QRgb destination, QRgb brush) {
  switch (operation) {
    case bcMergeCopy: return source & brush;
    case bcMergePaint: return ~source | destination;
    case bcSrcCopy: return source;
    case bcSrcErase: return source & ~destination;
    case bcSrcPaint: return source | destination;
  }
  return source;
}

// What of the canvas can still be painted, in its logical coordinates: the
// device less the system clip (a paint event's region) and the painter's
// clip. A widget painted into its window's backing store or a grab is
// redirected: the device and the system clip are then the window's, and the
// painter's device transform carries the widget's offset in it.
QRect visiblePart(const QPainter& canvas) {
  const QPaintEngine* engine = canvas.paintEngine();
  const QPaintDevice* device = engine && engine->paintDevice() ? engine->paintDevice() : canvas.device();
  QRect visible(0, 0, device->width(), device->height());
  if (engine && !engine->systemClip().isEmpty()) visible = visible.intersected(engine->systemClip().boundingRect());
  bool invertible = false;
  const QTransform toLogical = canvas.deviceTransform().inverted(&invertible);
  if (!invertible) return QRect(-100000, -100000, 200000, 200000);
  visible = toLogical.mapRect(visible);
  if (canvas.hasClipping()) visible = visible.intersected(canvas.clipBoundingRect().toAlignedRect());
  return visible;
}

}  // namespace

TmxCustomBackground::TmxCustomBackground(QObject* parent) : QObject(parent), gradient_(new TmxGradient(this)) {}

void TmxCustomBackground::changed() {
  if (onChangeParameter_) onChangeParameter_(this);
}

void TmxCustomBackground::SetAlphaBlend(int value) {
  const quint8 alpha = quint8(std::clamp(value, 0, 255));
  if (alpha == alphaBlend_) return;
  alphaBlend_ = alpha;
  changed();
}

void TmxCustomBackground::SetBitmap(const QImage& value) {
  if (value == bitmap_) return;
  bitmap_ = value.isNull() ? QImage() : value.convertToFormat(QImage::Format_RGB32);
  changed();
}

void TmxCustomBackground::SetBitmapCopy(TmxBitmapCopy value) {
  if (value == bitmapCopy_) return;
  bitmapCopy_ = value;
  changed();
}

void TmxCustomBackground::SetColor(TColor value) {
  if (value == color_) return;
  color_ = value;
  changed();
}

void TmxCustomBackground::SetGrayscale(bool value) {
  if (value == grayscale_) return;
  grayscale_ = value;
  changed();
}

void TmxCustomBackground::SetStyle(TmxBackgroundStyle value) {
  if (value == style_) return;
  style_ = value;
  changed();
}

void TmxCustomBackground::SetOnChangeParameter(std::function<void(QObject*)> handler) {
  onChangeParameter_ = handler;
  gradient_->OnChangeParameter = std::move(handler);
}

void TmxCustomBackground::Assign(const QObject* source) {
  const auto* other = qobject_cast<const TmxCustomBackground*>(source);
  if (!other) RefuseAssign(source, this);
  alphaBlend_ = other->alphaBlend_;
  bitmap_ = other->bitmap_;
  style_ = other->style_;
  bitmapCopy_ = other->bitmapCopy_;
  color_ = other->color_;
  {
    // The gradient's own notification would reach the owner a second time.
    auto handler = std::exchange(gradient_->OnChangeParameter, nullptr);
    gradient_->Assign(other->gradient_);
    gradient_->OnChangeParameter = std::move(handler);
  }
  grayscale_ = other->grayscale_;
  changed();
}

void TmxCustomBackground::SetUnderlaySize(QSize size) {
  if (underlay_.size() == size) return;
  underlay_ = QImage(size, QImage::Format_RGB32);
  underlay_.fill(Qt::black);
}

void TmxCustomBackground::putBitmap(const QRect& R, const QRect& part, bool tile) {
  if (bitmap_.isNull()) return;
  const QRgb brush = ColorToRGB(color_);
  for (int top = R.top(); top < R.top() + R.height(); top += bitmap_.height()) {
    for (int left = R.left(); left < R.left() + R.width(); left += bitmap_.width()) {
      const QRect placed = QRect(QPoint(left, top), bitmap_.size()).intersected(part);
      for (int y = placed.top(); y <= placed.bottom(); ++y) {
        const auto* source = reinterpret_cast<const QRgb*>(bitmap_.constScanLine(y - top));
        auto* destination = reinterpret_cast<QRgb*>(work_.scanLine(y));
        for (int x = placed.left(); x <= placed.right(); ++x)
          destination[x] = 0xFF000000u | rasterOp(bitmapCopy_, source[x - left], destination[x], brush);
      }
      if (!tile) return;
    }
  }
}

void TmxCustomBackground::blendWithUnderlay(const QRect& R) {
  const uint A = alphaBlend_;
  for (int y = R.top(); y <= R.bottom(); ++y) {
    auto* work = reinterpret_cast<QRgb*>(work_.scanLine(y));
    const auto* under = reinterpret_cast<const QRgb*>(underlay_.constScanLine(y));
    for (int x = R.left(); x <= R.right(); ++x) {
      const QRgb w = work[x], u = under[x];
      if ((w & 0xFFFFFF) == (u & 0xFFFFFF)) continue;
      // Fully see-through shows the underlay as it is; the division by 256
      // would darken it by one step.
      if (A == 0) {
        work[x] = u;
        continue;
      }
      work[x] = qRgb((qRed(w) * A + qRed(u) * (255 - A)) / 256, (qGreen(w) * A + qGreen(u) * (255 - A)) / 256,
                     (qBlue(w) * A + qBlue(u) * (255 - A)) / 256);
    }
  }
}

void TmxCustomBackground::turnGrey(const QRect& R) {
  // The fourth byte of a composed pixel is zero, so the sum is of the three
  // colour channels only, still divided by four.
  for (int y = R.top(); y <= R.bottom(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(work_.scanLine(y));
    for (int x = R.left(); x <= R.right(); ++x) {
      const int grey = (qRed(row[x]) + qGreen(row[x]) + qBlue(row[x])) / 4;
      row[x] = qRgb(grey, grey, grey);
    }
  }
}

void TmxCustomBackground::Draw(QPainter& canvas, const QRect& R) {
  if (style_ == btTransparent || drawing_) return;
  if (R.width() <= 0) return;
  drawing_ = true;
  struct ClearFlag {
    bool& flag;
    ~ClearFlag() { flag = false; }
  } clearFlag{drawing_};
  const QRect local(QPoint(0, 0), R.size());
  // Only the part the canvas can show is composed; every step depends on the
  // pixel's place in R alone, so the visible result is the same.
  const QRect part = visiblePart(canvas).translated(-R.topLeft()).intersected(local);
  if (part.isEmpty()) return;
  // An opaque solid or gradient fill with nothing to blend, grey or hook
  // needs no composing: straight onto the canvas.
  const bool direct =
      !OnBeforeDraw && !OnDraw && alphaBlend_ == 255 && !grayscale_ && (style_ == btSolid || style_ == btGradient);
  if (direct) {
    canvas.fillRect(part.translated(R.topLeft()), QColor(ColorToRGB(color_)));
    if (style_ == btGradient) gradient_->Draw(&canvas, R);
    if (OnAfterDraw) OnAfterDraw(this, canvas, R);
    return;
  }
  if (alphaBlend_ != 255) growTo(underlay_, R.size());
  growTo(work_, R.size());

  bool filled = false;
  {
    QPainter work(&work_);
    work.setBrush(Qt::SolidPattern);
    work.setClipRect(part);
    if (OnBeforeDraw) OnBeforeDraw(this, work, local);
    if (OnDraw) {
      OnDraw(this, work, local);
      filled = true;
    } else {
      work.fillRect(part, QColor(ColorToRGB(color_)));
      if (style_ == btGradient) gradient_->Draw(&work, local);
    }
  }
  if (!filled) {
    if (style_ == btBitmap || style_ == btTileBitmap) putBitmap(local, part, style_ == btTileBitmap);
    if (alphaBlend_ != 255) blendWithUnderlay(part);
    if (grayscale_) turnGrey(part);
  }
  canvas.drawImage(R.topLeft() + part.topLeft(), work_, part);
  if (OnAfterDraw) OnAfterDraw(this, canvas, R);
}
