// Carries a job's events from its worker thread to the thread that owns the
// scheduler, for owners without an event loop of their own: the workers post,
// the owner delivers.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "app/queue/queue_runner.h"

// Hands a call to the owner's thread, to be run there later, in order.
using TPostToOwner = std::function<void(std::function<void()> call)>;

// The same events, each call handed to post with its arguments copied
// instead of run on the caller's thread.
TQueueJobEvents PostEach(const TQueueJobEvents& events, TPostToOwner post);

class TQueueEventInbox {
public:
  // The same events, each call posted here (see PostEach).
  TQueueJobEvents Marshal(const TQueueJobEvents& events);
  // Thread-safe.
  void Post(std::function<void()> call);
  // Runs what has been posted so far, in order, on the calling thread;
  // waits up to timeout when nothing has been. Returns how many ran.
  size_t Deliver(std::chrono::milliseconds timeout = std::chrono::milliseconds(0));

private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<std::function<void()>> calls_;
};
