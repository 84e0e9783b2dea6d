#include "ui/taskpane/task_pane_label.h"

#include <QFontMetrics>
#include <QPainter>

#include "ui/taskpane/alignment.h"

using namespace taskpane;

TmxCustomTaskPaneLabel::TmxCustomTaskPaneLabel(QWidget* parent)
    : TmxCustomTaskPaneItem(parent), font_(new TmxFont(this)), pen_(new TmxPen(this)) {
  resize(135, 25);
  Background()->SetColor(clBtnFace);
  Background()->SetStyle(btTransparent);
  pen_->SetColor(RGB(0, 0, 128));
  font_->OnChange = [this](QObject*) { labelChanged(); };
  pen_->OnChange = [this](QObject*) { labelChanged(); };
}

void TmxCustomTaskPaneLabel::labelChanged() { ItemChanged(); }

void TmxCustomTaskPaneLabel::ItemChanged() {
  fitSize();
  TmxCustomTaskPaneItem::ItemChanged();
}

void TmxCustomTaskPaneLabel::SetCaption(const QString& value) {
  if (value == caption_) return;
  caption_ = value;
  labelChanged();
}

void TmxCustomTaskPaneLabel::SetAlignment(TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  labelChanged();
}

void TmxCustomTaskPaneLabel::SetLayout(TTextLayout value) {
  if (value == layout_) return;
  layout_ = value;
  labelChanged();
}

void TmxCustomTaskPaneLabel::SetTextStyle(TmxTextStyle value) {
  if (value == textStyle_) return;
  textStyle_ = value;
  labelChanged();
}

void TmxCustomTaskPaneLabel::SetWordWrap(bool value) {
  if (value == wordWrap_) return;
  wordWrap_ = value;
  labelChanged();
}

void TmxCustomTaskPaneLabel::SetShowAccelChar(bool value) {
  if (value == showAccelChar_) return;
  showAccelChar_ = value;
  labelChanged();
}

void TmxCustomTaskPaneLabel::SetDistance(int value) {
  if (value == distance_) return;
  distance_ = value;
  labelChanged();
}

void TmxCustomTaskPaneLabel::SetAutoSize(bool value) {
  if (value == autoSize_) return;
  autoSize_ = value;
  labelChanged();
}

void TmxCustomTaskPaneLabel::EndLayoutRead() {
  reading_ = false;
  fitSize();
}

int TmxCustomTaskPaneLabel::textFlags() const {
  int flags = Qt::TextExpandTabs | Qt::AlignTop;
  if (wordWrap_) flags |= Qt::TextWordWrap;
  flags |= alignment_ == taRightJustify ? Qt::AlignRight : alignment_ == taCenter ? Qt::AlignHCenter : Qt::AlignLeft;
  if (showAccelChar_) flags |= Qt::TextShowMnemonic;
  return flags;
}

QString TmxCustomTaskPaneLabel::shownText(const QRect& R) const {
  // A lone accelerator mark measures as a mark and a space.
  if (showAccelChar_ && caption_ == QLatin1String("&")) return QStringLiteral("& ");
  if (textStyle_ == tsStandard || wordWrap_) return caption_;
  const QFontMetrics metrics(font_->ToQFont());
  return metrics.elidedText(caption_, textStyle_ == tsPathEllipsis ? Qt::ElideMiddle : Qt::ElideRight, R.width(),
                            showAccelChar_ ? Qt::TextShowMnemonic : 0);
}

QRect TmxCustomTaskPaneLabel::measure(const QRect& R) const {
  if (caption_.isEmpty()) return QRect(R.topLeft(), QSize(0, 0));
  return QFontMetrics(font_->ToQFont()).boundingRect(R, textFlags(), shownText(R));
}

void TmxCustomTaskPaneLabel::fitSize() {
  if (!autoSize_ || reading_ || fitting_) return;
  fitting_ = true;
  const QRect R = rect().adjusted(Border()->Left(), Border()->Top(), -Border()->Right(), -Border()->Bottom());
  const QRect measured = measure(R);
  int newWidth = measured.x() + measured.width() + Border()->Right();
  int newHeight = measured.y() + measured.height() + Border()->Bottom() + distance_ + pen_->Width();
  const TAlign align = AlignOf(this);
  if (align == alLeft || align == alRight || align == alClient) newHeight = height();
  if (align == alTop || align == alBottom || align == alClient) newWidth = width();
  resize(newWidth, newHeight);
  fitting_ = false;
}

void TmxCustomTaskPaneLabel::resizeEvent(QResizeEvent* event) {
  TmxCustomTaskPaneItem::resizeEvent(event);
  fitSize();
}

void TmxCustomTaskPaneLabel::paintEvent(QPaintEvent*) {
  QPainter canvas(this);
  PaintItem(canvas);
  const QRect R = rect().adjusted(Border()->Left(), Border()->Top(), -Border()->Right(), -Border()->Bottom());
  const int th = measure(R).height();
  int top = R.top();
  if (layout_ == tlCenter) top = R.top() + (R.height() - th - distance_) / 2;
  if (layout_ == tlBottom) top = R.top() + R.height() - th - distance_ - pen_->Width();
  const QRect textRect(R.left(), top, R.width(), th);
  if (!caption_.isEmpty()) {
    canvas.setFont(font_->ToQFont());
    const QString text = shownText(R);
    if (isEnabled()) {
      canvas.setPen(QColor(ColorToRGB(font_->Color())));
    } else {
      canvas.setPen(QColor(ColorToRGB(clBtnHighlight)));
      canvas.drawText(textRect.translated(1, 1), textFlags(), text);
      canvas.setPen(QColor(ColorToRGB(clBtnShadow)));
    }
    canvas.drawText(textRect, textFlags(), text);
  }
  if (pen_->Width() > 0) {
    const int y = textRect.y() + th + distance_;
    canvas.fillRect(QRect(R.left(), y, R.width(), pen_->Width()), QColor(ColorToRGB(pen_->Color())));
  }
}
