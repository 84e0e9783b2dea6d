#include "app/queue/queue_event_inbox.h"

#include <utility>

namespace {

template <typename... Args>
std::function<void(Args...)> posting(TQueueEventInbox& inbox, const std::function<void(Args...)>& event) {
  if (!event) return nullptr;
  return [&inbox, event](Args... args) {
    inbox.Post([event, ... copies = std::decay_t<Args>(args)] { event(copies...); });
  };
}

}  // namespace

TQueueJobEvents TQueueEventInbox::Marshal(const TQueueJobEvents& events) {
  return {posting(*this, events.Titled),     posting(*this, events.Started), posting(*this, events.Progress),
          posting(*this, events.Converting), posting(*this, events.Saved),   posting(*this, events.Failed),
          posting(*this, events.Paused)};
}

void TQueueEventInbox::Post(std::function<void()> call) {
  {
    const std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
  }
  posted_.notify_one();
}

size_t TQueueEventInbox::Deliver(std::chrono::milliseconds timeout) {
  std::deque<std::function<void()>> due;
  {
    std::unique_lock lock(mutex_);
    posted_.wait_for(lock, timeout, [this] { return !calls_.empty(); });
    due.swap(calls_);
  }
  for (auto& call : due) call();
  return due.size();
}
