// A task-pane page: one screenful of content shown by its pane. Content that
// does not fit scrolls when the pointer rests on the strips the page grows at
// its top and bottom edges; the strips take rows from the client area.
#pragma once

#include <QTimer>
#include <functional>

#include "ui/taskpane/alignment.h"
#include "ui/taskpane/client_area.h"
#include "ui/taskpane/layout_aware.h"
#include "ui/taskpane/task_pane_item.h"
#include "ui/taskpane/xp_colors.h"

class TmxTaskPanePro;

class TmxCustomTaskPanePage : public TmxCustomTaskPaneItem, public TmxControlHost, public TmxLayoutAware {
  Q_OBJECT
public:
  // With a pane as parent the page joins that pane.
  explicit TmxCustomTaskPanePage(QWidget* parent = nullptr);
  ~TmxCustomTaskPanePage() override;

  TmxTaskPanePro* Pane() const { return pane_; }
  QWidget* ClientWidget() const override { return client_; }

  QString Caption() const { return caption_; }
  void SetCaption(const QString& value);
  int Position() const { return position_; }
  void SetPosition(int value);

  int ContentHeight() const { return contentHeight_; }
  bool TopStripShown() const { return strips_ & TopStrip; }
  bool BottomStripShown() const { return strips_ & BottomStrip; }
  QTimer* ScrollTimer() const { return timer_; }

  // Settings taken from the owning pane, or their defaults without one.
  int ButtonHeight() const;
  taskpane::TmxPaneScrollType ScrollType() const;
  int ScrollSpeed() const;
  const TmxCustomXPColors* XPColors() const;

  // Measures the content and updates the strips (the pane asks on activation).
  void Remeasure();
  // Recomputes the strips' rows, re-aligns and repaints.
  void RebuildWindow();
  void UpdateStrips();

  void BeginLayoutRead() override;
  void EndLayoutRead() override;

  std::function<void(QObject* Sender)> OnEnter;
  std::function<void(QObject* Sender)> OnExit;
  // The pane's side of joining and switching pages.
  void SetPane(TmxTaskPanePro* pane) { pane_ = pane; }
  void Enter();
  void Exit();

protected:
  void ItemChanged() override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

private:
  enum Strip { TopStrip = 1, BottomStrip = 2 };
  enum class HoverMode { Idle, Down, Up };

  int clientHeight() const;
  void placeClient();
  void measure();
  // Stores the position and moves the children with it.
  void scrollTo(int value);
  void alignNow();
  void realign();
  void paintClient(QPainter& canvas);
  void paintStrip(QPainter& canvas, const QRect& strip, bool hot, bool up) const;
  void startScrolling(HoverMode mode);
  void stopScrolling();
  void scrollTick();

  TmxTaskPanePro* pane_ = nullptr;
  TmxClientArea* client_;
  taskpane::ChildAligner* aligner_;
  QTimer* timer_;
  TmxXPPaneColors defaultColors_;
  QMetaObject::Connection focusWatch_;
  QString caption_;
  int position_ = 0;
  int contentHeight_ = 0;
  int strips_ = 0;
  HoverMode mode_ = HoverMode::Idle;
  bool hotTop_ = false;
  bool hotBottom_ = false;
  int step_ = 0;
  bool pointerInside_ = false;
  bool updatingStrips_ = false;
  bool measureSuspended_ = false;
  bool reading_ = false;
};

class TmxTaskPanePage : public TmxCustomTaskPanePage {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(int Position READ Position WRITE SetPosition)
public:
  using TmxCustomTaskPanePage::TmxCustomTaskPanePage;
};
