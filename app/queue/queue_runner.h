// The seam between the queue and the jobs it runs. The scheduler starts a job
// for an item through a runner and hears from it through the events; the
// window plugs in jobs on worker threads, the tests a fake.
//
// Threading: the scheduler is a single-threaded state machine. Its commands
// and every event must be called on the one thread that owns it, and no event
// may be called from inside Start, Pause or Stop. A runner whose jobs run on
// worker threads hands each event to the owner's thread (the window: a queued
// signal; a program without an event loop: TQueueEventInbox).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/job_failure.h"
#include "app/queue/queue_item.h"

// What a job reports, in about this order. Exactly one of Saved, Failed and
// Paused ends it; nothing comes after that.
struct TQueueJobEvents {
  std::function<void(const std::string& title)> Titled;         // the page has been read
  std::function<void(const std::string& partialFile)> Started;  // the video transfer began
  // total 0 or less: unknown. bytes count from the start of the file, a
  // continued transfer included.
  std::function<void(int64_t bytes, int64_t total, int64_t bytesPerSecond)> Progress;
  // The output's name is chosen; the conversion writes beside it.
  std::function<void(const std::string& file)> Named;
  std::function<void(int percent)> Converting;
  std::function<void(const std::string& file)> Saved;
  std::function<void(const TJobFailure& failure)> Failed;
  // The transfer stopped on Pause; its partial file is kept.
  std::function<void()> Paused;
};

// One running job.
class TQueueJobHandle {
public:
  // Waits for the job's thread to end; called after the job's last event.
  virtual ~TQueueJobHandle() = default;
  // Stops the transfer or the conversion and keeps the partial file; the job
  // ends with Paused, or with Saved or Failed when it got there first.
  virtual void Pause() = 0;
  // Ends the job: its item is gone. It still ends with one of the three.
  virtual void Stop() = 0;
};

class TQueueJobRunner {
public:
  virtual ~TQueueJobRunner() = default;
  // The item carries its address, its settings and, when it was paused, the
  // partial file to continue (with Range and If-Range, as --continue does).
  virtual std::unique_ptr<TQueueJobHandle> Start(const TQueueItem& item, TQueueJobEvents events) = 0;
  // Deletes what an unfinished job for item left behind; never called while
  // one runs for it.
  virtual void DiscardPartial(const TQueueItem& item) = 0;
};
