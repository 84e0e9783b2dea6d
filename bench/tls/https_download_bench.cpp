// Downloads one large file over https from nginx on loopback into a file
// with GetIntoStream (RecvBufferSize 32768, the server verified against the
// test CA), and has curl --cacert download the same file in the same run.
// Prints MB/s (the best of a few alternating rounds: loopback speed varies
// from moment to moment on a shared machine) and the ratio to curl.
//
// Usage: tls_https_download_bench [MiB] [folder for the downloaded files]

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fmt/core.h>

#include "net/http/http_client.h"
#include "net/transport/tls/ssl_io_handler.h"
#include "platform/streams.h"
#include "tests/servers/nginx_server.h"
#include "tests/servers/tls_certificates.h"

namespace {
constexpr int64_t MiB = 1024 * 1024;
constexpr int Rounds = 3;
constexpr int32_t RecvBufferSize = 32768;
using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

[[noreturn]] void fail(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  std::exit(1);
}

void writeDocument(const std::string& path, int64_t size) {
  std::vector<char> block(MiB);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7 % 251);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (int64_t written = 0; written < size; written += MiB) out.write(block.data(), MiB);
  if (!out) fail("cannot write " + path);
}

void checkSize(const std::string& path, int64_t size, const char* who) {
  if (static_cast<int64_t>(std::filesystem::file_size(path)) != size)
    fail(std::string(who) + " downloaded " + path + " with the wrong size");
}

// Seconds of one GetIntoStream download.
double ours(const std::string& url, const std::string& output, int64_t size, const TlsCertificates& certs) {
  TIdSSLIOHandlerSocket tls;
  tls.SSLOptions().RootCertFile = certs.CaFile();
  TIdHTTP http;
  http.SetIOHandler(&tls);
  http.RecvBufferSize = RecvBufferSize;
  const auto start = Clock::now();
  {
    TFileStream file(output, fmCreate);
    http.GetIntoStream(url, file);
  }
  const double elapsed = seconds(start);
  checkSize(output, size, "GetIntoStream");
  return elapsed;
}

// Seconds of one curl download.
double curl(const std::string& url, const std::string& output, int64_t size, const TlsCertificates& certs) {
  const auto start = Clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execlp("curl", "curl", "-s", "--cacert", certs.CaFile().c_str(), "-o", output.c_str(), url.c_str(),
             static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) fail("curl failed");
  const double elapsed = seconds(start);
  checkSize(output, size, "curl");
  return elapsed;
}
}  // namespace

int main(int argc, char** argv) {
  const int64_t size = (argc > 1 ? std::atoll(argv[1]) : 512) * MiB;
  const std::string folder = argc > 2 ? argv[2] : std::filesystem::temp_directory_path().string();
  const TlsCertificates& certs = TlsCertificates::Shared();
  NginxSite site;
  site.ExtraPorts = 1;
  site.ExtraServers = certs.NginxTlsServer(certs.ServerCertFile());
  NginxServer nginx(site);
  writeDocument(nginx.DocumentRoot() + "/video.flv", size);
  const std::string url = fmt::format("https://localhost:{}/video.flv", nginx.ExtraPort(1));
  const std::string output = folder + "/download.flv";

  const double mb = static_cast<double>(size) / 1e6;
  // The two alternate, so that both meet the same state of the page cache
  // and of the disk's write-back.
  double curlSeconds = 1e300;
  double oursSeconds = 1e300;
  for (int round = 0; round < Rounds; ++round) {
    curlSeconds = std::min(curlSeconds, curl(url, output, size, certs));
    std::filesystem::remove(output);
    oursSeconds = std::min(oursSeconds, ours(url, output, size, certs));
    std::filesystem::remove(output);
  }

  fmt::print("https download of {} MiB from nginx on loopback into a file (best of {}):\n", size / MiB, Rounds);
  fmt::print("  curl --cacert                 {:8.1f} MB/s\n", mb / curlSeconds);
  fmt::print("  GetIntoStream, 32768 bytes    {:8.1f} MB/s   ratio to curl {:.2f}\n", mb / oursSeconds,
             curlSeconds / oursSeconds);
}
