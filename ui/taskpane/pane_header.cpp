// The task pane's header band, 2003-style strip and frame, composed exactly as
// the pane's geometry places them.
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include "ui/taskpane/task_pane.h"

using namespace taskpane;

namespace {

QColor colorOf(TColor color) { return QColor(ColorToRGB(color)); }

// A line from one point towards another, the end point left out; the lines
// drawn here run level, upright or at 45 degrees.
void lineTo(QPainter& canvas, int x1, int y1, int x2, int y2) {
  const int dx = (x2 > x1) - (x2 < x1), dy = (y2 > y1) - (y2 < y1);
  const int steps = std::max(std::abs(x2 - x1), std::abs(y2 - y1));
  for (int i = 0; i < steps; ++i) canvas.drawPoint(x1 + i * dx, y1 + i * dy);
}

void polyline(QPainter& canvas, std::initializer_list<QPoint> points) {
  const QPoint* previous = nullptr;
  for (const QPoint& point : points) {
    if (previous) lineTo(canvas, previous->x(), previous->y(), point.x(), point.y());
    previous = &point;
  }
}

// Fill and a one-pixel outline inside the rectangle.
void frame(QPainter& canvas, const QRect& rect, TColor fill, TColor outline) {
  canvas.fillRect(rect, colorOf(fill));
  canvas.setPen(colorOf(outline));
  canvas.setBrush(Qt::NoBrush);
  canvas.drawRect(rect.adjusted(0, 0, -1, -1));
}

// The pen a header button's picture is drawn with, after painting its face.
struct ButtonLook {
  TColor normalPen;
  TColor pressedPen;
};

QColor paintFace(QPainter& canvas, const QRect& face, int state, bool enabled, const TmxCustomXPColors& colors,
                 ButtonLook look) {
  if (!enabled) return colorOf(colors.DisabledColor());
  if (state == TmxTaskPaneButton::Hot) {
    frame(canvas, face, colors.FocusedBackground(), colors.FocusedBorderColor());
    return colorOf(colors.FocusedArrowColor());
  }
  if (state == TmxTaskPaneButton::Pressed) {
    frame(canvas, face, colors.PressedBackground(), colors.PressedBorderColor());
    return colorOf(look.pressedPen);
  }
  return colorOf(look.normalPen);
}

void gripDot(QPainter& canvas, int x, int y) {
  canvas.fillRect(x, y, 2, 2, Qt::black);
  const QColor light(235, 255, 255);
  canvas.fillRect(x + 2, y + 1, 1, 2, light);
  canvas.fillRect(x + 1, y + 2, 1, 1, light);
}

}  // namespace

bool TmxTaskPanePro::buttonEnabled(TmxPaneButton button, bool byDefault) const {
  bool enabled = byDefault;
  if (OnGetButtonState) OnGetButtonState(const_cast<TmxTaskPanePro*>(this), button, enabled);
  return enabled;
}

void TmxTaskPanePro::PaintHeader(QPainter& canvas) {
  const int W = width(), H = height(), B = frameWidth();
  canvas.fillRect(0, 0, W, H, colorOf(xpColors_->SeparatorColor()));
  if (options_.testFlag(toShowBorder)) {
    const QColor border = colorOf(borderColor_);
    canvas.fillRect(0, 0, W, 2, border);
    canvas.fillRect(0, H - 2, W, 2, border);
    canvas.fillRect(0, 0, 2, H, border);
    canvas.fillRect(W - 2, 0, 2, H, border);
    canvas.fillRect(2, 2, 1, 1, border);
    canvas.fillRect(W - 3, 2, 1, 1, border);
  }
  headerStyle_->Draw(canvas, QRect(QPoint(B, B), QPoint(W - B - 1, B + headerHeight_ - 1)));
  for (ButtonIndex index : {MenuBack, MenuNext, Home}) buttonRecords_[index].Rect = QRect();
  if (options_.testFlag(to2003Menu)) paintStrip(canvas);
  paintButtonRow(canvas);
}

void TmxTaskPanePro::paintStrip(QPainter& canvas) {
  const int W = width(), B = frameWidth(), y0 = B + headerHeight_;
  canvas.fillRect(QRect(QPoint(B, y0), QPoint(W - B - 1, y0 + 20)), colorOf(background_->Color()));
  // The tab: rounded top-left and bottom-right corners, 87 pixels wide.
  QPainterPath tab;
  tab.addRoundedRect(QRectF(B, y0, 30, 50), 3, 3);
  tab.addRoundedRect(QRectF(B + 30, y0 - 30, 57, 50), 3, 3);
  tab.addRect(B + 6, y0, 75, 20);
  tab.setFillRule(Qt::WindingFill);
  QPainterPath band;
  band.addRect(B, y0, W - 2 * B, 20);
  canvas.setRenderHint(QPainter::Antialiasing, false);
  canvas.fillPath(tab.intersected(band), colorOf(menuColor_));
  canvas.setPen(colorOf(xpColors_->SeparatorColor()));
  lineTo(canvas, B + 28, y0 + 3, B + 28, y0 + 17);
  lineTo(canvas, B + 56, y0 + 3, B + 56, y0 + 17);

  struct StripButton {
    ButtonIndex index;
    int left;
    int image;
    bool enabled;
  };
  const StripButton stripButtons[] = {
      {MenuBack, B + 5, 0, history_.CanStepBack()},
      {MenuNext, B + 33, 2, history_.CanStepForward()},
      {Home, B + 61, 4, bool(OnGoHome)},
  };
  for (const StripButton& button : stripButtons) {
    const QRect face(button.left, y0, 20, 20);
    TmxTaskPaneButton& record = buttonRecords_[button.index];
    if (record.GetState() == TmxTaskPaneButton::Hot)
      frame(canvas, face, xpColors_->FocusedBackground(), xpColors_->FocusedBorderColor());
    else if (record.GetState() == TmxTaskPaneButton::Pressed)
      frame(canvas, face, xpColors_->PressedBackground(), xpColors_->PressedBorderColor());
    images_.Draw(canvas, face.left() + 3, face.top() + 3, button.enabled ? button.image : button.image + 1);
    // A greyed picture cannot be clicked.
    record.Rect = button.enabled ? face : QRect();
  }
}

void TmxTaskPanePro::paintButtonRow(QPainter& canvas) {
  const int W = width(), B = frameWidth(), HH = headerHeight_;
  QRect title(QPoint(B, B), QPoint(W - B - 1, B + HH - 1));
  const int d = (HH - 15) / 2, T = B + d, R = HH - 2 * d, m = T + R / 2;
  const int XR = W - 5;
  int L = 0;
  bool showTitle = true;
  const TmxCustomXPColors& colors = *xpColors_;
  auto run = [&](int x1, int x2, int y) { lineTo(canvas, x1, y, x2, y); };

  QRect& dots = buttonRecords_[Dots].Rect;
  int a = 8;
  if (buttons_.testFlag(pbDots)) {
    for (int y : {T + 4, T + 8}) gripDot(canvas, 8, y);
    if (HH > 17)
      for (int y : {T, T + 12}) gripDot(canvas, 8, y);
    dots = QRect(QPoint(8, T), QPoint(10, T + R - 1));
    title.setLeft(14);
    L = 11;
    a = 15;
  } else {
    dots = QRect();
  }

  QRect& back = buttonRecords_[HeaderBack].Rect;
  int b = a;
  if (buttons_.testFlag(pbBack)) {
    back = QRect(QPoint(a - 3, T), QPoint(a + 11, T + R - 1));
    const bool enabled = buttonEnabled(pbBack, history_.CanStepBack());
    const int state = buttonRecords_[HeaderBack].GetState();
    canvas.setPen(paintFace(canvas, back, state, enabled, colors, {colors.ArrowColor(), colors.ArrowColor()}));
    run(a, a + 9, m);
    for (int k : {1, -1}) {
      run(a + 1, a + 9, m + k);
      run(a + 2, a + 9, m + 2 * k);
      run(a + 3, a + 6, m + 3 * k);
      run(a + 4, a + 6, m + 4 * k);
    }
    if (enabled && state == TmxTaskPaneButton::Pressed) {
      canvas.setPen(colorOf(colors.PressedArrowColor()));
      polyline(canvas, {{a, m}, {a + 4, m - 4}, {a + 5, m - 4}, {a + 5, m - 2}, {a + 8, m - 2}, {a + 8, m + 2},
                        {a + 5, m + 2}, {a + 5, m + 4}, {a + 4, m + 4}, {a, m}});
    }
    title.setLeft(a + 12 + 3);
    L = a + 12;
    b = a + 15;
  } else {
    back = QRect();
  }

  QRect& next = buttonRecords_[HeaderNext].Rect;
  if (buttons_.testFlag(pbNext)) {
    next = QRect(QPoint(b - 3, T), QPoint(b + 11, T + R - 1));
    title.setLeft(b + 12 + 3);
    L = b + 12;
    const bool enabled = buttonEnabled(pbNext, history_.CanStepForward());
    if (b + 12 > XR) {
      next = QRect();
      showTitle = false;
      L = XR;
    } else {
      const int state = buttonRecords_[HeaderNext].GetState();
      canvas.setPen(
          paintFace(canvas, next, state, enabled, colors, {colors.FocusedArrowColor(), colors.ArrowColor()}));
      run(b, b + 9, m);
      for (int k : {1, -1}) {
        run(b, b + 8, m + k);
        run(b, b + 7, m + 2 * k);
        run(b + 3, b + 6, m + 3 * k);
        run(b + 3, b + 5, m + 4 * k);
      }
      if (enabled && state == TmxTaskPaneButton::Pressed) {
        canvas.setPen(colorOf(colors.PressedArrowColor()));
        polyline(canvas, {{b + 8, m}, {b + 4, m - 4}, {b + 3, m - 4}, {b + 3, m - 2}, {b, m - 2}, {b, m + 2},
                          {b + 3, m + 2}, {b + 3, m + 4}, {b + 4, m + 4}, {b + 8, m}});
      }
    }
  } else {
    next = QRect();
  }

  const int E = XR - B;
  int F = E - 1;
  QRect& close = buttonRecords_[Close].Rect;
  if (buttons_.testFlag(pbClose)) {
    close = QRect(QPoint(E - 12, T), QPoint(E + 2, T + R - 1));
    if (close.left() < L + 5) {
      close = QRect();
      showTitle = false;
      L = XR;
    } else {
      const bool enabled = buttonEnabled(pbClose, bool(OnClose));
      const int state = buttonRecords_[Close].GetState();
      canvas.setPen(
          paintFace(canvas, close, state, enabled, colors, {colors.ArrowColor(), colors.PressedArrowColor()}));
      lineTo(canvas, E - 1, m - 3, E - 8, m + 4);
      lineTo(canvas, E - 2, m - 3, E - 9, m + 4);
      lineTo(canvas, E - 8, m - 3, E - 1, m + 4);
      lineTo(canvas, E - 7, m - 3, E, m + 4);
      title.setRight(close.left() - 7 - 1);
      F = E - 18;
    }
  } else {
    close = QRect();
  }

  QRect& panes = buttonRecords_[Panes].Rect;
  if (buttons_.testFlag(pbPanes)) {
    panes = QRect(QPoint(F - 10, T), QPoint(F + 4, T + R - 1));
    const bool enabled = buttonEnabled(pbPanes, taskPopup_ != nullptr);
    if (panes.left() < L + 5) {
      panes = QRect();
      showTitle = false;
    } else {
      QRect highlight = panes;
      if (options_.testFlag(toPopup2003)) {
        highlight.setLeft(title.left() - 2);
        if (HH > 15) highlight.setBottom(highlight.bottom() + 1);
      }
      const int state = buttonRecords_[Panes].GetState();
      canvas.setPen(
          paintFace(canvas, highlight, state, enabled, colors, {colors.ArrowColor(), colors.ArrowColor()}));
      run(F, F - 7, m - 2);
      run(F - 1, F - 6, m - 1);
      run(F - 2, F - 5, m);
      canvas.drawPoint(F - 3, m + 1);
      title.setRight(panes.left() - 7 - 1);
      if (options_.testFlag(toPopup2003)) panes = highlight;
    }
  } else {
    panes = QRect();
  }

  if (activePage_ && showTitle && !activePage_->Caption().isEmpty()) {
    const QFont font = font_->ToQFont();
    const QFontMetrics metrics(font);
    const int textHeight = metrics.height();
    title.setTop(title.top() + (title.height() - textHeight) / 2);
    title.setHeight(textHeight + 1);
    canvas.save();
    canvas.setFont(font);
    canvas.setPen(colorOf(font_->Color()));
    canvas.setClipRect(title);
    canvas.drawText(title, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                    metrics.elidedText(activePage_->Caption(), Qt::ElideRight, title.width()));
    canvas.restore();
    titleRect_ = title;
  } else {
    titleRect_ = QRect();
  }
}
