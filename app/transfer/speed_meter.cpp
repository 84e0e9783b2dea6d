#include "app/transfer/speed_meter.h"

namespace {
constexpr auto Window = std::chrono::seconds(5);
constexpr auto SampleInterval = std::chrono::milliseconds(100);
constexpr auto ShortestSpan = std::chrono::milliseconds(500);
}  // namespace

void TSpeedMeter::Add(int64_t bytes, TClock::time_point now) {
  // A count below the last one is a transfer started again.
  if (!samples_.empty() && bytes < samples_.back().Bytes) samples_.clear();
  // Counts come with every chunk: one sample per interval is enough.
  if (samples_.size() > 1 && now - samples_[samples_.size() - 2].Time < SampleInterval) samples_.back() = {now, bytes};
  else samples_.push_back({now, bytes});
  while (samples_.size() > 2 && now - samples_[1].Time > Window) samples_.pop_front();
}

std::optional<double> TSpeedMeter::BytesPerSecond() const {
  if (samples_.size() < 2) return std::nullopt;
  const auto span = samples_.back().Time - samples_.front().Time;
  if (span < ShortestSpan) return std::nullopt;
  return double(samples_.back().Bytes - samples_.front().Bytes) / std::chrono::duration<double>(span).count();
}
