// The download queue: runs at most a set number of jobs at once, in queue
// order, through a runner; takes the user's commands and the jobs' events,
// lets each change pass the transition table, and stores it before anyone
// hears of it. Commands and events come on the owner's thread only (see
// queue_runner.h).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/queue/queue_item.h"
#include "app/queue/queue_runner.h"
#include "app/queue/queue_store.h"

class TQueueScheduler {
public:
  // Reads the queue back from store: saved and failed items stay as they
  // were; interrupted items (a cut conversion starts over from the kept
  // download, its unfinished output removed) and waiting ones
  // come back paused, or waiting again when the settings say to resume at
  // start; items the user had paused stay paused. Then starts what may start.
  // clock gives seconds since 1970.
  TQueueScheduler(TQueueStore& store, TQueueJobRunner& runner, std::function<int64_t()> clock = nullptr);
  // Stops every job and waits for them; their items stay as stored, and the
  // next start finds them interrupted.
  ~TQueueScheduler();
  TQueueScheduler(const TQueueScheduler&) = delete;
  TQueueScheduler& operator=(const TQueueScheduler&) = delete;

  // In queue order.
  const std::vector<TQueueItem>& Items() const { return items_; }
  // Raises EQueueError for an id the queue does not hold.
  const TQueueItem& Item(int64_t id) const;
  const TQueueSettings& Settings() const { return settings_; }
  // Jobs whose threads have not ended, those of removed items included.
  int RunningJobs() const { return static_cast<int>(runs_.size()); }

  // Queued at the end; starts when a slot is free. Returns the item's id.
  int64_t Add(const std::string& address, const TQueueItemSettings& settings);
  // A waiting item pauses at once; a running one once its job confirms.
  void Pause(int64_t id);
  // A paused item waits again for a slot, and so does a failed one.
  void Resume(int64_t id);
  void Retry(int64_t id) { Resume(id); }
  // A running job is stopped; deletePartial also deletes what it leaves.
  void Remove(int64_t id, bool deletePartial);
  void MoveUp(int64_t id);
  void MoveDown(int64_t id);
  void PauseAll();
  void ResumeAll();
  // Removes the saved items.
  void ClearFinished();
  // Running jobs beyond a lower limit finish; a higher one starts more.
  void SetJobsAtOnce(int jobs);
  void SetResumeAtStart(bool resume);
  // Where and under which name items added from now on are saved; a
  // template that cannot name a file raises EBadNameTemplate and changes
  // nothing.
  void SetSaveTarget(const std::string& folder, const std::string& nameTemplate);
  // For jobs that start from now on.
  void SetConnections(int connections);
  // Bytes a second for each job that starts from now on; 0 for none.
  void SetLimitRate(int64_t bytesPerSecond);

  // An item was added or changed.
  std::function<void(const TQueueItem& item)> OnItemChanged;
  // Items were removed or moved: read Items() again.
  std::function<void()> OnListChanged;

private:
  struct Run {
    int64_t ItemId = 0;
    std::unique_ptr<TQueueJobHandle> Handle;
    bool PauseAsked = false;
    // The item was removed while its job ran.
    bool Removed = false;
    bool DiscardWhenEnded = false;
    TQueueItem RemovedItem;
    int64_t StoredBytes = 0;
  };

  TQueueItem& item(int64_t id);
  Run* runOf(int64_t itemId);
  void change(TQueueItem& item, TQueueState to);
  // The store keeps the message a person reads; the kind is not kept.
  void fail(TQueueItem& item, const TJobFailure& failure);
  void store(const TQueueItem& item);
  void startWaiting();
  void start(TQueueItem& item);
  TQueueJobEvents eventsFor(uint64_t ticket);
  // Runs update on the item of the job with this ticket; a job that has been
  // removed or has ended is heard only for its end.
  void onEvent(uint64_t ticket, bool ends, const std::function<void(TQueueItem&, Run&)>& update);
  void move(int64_t id, int offset);
  void listChanged();

  TQueueStore& store_;
  TQueueJobRunner& runner_;
  std::function<int64_t()> clock_;
  TQueueSettings settings_;
  std::vector<TQueueItem> items_;
  std::map<uint64_t, Run> runs_;
  uint64_t nextTicket_ = 1;
  // Events posted by jobs may arrive after the scheduler has gone.
  std::shared_ptr<TQueueScheduler*> self_;
};
