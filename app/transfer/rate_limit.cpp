#include "app/transfer/rate_limit.h"

#include <algorithm>
#include <thread>

namespace transfer {

namespace {
// Waits are cut into slices this long, so that Stop is never kept waiting.
constexpr auto Slice = std::chrono::milliseconds(50);
}  // namespace

TRateLimit::TRateLimit(int64_t bytesPerSecond, std::function<TClock::time_point()> clock, TSleep sleep)
    : rate_(std::max<int64_t>(bytesPerSecond, 1)),
      clock_(std::move(clock)),
      sleep_(sleep ? std::move(sleep)
                   : TSleep([](std::chrono::nanoseconds time) { std::this_thread::sleep_for(time); })),
      // A burst of a tenth of a second at most, so the rate holds from the
      // start.
      tokens_(double(rate_) / 10),
      refilled_(clock_()) {}

bool TRateLimit::Take(int64_t count, const std::function<bool()>& stopped, const std::function<void()>& tick) {
  std::chrono::nanoseconds wait{};
  {
    const std::lock_guard guard(lock_);
    const TClock::time_point now = clock_();
    const double burst = double(rate_) / 10;
    tokens_ = std::min(burst, tokens_ + std::chrono::duration<double>(now - refilled_).count() * double(rate_));
    refilled_ = now;
    // The bytes are read already: they are owed, and this reader waits until
    // the bucket has paid for them.
    tokens_ -= double(count);
    if (tokens_ < 0)
      wait = std::chrono::round<std::chrono::nanoseconds>(std::chrono::duration<double>(-tokens_ / double(rate_)));
  }
  const TClock::time_point until = clock_() + wait;
  for (TClock::time_point now = clock_(); now < until; now = clock_()) {
    if (stopped && stopped()) return false;
    sleep_(std::min<std::chrono::nanoseconds>(until - now, Slice));
    if (tick) tick();
  }
  return !(stopped && stopped());
}

}  // namespace transfer
