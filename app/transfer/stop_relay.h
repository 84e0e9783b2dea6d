#pragma once
// A Stop, from any thread, that reaches whatever runs at that moment (a
// worker group, a fetcher) and whatever starts after it, until the relay is
// reset for a new run.

#include <mutex>

template <class TRunner>
class TStopRelay {
public:
  void Stop() {
    std::lock_guard guard(lock_);
    stopped_ = true;
    if (current_) current_->Stop();
  }
  void Reset() {
    std::lock_guard guard(lock_);
    stopped_ = false;
  }
  bool Stopped() const {
    std::lock_guard guard(lock_);
    return stopped_;
  }

  // While it lives, runner is what Stop reaches; a Stop that came before
  // reaches it at once.
  class TRunning {
  public:
    TRunning(TStopRelay& relay, TRunner& runner) : relay_(relay) {
      std::lock_guard guard(relay_.lock_);
      relay_.current_ = &runner;
      if (relay_.stopped_) runner.Stop();
    }
    ~TRunning() {
      std::lock_guard guard(relay_.lock_);
      relay_.current_ = nullptr;
    }
    TRunning(const TRunning&) = delete;
    TRunning& operator=(const TRunning&) = delete;

  private:
    TStopRelay& relay_;
  };

private:
  mutable std::mutex lock_;
  bool stopped_ = false;
  TRunner* current_ = nullptr;
};
