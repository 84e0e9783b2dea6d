#pragma once
// The owner of every worker thread of a job's transfer: it starts them, each
// with its sockets in the group's keeping, and its Stop shuts those sockets
// so that a blocked connect or read ends at once. It joins its workers in
// every case, an exception in flight included, and hands the first failure
// of a worker to the thread that waits for them, as it was raised.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/transport/socket_stop.h"

class TWorkerGroup {
public:
  // Made inside a job's stop scope, the group stops with the job.
  TWorkerGroup() = default;
  // Stops what still runs, then joins.
  ~TWorkerGroup();
  TWorkerGroup(const TWorkerGroup&) = delete;
  TWorkerGroup& operator=(const TWorkerGroup&) = delete;

  // Runs work on a thread of its own once a connection slot of host is free
  // (see THostSlots). An exception leaving work ends the other workers too.
  void Start(const std::string& host, std::function<void()> work);
  // From any thread: every worker ends its transfer at once.
  void Stop();
  // Stop was asked for (by the owner, or by the job the group belongs to).
  bool StopRequested() const;
  // What workers look at: true after Stop or after a worker failed.
  bool Ending() const;
  // Waits for every worker, running tick on this thread every interval
  // meanwhile, then raises the first worker's failure if there was one.
  void Wait(std::chrono::milliseconds interval, const std::function<void()>& tick);

private:
  void end(std::exception_ptr failure);

  TSocketStop sockets_;
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> failed_{false};
  std::mutex lock_;
  std::condition_variable ended_;
  size_t running_ = 0;
  std::exception_ptr failure_;
  // Last: joined first, while everything above still exists.
  std::vector<std::jthread> threads_;
};
