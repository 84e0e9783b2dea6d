#include "app/transfer/worker_group.h"

#include "app/transfer/host_slots.h"

TWorkerGroup::~TWorkerGroup() {
  bool running;
  {
    std::lock_guard guard(lock_);
    running = running_ > 0;
  }
  if (running) sockets_.Stop();
  for (std::jthread& thread : threads_) thread.join();
}

void TWorkerGroup::Start(const std::string& host, std::function<void()> work) {
  {
    std::lock_guard guard(lock_);
    ++running_;
  }
  threads_.emplace_back([this, host, work = std::move(work)] {
    const TSocketStop::TScope scope(sockets_);
    std::exception_ptr failure;
    try {
      const THostSlots::TSlot slot = THostSlots::Take(host, [this] { return Ending(); });
      if (slot.Held()) work();
    } catch (...) {
      failure = std::current_exception();
    }
    end(failure);
  });
}

void TWorkerGroup::end(std::exception_ptr failure) {
  {
    std::lock_guard guard(lock_);
    --running_;
    if (failure && !failure_ && !StopRequested()) {
      failure_ = failure;
      failed_ = true;
    }
  }
  if (failed_) sockets_.Stop();
  ended_.notify_all();
}

void TWorkerGroup::Stop() {
  stopRequested_ = true;
  sockets_.Stop();
}

bool TWorkerGroup::StopRequested() const { return stopRequested_ || (sockets_.Stopped() && !failed_); }

bool TWorkerGroup::Ending() const { return stopRequested_ || failed_ || sockets_.Stopped(); }

void TWorkerGroup::Wait(std::chrono::milliseconds interval, const std::function<void()>& tick) {
  std::unique_lock lock(lock_);
  while (running_ > 0) {
    if (ended_.wait_for(lock, interval, [this] { return running_ == 0; })) break;
    lock.unlock();
    if (tick) tick();
    lock.lock();
  }
  if (failure_) std::rethrow_exception(failure_);
}
