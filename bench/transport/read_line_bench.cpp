// ReadLine over short lines already in the input buffer: the cost per line
// must not grow with the number of buffered lines (consumed bytes are skipped
// by an offset, and only new bytes are searched). Prints lines per second at
// 10^5 and 10^6 lines, the ratio of their per-line costs (must stay under
// 1.5), and std::getline over the same bytes as the reference.

#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>

#include <fmt/core.h>

#include "net/transport/tcp_connection.h"

namespace {
std::string shortLines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "line " + std::to_string(i) + "\r\n";
  return text;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Lines per second through ReadLine with every line already buffered.
double readLinesPerSecond(const std::string& text, int count) {
  TIdTCPConnection connection;
  connection.PendingInput->Append(text.data(), static_cast<int64_t>(text.size()));
  size_t checksum = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) checksum += connection.ReadLine().size();
  const double seconds = secondsSince(start);
  if (connection.PendingInput->Available() != 0 || checksum == 0) {
    std::fprintf(stderr, "ReadLine did not consume every line\n");
    std::exit(1);
  }
  return count / seconds;
}

double getlinePerSecond(const std::string& text, int count) {
  std::istringstream in(text);
  std::string line;
  size_t checksum = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count && std::getline(in, line); ++i) checksum += line.size();
  const double seconds = secondsSince(start);
  if (checksum == 0) std::exit(1);
  return count / seconds;
}
}  // namespace

int main() {
  fmt::print("ReadLine over short lines already buffered\n");
  double perLineCost[2] = {};
  const int counts[2] = {100000, 1000000};
  for (int i = 0; i < 2; ++i) {
    const std::string text = shortLines(counts[i]);
    const double ours = readLinesPerSecond(text, counts[i]);
    const double reference = getlinePerSecond(text, counts[i]);
    perLineCost[i] = 1.0 / ours;
    fmt::print("  {:8} lines: ReadLine {:12.0f} lines/s, std::getline {:12.0f} lines/s, ratio {:.2f}\n", counts[i], ours,
               reference, ours / reference);
  }
  const double growth = perLineCost[1] / perLineCost[0];
  fmt::print("  per-line cost at 10^6 / at 10^5: {:.2f} (limit 1.5): {}\n", growth, growth < 1.5 ? "ok" : "OVER");
  return growth < 1.5 ? 0 : 1;
}
