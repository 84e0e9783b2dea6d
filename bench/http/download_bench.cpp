// Downloads one large file from nginx on loopback into a file with
// GetIntoStream, with RecvBufferSize 1024 (the main window's value) and 32768
// (the class default), and has curl -o download the same file in the same
// run. Prints MB/s (the best of a few rounds: loopback and disk speed vary
// from moment to moment on a shared machine), the ratio to curl, the cost of
// one receive at 1024 bytes, and this process's peak resident memory, which
// must not grow with the file size.
//
// Usage: http_download_bench [MiB] [folder for the downloaded files]

#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <fmt/core.h>

#include "bench/download_timing.h"
#include "net/http/http_client.h"
#include "tests/servers/nginx_server.h"

namespace {
using namespace bench;
constexpr int Rounds = 5;

double ours(const std::string& url, const std::string& output, int64_t size, int32_t recvBufferSize) {
  TIdHTTP http;
  http.RecvBufferSize = recvBufferSize;
  return timeGetIntoStream(http, url, output, size);
}
}  // namespace

int main(int argc, char** argv) {
  const int64_t size = (argc > 1 ? std::atoll(argv[1]) : 512) * MiB;
  const std::string folder = argc > 2 ? argv[2] : std::filesystem::temp_directory_path().string();
  NginxServer nginx;
  writeDocument(nginx.DocumentRoot() + "/video.flv", size);
  const std::string url = nginx.Url("/video.flv");
  const std::string output = folder + "/download.flv";

  // The downloads take turns and each round starts with another one, so a
  // busy moment of the machine hits every side alike. Each download writes a
  // new file: dropping the previous one (and its page cache) is not timed.
  double curlSeconds = 1e300, large = 1e300, small = 1e300;
  for (int round = 0; round < Rounds; ++round) {
    for (int turn = 0; turn < 3; ++turn) {
      std::filesystem::remove(output);
      switch ((round + turn) % 3) {
        case 0: curlSeconds = std::min(curlSeconds, timeCurl({}, url, output, size)); break;
        case 1: large = std::min(large, ours(url, output, size, 32768)); break;
        default: small = std::min(small, ours(url, output, size, 1024)); break;
      }
    }
  }
  std::filesystem::remove(output);

  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  fmt::print("HTTP download of {} MiB from nginx on loopback into a file (best of {}):\n", size / MiB, Rounds);
  fmt::print("  curl -o                       {:8.1f} MB/s\n", megabytesPerSecond(size, curlSeconds));
  fmt::print("  GetIntoStream, 32768 bytes    {:8.1f} MB/s   ratio to curl {:.2f}\n", megabytesPerSecond(size, large),
             curlSeconds / large);
  fmt::print("  GetIntoStream, 1024 bytes     {:8.1f} MB/s   ratio to curl {:.2f}   {:.2f} us per receive\n",
             megabytesPerSecond(size, small), curlSeconds / small, small * 1e6 / (static_cast<double>(size) / 1024));
  fmt::print("  peak resident memory          {:8.1f} MiB\n", static_cast<double>(usage.ru_maxrss) / 1024);
}
