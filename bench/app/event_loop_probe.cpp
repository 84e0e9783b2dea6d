#include "bench/app/event_loop_probe.h"

#include <algorithm>

namespace bench {

TEventLoopProbe::TEventLoopProbe(std::chrono::milliseconds interval) : interval_(interval) {
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(interval_);
  connect(&timer_, &QTimer::timeout, this, [this] { fired(); });
}

void TEventLoopProbe::Start() {
  lateness_.clear();
  longestGap_ = 0;
  last_ = std::chrono::steady_clock::now();
  timer_.start();
}

void TEventLoopProbe::Stop() {
  fired();
  timer_.stop();
}

void TEventLoopProbe::fired() {
  const auto now = std::chrono::steady_clock::now();
  const double gap = std::chrono::duration<double, std::milli>(now - last_).count();
  last_ = now;
  longestGap_ = std::max(longestGap_, gap);
  lateness_.push_back(std::max(0.0, gap - double(interval_.count())));
}

TLatencyFigures TEventLoopProbe::Figures() const {
  TLatencyFigures figures;
  figures.Samples = lateness_.size();
  figures.LongestStallMs = longestGap_;
  if (lateness_.empty()) return figures;
  std::vector<double> sorted = lateness_;
  std::sort(sorted.begin(), sorted.end());
  const auto at = [&](double share) {
    return sorted[std::min(sorted.size() - 1, size_t(share * double(sorted.size())))];
  };
  figures.P50Ms = at(0.50);
  figures.P99Ms = at(0.99);
  return figures;
}

}  // namespace bench
