#include "app/queue/queue_scheduler.h"

#include <algorithm>
#include <ctime>

#include <fmt/core.h>

#include "app/queue/messages.h"
#include "app/queue/queue_errors.h"
#include "app/queue/queue_transitions.h"
#include "converter/unfinished_output.h"

namespace {

// A transfer's bytes go to the store this often, not with every event; the
// partial file itself is what a resumed job continues from.
constexpr int64_t StoredProgressStep = 1 << 20;

int64_t systemSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

}  // namespace

TQueueScheduler::TQueueScheduler(TQueueStore& store, TQueueJobRunner& runner, std::function<int64_t()> clock)
    : store_(store),
      runner_(runner),
      clock_(clock ? std::move(clock) : systemSeconds),
      self_(std::make_shared<TQueueScheduler*>(this)) {
  settings_ = store_.LoadSettings();
  items_ = store_.Load();
  for (TQueueItem& restored : items_) {
    const TQueueState was = restored.State;
    // A conversion the crash cut short left its unfinished output.
    if (was != TQueueState::Saved && !restored.OutputFile.empty())
      converter::RemoveUnfinishedOutputs(restored.OutputFile);
    if (IsActive(was) || was == TQueueState::Queued) change(restored, TQueueState::Paused);
    if (settings_.ResumeAtStart && was != restored.State) change(restored, TQueueState::Queued);
  }
  startWaiting();
}

TQueueScheduler::~TQueueScheduler() {
  *self_ = nullptr;
  for (auto& [ticket, run] : runs_) run.Handle->Stop();
  runs_.clear();
}

const TQueueItem& TQueueScheduler::Item(int64_t id) const {
  for (const TQueueItem& held : items_)
    if (held.Id == id) return held;
  throw EQueueError(fmt::format(queue_messages::NoSuchItem, id));
}

TQueueItem& TQueueScheduler::item(int64_t id) { return const_cast<TQueueItem&>(std::as_const(*this).Item(id)); }

TQueueScheduler::Run* TQueueScheduler::runOf(int64_t itemId) {
  for (auto& [ticket, run] : runs_)
    if (!run.Removed && run.ItemId == itemId) return &run;
  return nullptr;
}

void TQueueScheduler::change(TQueueItem& changed, TQueueState to) {
  CheckTransition(changed.State, to);
  changed.State = to;
  changed.ChangedAt = clock_();
  changed.BytesPerSecond = 0;
  if (to == TQueueState::Saved || to == TQueueState::Failed) changed.FinishedAt = changed.ChangedAt;
  if (to == TQueueState::Queued) {
    changed.FinishedAt = 0;
    changed.Error.clear();
  }
  store(changed);
}

void TQueueScheduler::fail(TQueueItem& failed, const TJobFailure& failure) {
  failed.Error = failure.Message;
  change(failed, TQueueState::Failed);
}

void TQueueScheduler::store(const TQueueItem& changed) {
  store_.Save(changed);
  if (OnItemChanged) OnItemChanged(changed);
}

int64_t TQueueScheduler::Add(const std::string& address, const TQueueItemSettings& settings) {
  TQueueItem added;
  added.Address = address;
  added.Settings = settings;
  added.AddedAt = added.ChangedAt = clock_();
  store_.Add(added);
  items_.push_back(added);
  if (OnItemChanged) OnItemChanged(added);
  startWaiting();
  return added.Id;
}

void TQueueScheduler::startWaiting() {
  // The list is searched afresh for each start: the owner hears of every
  // change at once and may change the list meanwhile.
  while (RunningJobs() < settings_.JobsAtOnce) {
    const auto next = std::find_if(items_.begin(), items_.end(),
                                   [](const TQueueItem& held) { return held.State == TQueueState::Queued; });
    if (next == items_.end()) return;
    start(*next);
  }
}

void TQueueScheduler::start(TQueueItem& started) {
  change(started, TQueueState::Reading);
  const uint64_t ticket = nextTicket_++;
  Run& run = runs_[ticket];
  run.ItemId = started.Id;
  run.StoredBytes = started.BytesDone;
  try {
    run.Handle = runner_.Start(started, eventsFor(ticket));
  } catch (const std::exception&) {
    // A job that cannot even start has failed, for its reason.
    runs_.erase(ticket);
    fail(started, FailureOf(std::current_exception(), TJobStep::None));
  }
}

TQueueJobEvents TQueueScheduler::eventsFor(uint64_t ticket) {
  const std::weak_ptr<TQueueScheduler*> alive = self_;
  // Each event reaches the scheduler only while it is there.
  auto deliver = [alive, ticket](bool ends, const std::function<void(TQueueItem&, Run&)>& update) {
    if (const auto self = alive.lock(); self && *self) (*self)->onEvent(ticket, ends, update);
  };
  // Moves item to state unless it is there already; stores and tells either way.
  auto reach = [this](TQueueItem& item, TQueueState state) {
    if (item.State == state) store(item);
    else change(item, state);
  };
  TQueueJobEvents events;
  events.Titled = [this, deliver](const std::string& title) {
    deliver(false, [this, title](TQueueItem& item, Run&) {
      item.Title = title;
      store(item);
    });
  };
  events.Started = [deliver, reach](const std::string& partialFile) {
    deliver(false, [reach, partialFile](TQueueItem& item, Run&) {
      item.PartialFile = partialFile;
      reach(item, TQueueState::Downloading);
    });
  };
  events.Progress = [this, deliver](int64_t bytes, int64_t total, int64_t bytesPerSecond) {
    deliver(false, [this, bytes, total, bytesPerSecond](TQueueItem& item, Run& run) {
      item.BytesDone = bytes;
      item.BytesTotal = total;
      if (item.State != TQueueState::Downloading) change(item, TQueueState::Downloading);
      item.BytesPerSecond = bytesPerSecond;
      if (bytes - run.StoredBytes >= StoredProgressStep || bytes == total) {
        run.StoredBytes = bytes;
        store_.Save(item);
      }
      if (OnItemChanged) OnItemChanged(item);
    });
  };
  events.Named = [this, deliver](const std::string& file) {
    deliver(false, [this, file](TQueueItem& item, Run&) {
      item.OutputFile = file;
      store(item);
    });
  };
  events.Converting = [this, deliver](int percent) {
    deliver(false, [this, percent](TQueueItem& item, Run&) {
      item.ConvertPercent = percent;
      if (item.State != TQueueState::Converting) change(item, TQueueState::Converting);
      else if (OnItemChanged) OnItemChanged(item);
    });
  };
  events.Saved = [this, deliver](const std::string& file) {
    deliver(true, [this, file](TQueueItem& item, Run&) {
      item.OutputFile = file;
      item.PartialFile.clear();
      change(item, TQueueState::Saved);
    });
  };
  events.Failed = [this, deliver](const TJobFailure& failure) {
    deliver(true, [this, failure](TQueueItem& item, Run&) { fail(item, failure); });
  };
  events.Paused = [this, deliver] {
    deliver(true, [this](TQueueItem& item, Run&) { change(item, TQueueState::Paused); });
  };
  return events;
}

void TQueueScheduler::onEvent(uint64_t ticket, bool ends, const std::function<void(TQueueItem&, Run&)>& update) {
  const auto found = runs_.find(ticket);
  if (found == runs_.end()) return;  // the job has already ended
  if (!found->second.Removed) update(item(found->second.ItemId), found->second);
  if (!ends) return;
  Run ended = std::move(found->second);
  runs_.erase(found);
  // The job's thread is gone before its files are touched or its slot reused.
  ended.Handle.reset();
  if (ended.DiscardWhenEnded) runner_.DiscardPartial(ended.RemovedItem);
  startWaiting();
}

void TQueueScheduler::Pause(int64_t id) {
  TQueueItem& paused = item(id);
  if (Run* run = runOf(id)) {
    if (!run->PauseAsked) run->Handle->Pause();
    run->PauseAsked = true;
    return;
  }
  change(paused, TQueueState::Paused);
}

void TQueueScheduler::Resume(int64_t id) {
  change(item(id), TQueueState::Queued);
  startWaiting();
}

void TQueueScheduler::Remove(int64_t id, bool deletePartial) {
  const TQueueItem removed = item(id);
  store_.Remove({id});
  items_.erase(std::find_if(items_.begin(), items_.end(), [id](const TQueueItem& held) { return held.Id == id; }));
  if (Run* run = runOf(id)) {
    run->Removed = true;
    run->DiscardWhenEnded = deletePartial;
    run->RemovedItem = removed;
    run->Handle->Stop();
  } else if (deletePartial) {
    runner_.DiscardPartial(removed);
  }
  listChanged();
}

void TQueueScheduler::move(int64_t id, int offset) {
  const auto at = std::find_if(items_.begin(), items_.end(), [id](const TQueueItem& held) { return held.Id == id; });
  if (at == items_.end()) throw EQueueError(fmt::format(queue_messages::NoSuchItem, id));
  const auto index = at - items_.begin();
  const auto other = index + offset;
  if (other < 0 || other >= static_cast<long>(items_.size())) return;
  store_.SwapPositions(id, items_[other].Id);
  std::swap(items_[index], items_[other]);
  listChanged();
}

void TQueueScheduler::MoveUp(int64_t id) { move(id, -1); }
void TQueueScheduler::MoveDown(int64_t id) { move(id, +1); }

void TQueueScheduler::PauseAll() {
  for (const TQueueItem& held : items_)
    if (held.State == TQueueState::Queued || IsActive(held.State)) Pause(held.Id);
}

void TQueueScheduler::ResumeAll() {
  for (TQueueItem& held : items_)
    if (held.State == TQueueState::Paused) change(held, TQueueState::Queued);
  startWaiting();
}

void TQueueScheduler::ClearFinished() {
  std::vector<int64_t> saved;
  for (const TQueueItem& held : items_)
    if (held.State == TQueueState::Saved) saved.push_back(held.Id);
  if (saved.empty()) return;
  store_.Remove(saved);
  std::erase_if(items_, [](const TQueueItem& held) { return held.State == TQueueState::Saved; });
  listChanged();
}

void TQueueScheduler::SetJobsAtOnce(int jobs) {
  if (jobs < 1 || jobs > TQueueSettings::MostJobsAtOnce)
    throw EQueueError(fmt::format(queue_messages::BadJobLimit, TQueueSettings::MostJobsAtOnce, jobs));
  settings_.JobsAtOnce = jobs;
  store_.SaveSettings(settings_);
  startWaiting();
}

void TQueueScheduler::SetResumeAtStart(bool resume) {
  settings_.ResumeAtStart = resume;
  store_.SaveSettings(settings_);
}

void TQueueScheduler::SetSaveTarget(const std::string& folder, const std::string& nameTemplate) {
  CheckNameTemplate(nameTemplate);
  settings_.Folder = folder.empty() || folder.ends_with('/') ? folder : folder + "/";
  settings_.NameTemplate = nameTemplate;
  store_.SaveSettings(settings_);
}

void TQueueScheduler::SetConnections(int connections) {
  if (connections < 1 || connections > TQueueSettings::MostConnections)
    throw EQueueError(fmt::format(queue_messages::BadConnections, TQueueSettings::MostConnections, connections));
  settings_.Connections = connections;
  store_.SaveSettings(settings_);
}

void TQueueScheduler::SetLimitRate(int64_t bytesPerSecond) {
  if (bytesPerSecond < 0 || bytesPerSecond > TQueueSettings::MostLimitRate)
    throw EQueueError(fmt::format(queue_messages::BadLimitRate, TQueueSettings::MostLimitRate, bytesPerSecond));
  settings_.LimitRate = bytesPerSecond;
  store_.SaveSettings(settings_);
}

void TQueueScheduler::listChanged() {
  if (OnListChanged) OnListChanged();
}
