#pragma once
// A cap on the bytes a second that all of a job's transfers take together:
// one token bucket that every connection of the job draws from, so that N
// connections share the rate instead of each taking it. A connection that
// has taken more than its share waits, and the server's sending stalls with
// its reads.

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>

namespace transfer {

class TRateLimit {
public:
  using TClock = std::chrono::steady_clock;
  // How a waiting connection sleeps; tests replace it and the clock.
  using TSleep = std::function<void(std::chrono::nanoseconds)>;

  explicit TRateLimit(int64_t bytesPerSecond, std::function<TClock::time_point()> clock = TClock::now,
                      TSleep sleep = {});

  int64_t BytesPerSecond() const { return rate_; }
  // count bytes were read: returns once they fit the rate, waiting in short
  // slices between which stopped is asked and tick run; false when stopped.
  bool Take(int64_t count, const std::function<bool()>& stopped = {}, const std::function<void()>& tick = {});

private:
  const int64_t rate_;
  const std::function<TClock::time_point()> clock_;
  const TSleep sleep_;
  std::mutex lock_;
  // Bytes that may still be read now; below 0, a debt the next reads wait for.
  double tokens_;
  TClock::time_point refilled_;
};

}  // namespace transfer
