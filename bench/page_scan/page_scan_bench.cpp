// The declared-video scan of a page whose <video> holds N sources, N doubling
// from 20,000 to 160,000 (the largest about 4 MB). A scan that grows with the
// page takes twice as long for twice the sources; the ratio of each doubling
// is the figure to read.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fmt/core.h>

#include "app/declared_video.h"
#include "bench/rates.h"

namespace {

std::string pageWithSources(int sources) {
  std::string page = "<html><head><title>Many sources</title></head><body><video controls>\n";
  for (int i = 0; i < sources; ++i) page += fmt::format("<source src=/v/{}.mp4>\n", i);
  return page + "</video></body></html>\n";
}

// The best of a few scans, in seconds.
double bestScanSeconds(const std::string& page, int sources, int repeats) {
  double best = 1e30;
  for (int run = 0; run < repeats; ++run) {
    const auto start = bench::Clock::now();
    const TPageDeclarations found = ScanPageDeclarations(page, "https://pages.example/watch.html");
    const double took = bench::secondsSince(start);
    if (int(found.Videos.size()) != sources) {
      std::fprintf(stderr, "page_scan_bench: %zu addresses found of %d\n", found.Videos.size(), sources);
      std::exit(1);
    }
    best = std::min(best, took);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::atoi(argv[1]) : 3;
  fmt::print("declared-video scan, one <video> with N <source> tags, best of {}\n", repeats);
  fmt::print("  {:>8}  {:>10}  {:>10}  {:>22}\n", "sources", "page bytes", "time ms", "ratio to half as many");
  double previous = 0;
  for (const int sources : {20000, 40000, 80000, 160000}) {
    const std::string page = pageWithSources(sources);
    const double seconds = bestScanSeconds(page, sources, repeats);
    const std::string ratio = previous > 0 ? fmt::format("{:.2f}", seconds / previous) : "-";
    fmt::print("  {:>8}  {:>10}  {:>10.1f}  {:>22}\n", sources, page.size(), seconds * 1000, ratio);
    previous = seconds;
  }
  fmt::print("  (a linear scan doubles its time with the sources: ratios near 2, not 4)\n");
}
