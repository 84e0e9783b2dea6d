#include "app/queue/queue_event_inbox.h"

#include <utility>

namespace {

template <typename... Args>
std::function<void(Args...)> posting(const TPostToOwner& post, const std::function<void(Args...)>& event) {
  if (!event) return nullptr;
  return [post, event](Args... args) { post([event, ... copies = std::decay_t<Args>(args)] { event(copies...); }); };
}

}  // namespace

TQueueJobEvents PostEach(const TQueueJobEvents& events, TPostToOwner post) {
  return {posting(post, events.Titled), posting(post, events.Started),    posting(post, events.Progress),
          posting(post, events.Named),  posting(post, events.Converting), posting(post, events.Saved),
          posting(post, events.Failed), posting(post, events.Paused)};
}

TQueueJobEvents TQueueEventInbox::Marshal(const TQueueJobEvents& events) {
  return PostEach(events, [this](std::function<void()> call) { Post(std::move(call)); });
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
