// The Downloads page: the queue as a second page of the task pane, one row
// per item (its title, size, progress bar and state), the commands for one
// item on buttons and in the row's menu and for the whole queue, the
// queue's settings (where and under which name items are saved,
// connections, jobs at once, resuming at start), and a notice on the
// desktop when an item is saved or fails while the window is in the
// background. The queue's jobs run on worker threads; their events come
// back to this object's thread as queued calls, so only this thread touches
// a widget.
#pragma once

#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/job_session.h"
#include "app/queue/queue_item.h"

class QCheckBox;
class QPoint;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class TDesktop;
class TmxTaskPanePage;
class TmxTaskPanePro;
class TQueueScheduler;
class TQueueStore;
class TSessionJobRunner;

class TDownloadsPage : public QObject {
public:
  // Opens the queue file at storePath and brings its items back; raises the
  // store's errors (EQueueStoreError and its kinds) before any widget is made.
  TDownloadsPage(TmxTaskPanePro* pane, TDesktop& desktop, std::string caption, TSessionOptions options,
                 const std::string& storePath);
  ~TDownloadsPage() override;

  // Queues each address with these choices, into the queue's folder and
  // under its name template.
  void Add(const std::vector<std::string>& addresses, const TOutputChoices& choices);
  // Makes the page the pane's active one, with the focus on its list.
  void Show();

  TQueueScheduler& Scheduler() { return *scheduler_; }
  TmxTaskPanePage* Page() const { return page_; }

  // The user chose another number of connections per download; the
  // queue's jobs have it already, the window's own Download takes it here.
  std::function<void(int connections)> OnConnections;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void createControls(TmxTaskPanePro* pane);
  void connectControls();
  void fillRows();
  void showItem(const TQueueItem& item);
  void fillRow(QTreeWidgetItem* row, const TQueueItem& item);
  QTreeWidgetItem* rowOf(int64_t id) const;
  // The selected row's item; none when no row is selected.
  const TQueueItem* selected() const;
  void onSelected(void (TDownloadsPage::*command)(const TQueueItem&));
  void remove(const TQueueItem& item);
  // Opens a saved item's file in the user's program for it.
  void openFile(const TQueueItem& item);
  void openFolder(const TQueueItem& item);
  void showItemMenu(const QPoint& at);
  // Where queued items go: the chosen folder, or the Videos folder.
  std::string saveFolder() const;
  void chooseFolder();
  void takeNameTemplate();
  void takeConnections(int connections);
  void showSettings();
  void updateButtons();
  template <class Command>
  void guarded(Command command);

  TDesktop& desktop_;
  const std::string caption_;
  std::unique_ptr<TQueueStore> store_;
  std::unique_ptr<TSessionJobRunner> runner_;
  std::unique_ptr<TQueueScheduler> scheduler_;
  // The state each item was last shown in: a notice goes out once, when an
  // item reaches Saved.
  std::map<int64_t, TQueueState> shownStates_;

  TmxTaskPanePage* page_ = nullptr;
  QWidget* body_ = nullptr;
  QTreeWidget* list_ = nullptr;
  QPushButton* pause_ = nullptr;
  QPushButton* resume_ = nullptr;
  QPushButton* retry_ = nullptr;
  QPushButton* remove_ = nullptr;
  QPushButton* openFolder_ = nullptr;
  QPushButton* moveUp_ = nullptr;
  QPushButton* moveDown_ = nullptr;
  QPushButton* pauseAll_ = nullptr;
  QPushButton* resumeAll_ = nullptr;
  QPushButton* clearFinished_ = nullptr;
  QSpinBox* jobsAtOnce_ = nullptr;
  QLineEdit* folder_ = nullptr;
  QPushButton* browseFolder_ = nullptr;
  QLineEdit* nameTemplate_ = nullptr;
  QSpinBox* connections_ = nullptr;
  QSpinBox* limitRate_ = nullptr;
  QCheckBox* resumeAtStart_ = nullptr;
};
