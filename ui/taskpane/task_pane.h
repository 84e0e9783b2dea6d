// The task pane: shows one of its pages at a time below a header band it
// paints itself, with Back, Next, Panes and Close buttons, an optional strip
// with history and Home pictures, and the history of the pages shown.
#pragma once

#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <vector>

#include "ui/taskpane/background.h"
#include "ui/taskpane/client_area.h"
#include "ui/taskpane/font_pen.h"
#include "ui/taskpane/image_list.h"
#include "ui/taskpane/layout_aware.h"
#include "ui/taskpane/page_history.h"
#include "ui/taskpane/task_pane_page.h"
#include "ui/taskpane/xp_colors.h"

// One header or strip button: where it is (empty when not shown or not
// clickable) and its state.
class TmxTaskPaneButton {
public:
  enum State { Normal = 0, Hot = 1, Pressed = 2 };

  QRect Rect;
  int GetState() const { return state_; }
  // A request for state 3 is taken as normal.
  void SetState(int state);

  std::function<void()> OnChange;

private:
  int state_ = Normal;
};

class TmxTaskPanePro : public QWidget, public TmxControlHost, public TmxLayoutAware {
  Q_OBJECT
  Q_PROPERTY(taskpane::TmxTaskPanePreset Preset READ Preset WRITE SetPreset STORED false)
  Q_PROPERTY(TColor MenuColor READ MenuColor WRITE SetMenuColor)
  Q_PROPERTY(TmxBackground* Background READ Background CONSTANT)
  Q_PROPERTY(TmxBackground* HeaderStyle READ HeaderStyle CONSTANT)
  Q_PROPERTY(int HeaderHeight READ HeaderHeight WRITE SetHeaderHeight)
  Q_PROPERTY(TmxFont* Font READ Font CONSTANT)
  Q_PROPERTY(int ButtonHeight READ ButtonHeight WRITE SetButtonHeight)
  Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor)
  Q_PROPERTY(TmxXPPaneColors* XPColors READ XPColors CONSTANT)
  Q_PROPERTY(TmxCustomTaskPanePage* ActivePage READ ActivePage WRITE SetActivePage STORED false)
  Q_PROPERTY(int ActiveIndex READ ActiveIndex WRITE SetActiveIndex)
  Q_PROPERTY(taskpane::TmxPaneButtons Buttons READ Buttons WRITE SetButtons)
  Q_PROPERTY(QMenu* TaskPopup READ TaskPopup WRITE SetTaskPopup)
  Q_PROPERTY(taskpane::TmxPaneScrollType ScrollType READ ScrollType WRITE SetScrollType)
  Q_PROPERTY(int ScrollSpeed READ ScrollSpeed WRITE SetScrollSpeed)
  Q_PROPERTY(taskpane::TmxTaskPaneOptions Options READ Options WRITE SetOptions)
  Q_PROPERTY(QString Version READ Version WRITE SetVersion STORED false)
public:
  // The eight button records, in the order the pane keeps them.
  enum ButtonIndex { HeaderBack, HeaderNext, Panes, Close, Dots, MenuBack, MenuNext, Home, ButtonCount };

  explicit TmxTaskPanePro(QWidget* parent = nullptr);
  ~TmxTaskPanePro() override;

  taskpane::TmxTaskPanePreset Preset() const { return preset_; }
  void SetPreset(taskpane::TmxTaskPanePreset value);
  TColor MenuColor() const { return menuColor_; }
  void SetMenuColor(TColor value);
  TmxBackground* Background() const { return background_; }
  TmxBackground* HeaderStyle() const { return headerStyle_; }
  int HeaderHeight() const { return headerHeight_; }
  // Values below 15 are raised to 15.
  void SetHeaderHeight(int value);
  TmxFont* Font() const { return font_; }
  int ButtonHeight() const { return buttonHeight_; }
  void SetButtonHeight(int value);
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor value);
  TmxXPPaneColors* XPColors() const { return xpColors_; }
  TmxCustomTaskPanePage* ActivePage() const { return activePage_; }
  void SetActivePage(TmxCustomTaskPanePage* page);
  int ActiveIndex() const;
  // While the layout is read the index is only kept; it is settled afterwards.
  void SetActiveIndex(int index);
  taskpane::TmxPaneButtons Buttons() const { return buttons_; }
  void SetButtons(taskpane::TmxPaneButtons value);
  QMenu* TaskPopup() const { return taskPopup_; }
  void SetTaskPopup(QMenu* menu);
  taskpane::TmxPaneScrollType ScrollType() const { return scrollType_; }
  void SetScrollType(taskpane::TmxPaneScrollType value);
  int ScrollSpeed() const { return scrollSpeed_; }
  void SetScrollSpeed(int value);
  taskpane::TmxTaskPaneOptions Options() const { return options_; }
  void SetOptions(taskpane::TmxTaskPaneOptions value);
  QString Version() const { return QStringLiteral("3.16 "); }
  void SetVersion(const QString&) {}

  QWidget* ClientWidget() const override { return client_; }
  // The client area in the pane's coordinates.
  QRect ClientRect() const;
  const std::vector<TmxCustomTaskPanePage*>& Pages() const { return pages_; }
  const TmxTaskPageMRUList& History() const { return history_; }
  TmxTaskPaneButton& Button(ButtonIndex index) { return buttonRecords_[index]; }
  // Where the active page's caption was drawn last (empty when it was not).
  QRect TitleRect() const { return titleRect_; }

  // Recomposes the header band, the strip and the frame.
  void HeaderRepaint();
  // Paints the header band, the strip and the frame onto a canvas as large as
  // the pane, asking OnGetButtonState and placing the buttons.
  void PaintHeader(QPainter& canvas);
  void PaintClient(QPainter& canvas);

  // The pages' side of joining and leaving.
  void PageJoins(TmxCustomTaskPanePage* page);
  void PageLeaves(TmxCustomTaskPanePage* page);

  void BeginLayoutRead() override;
  void EndLayoutRead() override;

  using NotifyEvent = std::function<void(QObject* Sender)>;
  NotifyEvent OnBack, OnNext, OnClose, OnPopupPanes, OnAfterChangePreset, OnGoHome, OnChange;
  std::function<void(QObject* Sender, taskpane::TmxPaneButton Button, bool& Enabled)> OnGetButtonState;

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

private:
  int frameWidth() const;
  int menuHeight() const;
  void placeClient();
  void rebuildPages();
  bool buttonEnabled(taskpane::TmxPaneButton button, bool byDefault) const;
  void paintStrip(QPainter& canvas);
  // Sets every button's click area from the pane's geometry and state.
  void placeButtons();
  void clearButtonStates();
  void paintButtonRow(QPainter& canvas);
  int hitTest(QPoint position);
  bool trackPress(ButtonIndex index, QPoint position);
  void runAction(ButtonIndex index);
  void backAction();
  void nextAction();
  void panesAction(int screenX);
  void navigate();
  void applyPreset();

  TmxClientArea* client_;
  TmxTaskPageMRUList history_;
  std::array<TmxTaskPaneButton, ButtonCount> buttonRecords_;
  TmxImageList images_;
  std::vector<TmxCustomTaskPanePage*> pages_;
  QImage picture_;
  QRect titleRect_;

  taskpane::TmxTaskPanePreset preset_ = taskpane::tpsDefault;
  TColor menuColor_ = RGB(166, 166, 166);
  TmxBackground* background_;
  TmxBackground* headerStyle_;
  int headerHeight_ = 15;
  TmxFont* font_;
  int buttonHeight_ = 12;
  TColor borderColor_ = RGB(128, 128, 128);
  TmxXPPaneColors* xpColors_;
  TmxCustomTaskPanePage* activePage_ = nullptr;
  taskpane::TmxPaneButtons buttons_ = taskpane::pbBack | taskpane::pbNext | taskpane::pbPanes | taskpane::pbClose;
  QPointer<QMenu> taskPopup_;
  taskpane::TmxPaneScrollType scrollType_ = taskpane::stAccelerated;
  int scrollSpeed_ = 1;
  taskpane::TmxTaskPaneOptions options_ = taskpane::toShowBorder;

  int storedActiveIndex_ = -1;
  bool navigating_ = false;
  bool bulkUpdate_ = false;
  bool loading_ = false;
  bool destroying_ = false;
};
