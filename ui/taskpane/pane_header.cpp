// The task pane's header band, 2003-style strip and frame, composed exactly as
// the pane's geometry places them.
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include "ui/taskpane/header_layout.h"
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
  placeButtons();
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
  }
}

void TmxTaskPanePro::placeButtons() {
  const TmxHeaderLayout row =
      LayoutHeader(width(), frameWidth(), headerHeight_, buttons_, options_.testFlag(toPopup2003));
  buttonRecords_[Dots].Rect = row.Dots;
  buttonRecords_[HeaderBack].Rect = row.Back;
  buttonRecords_[HeaderNext].Rect = row.Next;
  buttonRecords_[Close].Rect = row.Close;
  buttonRecords_[Panes].Rect = row.Panes;
  const int B = frameWidth(), y0 = B + headerHeight_;
  const bool strip = options_.testFlag(to2003Menu);
  // A greyed picture cannot be clicked.
  const auto stripFace = [&](int left, bool enabled) { return strip && enabled ? QRect(left, y0, 20, 20) : QRect(); };
  buttonRecords_[MenuBack].Rect = stripFace(B + 5, history_.CanStepBack());
  buttonRecords_[MenuNext].Rect = stripFace(B + 33, history_.CanStepForward());
  buttonRecords_[Home].Rect = stripFace(B + 61, bool(OnGoHome));
}

void TmxTaskPanePro::paintButtonRow(QPainter& canvas) {
  const TmxHeaderLayout row =
      LayoutHeader(width(), frameWidth(), headerHeight_, buttons_, options_.testFlag(toPopup2003));
  const int T = row.Top, m = row.Middle, HH = headerHeight_;
  const TmxCustomXPColors& colors = *xpColors_;
  auto run = [&](int x1, int x2, int y) { lineTo(canvas, x1, y, x2, y); };

  if (!row.Dots.isEmpty()) {
    for (int y : {T + 4, T + 8}) gripDot(canvas, 8, y);
    if (HH > 17)
      for (int y : {T, T + 12}) gripDot(canvas, 8, y);
  }

  if (!row.Back.isEmpty()) {
    const int a = row.BackLeft;
    const bool enabled = buttonEnabled(pbBack, history_.CanStepBack());
    const int state = buttonRecords_[HeaderBack].GetState();
    canvas.setPen(paintFace(canvas, row.Back, state, enabled, colors, {colors.ArrowColor(), colors.ArrowColor()}));
    run(a, a + 9, m);
    for (int k : {1, -1}) {
      run(a + 1, a + 9, m + k);
      run(a + 2, a + 9, m + 2 * k);
      run(a + 3, a + 6, m + 3 * k);
      run(a + 4, a + 6, m + 4 * k);
    }
    if (enabled && state == TmxTaskPaneButton::Pressed) {
      canvas.setPen(colorOf(colors.PressedArrowColor()));
      polyline(canvas, {{a, m},
                        {a + 4, m - 4},
                        {a + 5, m - 4},
                        {a + 5, m - 2},
                        {a + 8, m - 2},
                        {a + 8, m + 2},
                        {a + 5, m + 2},
                        {a + 5, m + 4},
                        {a + 4, m + 4},
                        {a, m}});
    }
  }

  if (!row.Next.isEmpty()) {
    const int b = row.NextLeft;
    const bool enabled = buttonEnabled(pbNext, history_.CanStepForward());
    const int state = buttonRecords_[HeaderNext].GetState();
    canvas.setPen(
        paintFace(canvas, row.Next, state, enabled, colors, {colors.FocusedArrowColor(), colors.ArrowColor()}));
    run(b, b + 9, m);
    for (int k : {1, -1}) {
      run(b, b + 8, m + k);
      run(b, b + 7, m + 2 * k);
      run(b + 3, b + 6, m + 3 * k);
      run(b + 3, b + 5, m + 4 * k);
    }
    if (enabled && state == TmxTaskPaneButton::Pressed) {
      canvas.setPen(colorOf(colors.PressedArrowColor()));
      polyline(canvas, {{b + 8, m},
                        {b + 4, m - 4},
                        {b + 3, m - 4},
                        {b + 3, m - 2},
                        {b, m - 2},
                        {b, m + 2},
                        {b + 3, m + 2},
                        {b + 3, m + 4},
                        {b + 4, m + 4},
                        {b + 8, m}});
    }
  }

  if (!row.Close.isEmpty()) {
    const int E = row.CloseRight;
    const bool enabled = buttonEnabled(pbClose, bool(OnClose));
    const int state = buttonRecords_[Close].GetState();
    canvas.setPen(
        paintFace(canvas, row.Close, state, enabled, colors, {colors.ArrowColor(), colors.PressedArrowColor()}));
    lineTo(canvas, E - 1, m - 3, E - 8, m + 4);
    lineTo(canvas, E - 2, m - 3, E - 9, m + 4);
    lineTo(canvas, E - 8, m - 3, E - 1, m + 4);
    lineTo(canvas, E - 7, m - 3, E, m + 4);
  }

  if (!row.Panes.isEmpty()) {
    const int F = row.PanesRight;
    const bool enabled = buttonEnabled(pbPanes, taskPopup_ != nullptr);
    const int state = buttonRecords_[Panes].GetState();
    canvas.setPen(paintFace(canvas, row.Panes, state, enabled, colors, {colors.ArrowColor(), colors.ArrowColor()}));
    run(F, F - 7, m - 2);
    run(F - 1, F - 6, m - 1);
    run(F - 2, F - 5, m);
    canvas.drawPoint(F - 3, m + 1);
  }

  QRect title = row.Title;
  if (activePage_ && row.ShowTitle && !activePage_->Caption().isEmpty()) {
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
