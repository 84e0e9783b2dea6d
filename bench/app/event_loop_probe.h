// How promptly the window's event loop answers while it works: a precise
// timer asks to fire every few milliseconds and each firing records how late
// it came. The longest gap between firings is the worst stall a user saw.
#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <vector>

namespace bench {

struct TLatencyFigures {
  double P50Ms = 0;
  double P99Ms = 0;
  // The longest time the loop answered nothing.
  double LongestStallMs = 0;
  size_t Samples = 0;
};

class TEventLoopProbe : public QObject {
public:
  explicit TEventLoopProbe(std::chrono::milliseconds interval = std::chrono::milliseconds(10));

  void Start();
  void Stop();
  TLatencyFigures Figures() const;

private:
  void fired();

  const std::chrono::milliseconds interval_;
  QTimer timer_;
  std::chrono::steady_clock::time_point last_;
  // Milliseconds late, one per firing.
  std::vector<double> lateness_;
  double longestGap_ = 0;
};

}  // namespace bench
