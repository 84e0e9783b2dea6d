// A group title: a caption over an underline, painted on the item's own
// background (see-through by default).
#pragma once

#include "ui/taskpane/font_pen.h"
#include "ui/taskpane/layout_aware.h"
#include "ui/taskpane/task_pane_item.h"

class TmxCustomTaskPaneLabel : public TmxCustomTaskPaneItem, public TmxLayoutAware {
  Q_OBJECT
public:
  explicit TmxCustomTaskPaneLabel(QWidget* parent = nullptr);

  QString Caption() const { return caption_; }
  void SetCaption(const QString& value);
  TmxFont* Font() const { return font_; }
  TmxPen* Pen() const { return pen_; }
  taskpane::TAlignment Alignment() const { return alignment_; }
  void SetAlignment(taskpane::TAlignment value);
  taskpane::TTextLayout Layout() const { return layout_; }
  void SetLayout(taskpane::TTextLayout value);
  taskpane::TmxTextStyle TextStyle() const { return textStyle_; }
  void SetTextStyle(taskpane::TmxTextStyle value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool value);
  int Distance() const { return distance_; }
  void SetDistance(int value);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);

  // No fitting while the label is read from the window layout.
  void BeginLayoutRead() override { reading_ = true; }
  void EndLayoutRead() override;

protected:
  void ItemChanged() override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void labelChanged();
  void fitSize();
  int textFlags() const;
  QString shownText(const QRect& R) const;
  QRect measure(const QRect& R) const;

  QString caption_;
  TmxFont* font_;
  TmxPen* pen_;
  taskpane::TAlignment alignment_ = taskpane::taLeftJustify;
  taskpane::TTextLayout layout_ = taskpane::tlCenter;
  taskpane::TmxTextStyle textStyle_ = taskpane::tsStandard;
  bool wordWrap_ = false;
  bool showAccelChar_ = true;
  int distance_ = 1;
  bool autoSize_ = false;
  bool reading_ = false;
  bool fitting_ = false;
};

class TmxTaskPaneLabel : public TmxCustomTaskPaneLabel {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(TmxFont* Font READ Font CONSTANT)
  Q_PROPERTY(TmxPen* Pen READ Pen CONSTANT)
  Q_PROPERTY(taskpane::TAlignment Alignment READ Alignment WRITE SetAlignment)
  Q_PROPERTY(taskpane::TTextLayout Layout READ Layout WRITE SetLayout)
  Q_PROPERTY(taskpane::TmxTextStyle TextStyle READ TextStyle WRITE SetTextStyle)
  Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
  Q_PROPERTY(bool ShowAccelChar READ ShowAccelChar WRITE SetShowAccelChar)
  Q_PROPERTY(int Distance READ Distance WRITE SetDistance)
  Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
public:
  using TmxCustomTaskPaneLabel::TmxCustomTaskPaneLabel;
};
