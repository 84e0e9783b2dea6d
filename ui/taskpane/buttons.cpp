#include "ui/taskpane/buttons.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "ui/taskpane/alignment.h"

using namespace taskpane;

TmxCustomButton::TmxCustomButton(QWidget* parent)
    : TmxGraphicControl(parent),
      xpColors_(new TmxXPColors(this)),
      font_(new TmxFont(this)),
      highlightFont_(new TmxFont(this)),
      accelerator_(new QShortcut(this)) {
  resize(25, 25);
  connect(accelerator_, &QShortcut::activated, this, [this] {
    if (isEnabled() && OnClick) OnClick(this);
  });
  xpColors_->SetBackground(RGB(192, 192, 192));
  xpColors_->SetFocusedBackground(RGB(176, 172, 216));
  xpColors_->SetPressedBackground(RGB(159, 135, 199));
  xpColors_->SetBorderColor(RGB(0, 0, 128));
  xpColors_->SetShadowColor(RGB(0, 0, 0));
  auto repaint = [this](QObject*) { update(); };
  xpColors_->OnChange = repaint;
  font_->OnChange = repaint;
  highlightFont_->OnChange = repaint;
}

namespace {

template <class T>
bool store(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}

}  // namespace

void TmxCustomButton::SetNormal(TmxImageList* value) {
  if (normal_ == value) return;
  normal_ = value;
  update();
}
void TmxCustomButton::SetDisabled(TmxImageList* value) {
  if (disabled_ == value) return;
  disabled_ = value;
  update();
}
void TmxCustomButton::SetHot(TmxImageList* value) {
  if (hot_ == value) return;
  hot_ = value;
  update();
}
void TmxCustomButton::SetImageIndex(int value) {
  if (store(imageIndex_, value)) update();
}
void TmxCustomButton::SetAlignment(TAlignment value) {
  if (store(alignment_, value)) update();
}
void TmxCustomButton::SetAutoSize(bool value) {
  if (!store(autoSize_, value)) return;
  LayoutContent();
  update();
}
void TmxCustomButton::SetGlyphPos(TmxGlyphPosition value) {
  if (store(glyphPos_, value)) update();
}
void TmxCustomButton::SetDistance(int value) {
  if (store(distance_, value)) update();
}
void TmxCustomButton::SetWordWrap(bool value) {
  if (store(wordWrap_, value)) update();
}
void TmxCustomButton::SetTextStyle(TmxTextStyle value) {
  if (store(textStyle_, value)) update();
}
void TmxCustomButton::SetCaption(const QString& value) {
  if (!store(caption_, value)) return;
  accelerator_->setKey(ShowsCaption() ? QKeySequence::mnemonic(caption_) : QKeySequence());
  update();
}

int TmxCustomButton::textFlags() const {
  int flags = Qt::TextExpandTabs | Qt::TextShowMnemonic | Qt::AlignLeft | Qt::AlignTop;
  if (wordWrap_) flags |= Qt::TextWordWrap;
  return flags;
}

QFont TmxCustomButton::currentFont() const { return (isHot_ ? highlightFont_ : font_)->ToQFont(); }

void TmxCustomButton::LayoutContent() {
  const int W = width(), H = height();
  TmxImageList* list = NormalList();
  if (isHot_ && isEnabled() && HotList()) list = HotList();
  if (!isEnabled()) list = DisabledList();
  chosenList_ = list;

  const bool hasPicture = list && imageIndex_ >= 0;
  const int iw = hasPicture ? list->Width() : 0, ih = hasPicture ? list->Height() : 0;
  const QString caption = ShowsCaption() ? caption_ : QString();

  int tw = 0, th = 0;
  QString shown = caption;
  if (!caption.isEmpty()) {
    QRect room = rect();
    const bool side = glyphPos_ == gpLeft || glyphPos_ == gpRight;
    if (side) room.setWidth(room.width() - (iw > 0 ? iw + distance_ : 0));
    else room.setHeight(room.height() - (ih > 0 ? ih + distance_ : 0));
    const QFontMetrics metrics(currentFont());
    if (textStyle_ != tsStandard && !wordWrap_)
      shown = metrics.elidedText(caption, textStyle_ == tsPathEllipsis ? Qt::ElideMiddle : Qt::ElideRight, room.width(),
                                 Qt::TextShowMnemonic);
    const QRect measured = metrics.boundingRect(room, textFlags(), shown);
    tw = measured.width();
    th = measured.height();
  }
  const int g = (iw == 0 || ih == 0 || tw == 0 || th == 0) ? 0 : distance_;

  auto alignedLeft = [&](int elementWidth, int groupWidth) {
    switch (alignment_) {
      case taLeftJustify: return 4;
      case taRightJustify: return W - elementWidth - 4;
      case taCenter: return (W - groupWidth) / 2;
    }
    return 4;
  };
  switch (glyphPos_) {
    case gpLeft:
    case gpRight: {
      const int S = iw + tw + g;
      const int x0 = alignedLeft(S, S);
      const int pictureLeft = glyphPos_ == gpLeft ? x0 : x0 + tw + g;
      const int captionLeft = glyphPos_ == gpLeft ? x0 + iw + g : x0;
      pictureRect_ = QRect(pictureLeft, (H - ih) / 2, iw, ih);
      captionRect_ = QRect(captionLeft, (H - th) / 2, tw, th);
      break;
    }
    case gpTop:
    case gpBottom: {
      const int G = std::max(iw, tw), S = ih + th + g;
      auto left = [&](int elementWidth) {
        return alignment_ == taCenter ? (W - G) / 2 + (G - elementWidth) / 2 : alignedLeft(elementWidth, G);
      };
      const int firstTop = (H - S) / 2 + (S - ih - th) / 2;
      if (glyphPos_ == gpTop) {
        pictureRect_ = QRect(left(iw), firstTop, iw, ih);
        captionRect_ = QRect(left(tw), firstTop + ih + g, tw, th);
      } else {
        captionRect_ = QRect(left(tw), firstTop, tw, th);
        pictureRect_ = QRect(left(iw), firstTop + th + g, iw, ih);
      }
      break;
    }
  }

  int newWidth = iw + tw, newHeight = std::max(ih, th);
  const TAlign align = AlignOf(this);
  if (align == alLeft || align == alRight || align == alClient) newHeight = height();
  if (align == alTop || align == alBottom || align == alClient) newWidth = width();
  if (autoSize_ && !layingOut_ && QSize(newWidth, newHeight) != size()) {
    layingOut_ = true;
    resize(newWidth, newHeight);
    layingOut_ = false;
  }
}

void TmxCustomButton::paintEvent(QPaintEvent*) {
  LayoutContent();
  QPainter canvas(this);
  const QString caption = ShowsCaption() ? caption_ : QString();
  if (!caption.isEmpty()) {
    canvas.setFont(currentFont());
    QString shown = caption;
    if (textStyle_ != tsStandard && !wordWrap_)
      shown = QFontMetrics(canvas.font())
                  .elidedText(caption, textStyle_ == tsPathEllipsis ? Qt::ElideMiddle : Qt::ElideRight,
                              captionRect_.width() + 1, Qt::TextShowMnemonic);
    if (isEnabled()) {
      canvas.setPen(QColor(ColorToRGB((isHot_ ? highlightFont_ : font_)->Color())));
    } else {
      canvas.setPen(QColor(ColorToRGB(clBtnHighlight)));
      canvas.drawText(captionRect_.translated(1, 1), textFlags(), shown);
      canvas.setPen(QColor(ColorToRGB(clBtnShadow)));
    }
    canvas.drawText(captionRect_, textFlags(), shown);
  }
  // The dotted frame of a focused flat control, in the caption's colour.
  if (hasFocus()) {
    canvas.setPen(QPen(QColor(ColorToRGB(font_->Color())), 1, Qt::DotLine));
    canvas.drawRect((caption.isEmpty() ? pictureRect_ : captionRect_).adjusted(-2, -1, 1, 0));
  }
  if (!chosenList_ || imageIndex_ < 0 || pictureRect_.isEmpty()) return;
  const bool plain = isPressed_ || !isHot_ || !isEnabled();
  if (!plain && xpColors_->UseShadow())
    chosenList_->DrawSilhouette(canvas, pictureRect_.x() + 1, pictureRect_.y() + 1, imageIndex_,
                                ColorToRGB(xpColors_->ShadowColor()));
  chosenList_->Draw(canvas, pictureRect_.x(), pictureRect_.y(), imageIndex_);
}

void TmxCustomButton::enterEvent(QEnterEvent* event) {
  TmxGraphicControl::enterEvent(event);
  isHot_ = true;
  update();
}

void TmxCustomButton::leaveEvent(QEvent* event) {
  TmxGraphicControl::leaveEvent(event);
  isHot_ = false;
  update();
}

void TmxCustomButton::mousePressEvent(QMouseEvent*) {
  isPressed_ = true;
  update();
}

void TmxCustomButton::mouseReleaseEvent(QMouseEvent* event) {
  const bool wasPressed = isPressed_;
  isPressed_ = false;
  update();
  if (wasPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick)
    OnClick(this);
}

void TmxCustomButton::keyPressEvent(QKeyEvent* event) {
  const bool press = event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (!press || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
    TmxGraphicControl::keyPressEvent(event);
    return;
  }
  if (isEnabled() && OnClick) OnClick(this);
}

void TmxCustomButton::focusInEvent(QFocusEvent* event) {
  TmxGraphicControl::focusInEvent(event);
  update();
}

void TmxCustomButton::focusOutEvent(QFocusEvent* event) {
  TmxGraphicControl::focusOutEvent(event);
  update();
}

void TmxCustomButton::changeEvent(QEvent* event) {
  TmxGraphicControl::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) update();
}

void TmxCustomButton::resizeEvent(QResizeEvent* event) {
  TmxGraphicControl::resizeEvent(event);
  update();
}

TmxTPButton::TmxTPButton(QWidget* parent) : TmxCustomButton(parent) {
  resize(100, height());
  Font()->SetColor(RGB(0, 0, 255));
  HighlightFont()->SetColor(RGB(0, 0, 255));
  HighlightFont()->SetStyle(fsUnderline);
  XPColors()->SetUseShadow(false);
}

TmxCustomImageButton::TmxCustomImageButton(QWidget* parent) : TmxCustomButton(parent) {
  XPColors()->SetUseShadow(false);
  resize(height(), height());
}

TmxMSButton::TmxMSButton(QWidget* parent)
    : TmxCustomImageButton(parent),
      normalArrows_(std::make_unique<TmxImageList>(20, 20)),
      hotArrows_(std::make_unique<TmxImageList>(20, 20)),
      disabledArrows_(std::make_unique<TmxImageList>(20, 20)) {
  for (const char* direction : {"R", "D", "L", "U"}) {
    normalArrows_->Add(BuiltinPicture(QStringLiteral("IMG_NORMAL_") + QLatin1String(direction)), Magenta);
    hotArrows_->Add(BuiltinPicture(QStringLiteral("IMG_FOCUSED_") + QLatin1String(direction)), Magenta);
    disabledArrows_->Add(BuiltinPicture(QStringLiteral("IMG_DISABLED_") + QLatin1String(direction)), Magenta);
  }
  SetImageIndex(0);
  SetAlignment(taCenter);
  SetAutoSize(true);
}

void TmxMSButton::SetStyle(TmxMSButtonStyle value) {
  if (value == style_) return;
  style_ = value;
  SetImageIndex(int(value));
}
