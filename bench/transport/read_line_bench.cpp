// ReadLine over short lines already in the input buffer: the cost per line
// must not grow with the number of buffered lines (consumed bytes are skipped
// by an offset, and only new bytes are searched). Prints lines per second at
// 10^5 and 10^6 lines, the ratio of their per-line costs (must stay under
// 1.5), and std::getline over the same bytes as the reference.
//
// The input is read in blocks of 10^4 lines and the cost per line is the
// median block's: other load on a shared machine only hits some blocks, while
// a cost that grows with the input (moving or searching the whole buffer)
// would hit every block.

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <fmt/core.h>

#include "bench/rates.h"
#include "net/transport/tcp_connection.h"

namespace {
constexpr int BlockLines = 10000;

std::string shortLines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "line " + std::to_string(i) + "\r\n";
  return text;
}

// Lines per second of the median block; readLine returns the line's length.
template <class ReadLine>
double linesPerSecond(int count, ReadLine readLine) {
  std::vector<double> blockSeconds;
  size_t checksum = 0;
  for (int done = 0; done < count; done += BlockLines) {
    const auto start = bench::Clock::now();
    for (int i = 0; i < BlockLines; ++i) checksum += readLine();
    blockSeconds.push_back(bench::secondsSince(start));
  }
  if (checksum == 0) std::exit(1);
  std::nth_element(blockSeconds.begin(), blockSeconds.begin() + blockSeconds.size() / 2, blockSeconds.end());
  return BlockLines / blockSeconds[blockSeconds.size() / 2];
}

double readLinePerSecond(const std::string& text, int count) {
  TIdTCPConnection connection;
  connection.PendingInput->Append(text.data(), static_cast<int64_t>(text.size()));
  const double result = linesPerSecond(count, [&] { return connection.ReadLine().size(); });
  if (connection.PendingInput->Available() != 0) {
    std::fprintf(stderr, "ReadLine did not consume every line\n");
    std::exit(1);
  }
  return result;
}

double getlinePerSecond(const std::string& text, int count) {
  std::istringstream in(text);
  std::string line;
  return linesPerSecond(count, [&] {
    std::getline(in, line);
    return line.size();
  });
}
}  // namespace

int main() {
  fmt::print("ReadLine over short lines already buffered (median of blocks of {} lines)\n", BlockLines);
  const int counts[2] = {100000, 1000000};
  double perLineCost[2] = {};
  for (int i = 0; i < 2; ++i) {
    const std::string text = shortLines(counts[i]);
    const double ours = readLinePerSecond(text, counts[i]);
    const double reference = getlinePerSecond(text, counts[i]);
    perLineCost[i] = 1.0 / ours;
    fmt::print("  {:8} lines: ReadLine {:12.0f} lines/s, std::getline {:12.0f} lines/s, ratio {:.2f}\n", counts[i],
               ours, reference, ours / reference);
  }
  const double growth = perLineCost[1] / perLineCost[0];
  fmt::print("  per-line cost at 10^6 / at 10^5: {:.2f} (limit 1.5): {}\n", growth, growth < 1.5 ? "ok" : "OVER");
  return growth < 1.5 ? 0 : 1;
}
