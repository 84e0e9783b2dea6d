// How fast a transfer goes now: the bytes of the last few seconds over their
// time, so that a stall or a burst shows within seconds rather than being
// averaged away over the whole transfer.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>

class TSpeedMeter {
public:
  using TClock = std::chrono::steady_clock;

  // A new transfer, or one continued from another offset: counts before it
  // say nothing of its speed.
  void Restart() { samples_.clear(); }
  // The transfer's count so far, at now.
  void Add(int64_t bytes, TClock::time_point now = TClock::now());
  // None until the samples span long enough to mean something.
  std::optional<double> BytesPerSecond() const;

private:
  struct Sample {
    TClock::time_point Time;
    int64_t Bytes;
  };
  std::deque<Sample> samples_;
};
