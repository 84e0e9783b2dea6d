// The three flat, windowless buttons: TmxTPButton (picture and a caption that
// underlines while the pointer rests on it), TmxImageButton (picture only)
// and TmxMSButton (a built-in arrow picture).
#pragma once

#include <QPointer>
#include <QShortcut>
#include <functional>
#include <memory>

#include "ui/taskpane/font_pen.h"
#include "ui/taskpane/graphic_control.h"
#include "ui/taskpane/image_list.h"
#include "ui/taskpane/xp_colors.h"

class TmxCustomButton : public TmxGraphicControl {
  Q_OBJECT
public:
  explicit TmxCustomButton(QWidget* parent = nullptr);

  TmxImageList* Normal() const { return normal_; }
  void SetNormal(TmxImageList* value);
  TmxImageList* Disabled() const { return disabled_; }
  void SetDisabled(TmxImageList* value);
  TmxImageList* Hot() const { return hot_; }
  void SetHot(TmxImageList* value);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int value);
  taskpane::TAlignment Alignment() const { return alignment_; }
  void SetAlignment(taskpane::TAlignment value);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  TmxXPColors* XPColors() const { return xpColors_; }
  TmxFont* Font() const { return font_; }
  TmxFont* HighlightFont() const { return highlightFont_; }
  taskpane::TmxGlyphPosition GlyphPos() const { return glyphPos_; }
  void SetGlyphPos(taskpane::TmxGlyphPosition value);
  int Distance() const { return distance_; }
  void SetDistance(int value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);
  taskpane::TmxTextStyle TextStyle() const { return textStyle_; }
  void SetTextStyle(taskpane::TmxTextStyle value);
  QString Caption() const { return caption_; }
  void SetCaption(const QString& value);

  // The pointer rests on the button / a mouse button is held down on it.
  bool IsHot() const { return isHot_; }
  bool IsPressed() const { return isPressed_; }
  // Where the last layout put the picture and the caption.
  QRect PictureRect() const { return pictureRect_; }
  QRect CaptionRect() const { return captionRect_; }

  // Places picture and caption (and fits the size with AutoSize).
  void LayoutContent();

  std::function<void(QObject* Sender)> OnClick;

protected:
  // The lists that stand in for Normal, Hot and Disabled (the arrow button's own).
  virtual TmxImageList* NormalList() const { return normal_; }
  virtual TmxImageList* HotList() const { return hot_; }
  virtual TmxImageList* DisabledList() const { return disabled_; }
  virtual bool ShowsCaption() const { return true; }

  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // A button given a focus policy takes the focus, shows it around its
  // caption, and is pressed with Space or Enter.
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

private:
  int textFlags() const;
  QFont currentFont() const;

  QPointer<TmxImageList> normal_, disabled_, hot_;
  int imageIndex_ = -1;
  taskpane::TAlignment alignment_ = taskpane::taLeftJustify;
  bool autoSize_ = false;
  TmxXPColors* xpColors_;
  TmxFont* font_;
  TmxFont* highlightFont_;
  taskpane::TmxGlyphPosition glyphPos_ = taskpane::gpLeft;
  int distance_ = 4;
  bool wordWrap_ = false;
  taskpane::TmxTextStyle textStyle_ = taskpane::tsStandard;
  QString caption_;

  // Typing the caption's accelerator character clicks the button.
  QShortcut* accelerator_;
  bool isHot_ = false;
  bool isPressed_ = false;
  TmxImageList* chosenList_ = nullptr;
  QRect pictureRect_, captionRect_;
  bool layingOut_ = false;
};

class TmxTPButton : public TmxCustomButton {
  Q_OBJECT
  Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
  Q_PROPERTY(taskpane::TAlignment Alignment READ Alignment WRITE SetAlignment)
  Q_PROPERTY(TmxFont* Font READ Font CONSTANT)
  Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
  Q_PROPERTY(taskpane::TmxTextStyle TextStyle READ TextStyle WRITE SetTextStyle)
  Q_PROPERTY(TmxFont* HighlightFont READ HighlightFont CONSTANT)
  Q_PROPERTY(TmxXPColors* XPColors READ XPColors CONSTANT)
  Q_PROPERTY(TmxImageList* Normal READ Normal WRITE SetNormal)
  Q_PROPERTY(TmxImageList* Disabled READ Disabled WRITE SetDisabled)
  Q_PROPERTY(TmxImageList* Hot READ Hot WRITE SetHot)
  Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
  Q_PROPERTY(int Distance READ Distance WRITE SetDistance)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(taskpane::TmxGlyphPosition GlyphPos READ GlyphPos WRITE SetGlyphPos)
public:
  explicit TmxTPButton(QWidget* parent = nullptr);
};

class TmxCustomImageButton : public TmxCustomButton {
  Q_OBJECT
public:
  explicit TmxCustomImageButton(QWidget* parent = nullptr);

protected:
  bool ShowsCaption() const override { return false; }
};

class TmxImageButton : public TmxCustomImageButton {
  Q_OBJECT
  Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
  Q_PROPERTY(taskpane::TAlignment Alignment READ Alignment WRITE SetAlignment)
  Q_PROPERTY(TmxImageList* Normal READ Normal WRITE SetNormal)
  Q_PROPERTY(TmxImageList* Disabled READ Disabled WRITE SetDisabled)
  Q_PROPERTY(TmxImageList* Hot READ Hot WRITE SetHot)
  Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
public:
  using TmxCustomImageButton::TmxCustomImageButton;
};

class TmxMSButton : public TmxCustomImageButton {
  Q_OBJECT
  Q_PROPERTY(taskpane::TmxMSButtonStyle Style READ Style WRITE SetStyle)
  Q_PROPERTY(taskpane::TAlignment Alignment READ Alignment WRITE SetAlignment)
public:
  explicit TmxMSButton(QWidget* parent = nullptr);

  taskpane::TmxMSButtonStyle Style() const { return style_; }
  void SetStyle(taskpane::TmxMSButtonStyle value);

protected:
  TmxImageList* NormalList() const override { return normalArrows_.get(); }
  TmxImageList* HotList() const override { return hotArrows_.get(); }
  TmxImageList* DisabledList() const override { return disabledArrows_.get(); }

private:
  taskpane::TmxMSButtonStyle style_ = taskpane::msRight;
  std::unique_ptr<TmxImageList> normalArrows_, hotArrows_, disabledArrows_;
};
