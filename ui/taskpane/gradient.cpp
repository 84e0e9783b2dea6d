#include "ui/taskpane/gradient.h"

#include <QPainter>
#include <QPolygon>
#include <cmath>

#include "ui/taskpane/errors.h"

using namespace taskpane;

namespace {

// Half-way values go to the even neighbour.
int nearest(double v) { return int(std::nearbyint(v)); }

QRgb step(QRgb from, QRgb to, double fraction) {
  return qRgb(qRed(from) + nearest((qRed(to) - qRed(from)) * fraction),
              qGreen(from) + nearest((qGreen(to) - qGreen(from)) * fraction),
              qBlue(from) + nearest((qBlue(to) - qBlue(from)) * fraction));
}

// The ellipse rendering's see-through key.
constexpr QRgb EllipseKey = qRgb(192, 192, 192);

}  // namespace

TmxCustomGradient::TmxCustomGradient(QObject* parent)
    : QObject(parent), beginColor_(clBtnFace), endColor_(RGB(0, 0, 255)) {
  buildTable();
}

void TmxCustomGradient::changed(bool notify) {
  renderedRect_ = QRect();
  buildTable();
  if (notify && OnChangeParameter) OnChangeParameter(this);
}

void TmxCustomGradient::SetBeginColor(TColor value) {
  const bool differs = value != beginColor_;
  beginColor_ = value;
  changed(differs);
}

void TmxCustomGradient::SetEndColor(TColor value) {
  const bool differs = value != endColor_;
  endColor_ = value;
  changed(differs);
}

void TmxCustomGradient::SetDrawStyle(TmxGradientStyle value) {
  if (value == drawStyle_) return;
  drawStyle_ = value;
  changed(true);
}

void TmxCustomGradient::SetDirection(TmxGradientDirection value) {
  if (value == direction_) return;
  direction_ = value;
  changed(true);
}

void TmxCustomGradient::Assign(const QObject* source) {
  const auto* other = qobject_cast<const TmxCustomGradient*>(source);
  if (!other) RefuseAssign(source, this);
  beginColor_ = other->beginColor_;
  endColor_ = other->endColor_;
  drawStyle_ = other->drawStyle_;
  direction_ = other->direction_;
  changed(true);
}

void TmxCustomGradient::buildTable() {
  QRgb S = ColorToRGB(beginColor_);
  QRgb E = ColorToRGB(endColor_);
  if (direction_ == gdInverse) std::swap(S, E);
  table_[0] = S;
  if (drawStyle_ == gtVerticalToCenter || drawStyle_ == gtHorizontalToCenter) {
    for (int k = 1; k <= 127; ++k) table_[k] = step(S, E, (k - 1) / 127.0);
    table_[128] = E;
    for (int k = 129; k <= 255; ++k) table_[k] = step(E, S, (k - 128) / 127.0);
  } else {
    for (int k = 1; k <= 255; ++k) table_[k] = step(S, E, (k - 1) / 255.0);
  }
}

void TmxCustomGradient::render(int W, int H) {
  picture_ = QImage(W, H, QImage::Format_RGB32);
  picture_.fill(Qt::black);
  QPainter p(&picture_);
  p.setPen(Qt::NoPen);
  auto brush = [&](int k) { p.setBrush(QColor(table_[k])); };

  switch (drawStyle_) {
    case gtCornerTopLeft:
    case gtCornerTopRight:
    case gtCornerBottomRight:
    case gtCornerBottomLeft: {
      const double sx = W / 255.0, sy = H / 255.0;
      const int bw = nearest(sx + 1), bh = nearest(sy + 1);
      for (int i = 0; i <= 255; ++i) {
        const int j = 255 - i;
        brush(i);
        QPolygon hexagon;
        if (drawStyle_ == gtCornerTopLeft) {
          const int x = nearest(j * sx), y = nearest(j * sy);
          hexagon << QPoint(0, y) << QPoint(x, y) << QPoint(x, 0) << QPoint(x + bw, 0) << QPoint(x + bw, y + bh)
                  << QPoint(0, y + bh);
        } else if (drawStyle_ == gtCornerTopRight) {
          const int x = nearest(i * sx), y = nearest(j * sy);
          hexagon << QPoint(x + bw, 0) << QPoint(x + bw, y) << QPoint(W, y) << QPoint(W, y + bh) << QPoint(x, y + bh)
                  << QPoint(x, 0);
        } else if (drawStyle_ == gtCornerBottomRight) {
          const int x = nearest(i * sx), y = nearest(i * sy);
          hexagon << QPoint(W, y + bh) << QPoint(x + bw, y + bh) << QPoint(x + bw, H) << QPoint(x, H) << QPoint(x, y)
                  << QPoint(W, y);
        } else {
          const int x = nearest(j * sx), y = nearest(i * sy);
          hexagon << QPoint(x, H) << QPoint(x, y + bh) << QPoint(0, y + bh) << QPoint(0, y) << QPoint(x + bw, y)
                  << QPoint(x + bw, H);
        }
        p.drawPolygon(hexagon);
      }
      break;
    }
    case gtTopToBottom:
    case gtVerticalToCenter: {
      const double sy = H / 255.0;
      const int bh = nearest(sy + 1);
      int y = 0;
      for (int i = 0; i <= 255; ++i) {
        p.fillRect(QRect(0, y, W, bh), QColor(table_[i]));
        y = nearest(i * sy);
      }
      break;
    }
    case gtLeftToRight:
    case gtHorizontalToCenter: {
      const double sx = W / 255.0;
      const int bw = nearest(sx + 1);
      int x = 0;
      for (int i = 0; i <= 255; ++i) {
        p.fillRect(QRect(x, 0, bw, H), QColor(table_[i]));
        x = nearest(i * sx);
      }
      break;
    }
    case gtDiagonalRising:
    case gtDiagonalFalling: {
      const double sx = W / 127.0, sy = H / 127.0;
      const int bw = nearest(sx + 1), bh = nearest(sy + 1);
      for (int i = 0; i <= 127; ++i) {
        const int x = nearest(i * sx);
        QPolygon first, second;
        if (drawStyle_ == gtDiagonalFalling) {
          const int y = nearest(i * sy);
          first << QPoint(x, 0) << QPoint(x + bw, 0) << QPoint(0, y + bh) << QPoint(0, y);
          second << QPoint(W, y) << QPoint(W, y + bh) << QPoint(x + bw, H) << QPoint(x, H);
        } else {
          const int y = nearest((127 - i) * sy);
          first << QPoint(x, H) << QPoint(x + bw, H) << QPoint(0, y) << QPoint(0, y + bh);
          second << QPoint(W, y + bh) << QPoint(W, y) << QPoint(x + bw, 0) << QPoint(x, 0);
        }
        brush(i);
        p.drawPolygon(first);
        brush(128 + i);
        p.drawPolygon(second);
      }
      break;
    }
    case gtEllipse: {
      p.fillRect(QRect(0, 0, W, H), QColor(EllipseKey));
      const int n = W / 2 - 2;
      const double ratio = double(H) / W;
      int x = 0, y = 0;
      for (int i = 2; i < n; ++i) {
        brush(nearest(i * 255.0 / n));
        p.drawEllipse(QRect(QPoint(x, y), QPoint(W - x - 1, H - y - 1)));
        x = i;
        y = nearest(i * ratio);
      }
      break;
    }
    case gtPyramid: {
      const QPoint centre(W / 2, H / 2);
      const double f = 255.0 / (W + H);
      auto line = [&](int k, QPoint from, QPoint to) {
        p.setPen(QColor(table_[k]));
        p.drawLine(from, to);
      };
      for (int i = 0; i <= W; ++i) {
        line(nearest(i * f), QPoint(i, 0), centre);
        line(nearest((H + i) * f), centre, QPoint(i, H));
      }
      for (int i = 0; i <= H; ++i) {
        line(nearest((W + i) * f), QPoint(W, i), centre);
        line(nearest(i * f), centre, QPoint(-1, i));
      }
      break;
    }
  }
}

void TmxCustomGradient::Draw(QPainter* canvas, const QRect& R) {
  if (R.width() <= 0 || R.height() <= 0) return;
  if (R.size() != renderedRect_.size()) {
    render(R.width(), R.height());
    renderedRect_ = R;
  }
  if (!canvas) return;
  if (drawStyle_ != gtEllipse) {
    canvas->drawImage(R.topLeft(), picture_);
    return;
  }
  // The corners outside the ellipse keep what the canvas already shows.
  QImage keyed = picture_.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < keyed.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(keyed.scanLine(y));
    for (int x = 0; x < keyed.width(); ++x)
      if ((row[x] & 0xFFFFFF) == (EllipseKey & 0xFFFFFF)) row[x] = 0;
  }
  canvas->drawImage(R.topLeft(), keyed);
}
