// The queue's real jobs: each on a thread of its own with a job session of
// its own, reporting to the queue instead of to a window. The output is
// named by the item's template in the item's folder, with no dialog; a
// paused transfer keeps its partial file and continues it with Range and
// If-Range when the item is resumed.
#pragma once

#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "app/job_session.h"
#include "app/queue/queue_event_inbox.h"
#include "app/queue/queue_runner.h"

// The output names the running jobs have taken: two jobs of one title at
// once, or a file already there, never share a name. Thread-safe.
class TOutputNames {
public:
  // name, or its first numbered copy that is neither taken nor on disk.
  std::string Claim(const std::string& name);
  // The job that claimed name has ended: what it saved is on disk, and a
  // job that saved nothing leaves the name free for the next one.
  void Release(const std::string& name);

private:
  std::mutex mutex_;
  std::set<std::string> taken_;
};

class TSessionJobRunner : public TQueueJobRunner {
public:
  // Every job gets a session with these options (its partial files always
  // continue); its events reach the scheduler's thread through post.
  TSessionJobRunner(TSessionOptions options, TPostToOwner post);

  std::unique_ptr<TQueueJobHandle> Start(const TQueueItem& item, TQueueJobEvents events) override;
  void DiscardPartial(const TQueueItem& item) override;
  // For jobs that start from now on; running ones keep theirs.
  void SetConnections(int connections) { options_.Streams.Connections = connections; }
  void SetLimitRate(int64_t bytesPerSecond) { options_.LimitRate = bytesPerSecond; }

  // The video file a job for item writes while it downloads.
  std::string PartialFileOf(const TQueueItem& item) const;

private:
  TSessionOptions options_;
  TPostToOwner post_;
  std::shared_ptr<TOutputNames> names_;
};
