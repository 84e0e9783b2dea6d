// Downloads one large file over https from nginx on loopback into a file
// with GetIntoStream (RecvBufferSize 32768, the server verified against the
// test CA), and has curl --cacert download the same file in the same run.
// Prints MB/s (the best of a few alternating rounds: loopback speed varies
// from moment to moment on a shared machine) and the ratio to curl.
//
// Usage: tls_https_download_bench [MiB] [folder for the downloaded files]

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <fmt/core.h>

#include "bench/download_timing.h"
#include "net/http/http_client.h"
#include "net/transport/tls/ssl_io_handler.h"
#include "tests/servers/nginx_server.h"
#include "tests/servers/tls_certificates.h"

namespace {
using namespace bench;
constexpr int Rounds = 3;
constexpr int32_t RecvBufferSize = 32768;

double ours(const std::string& url, const std::string& output, int64_t size, const TlsCertificates& certs) {
  TIdSSLIOHandlerSocket tls;
  tls.SSLOptions().RootCertFile = certs.CaFile();
  TIdHTTP http;
  http.SetIOHandler(&tls);
  http.RecvBufferSize = RecvBufferSize;
  return timeGetIntoStream(http, url, output, size);
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

  // The two alternate, so that both meet the same state of the page cache
  // and of the disk's write-back.
  double curlSeconds = 1e300;
  double oursSeconds = 1e300;
  for (int round = 0; round < Rounds; ++round) {
    curlSeconds = std::min(curlSeconds, timeCurl({"--cacert", certs.CaFile()}, url, output, size));
    std::filesystem::remove(output);
    oursSeconds = std::min(oursSeconds, ours(url, output, size, certs));
    std::filesystem::remove(output);
  }

  fmt::print("https download of {} MiB from nginx on loopback into a file (best of {}):\n", size / MiB, Rounds);
  fmt::print("  curl --cacert                 {:8.1f} MB/s\n", megabytesPerSecond(size, curlSeconds));
  fmt::print("  GetIntoStream, 32768 bytes    {:8.1f} MB/s   ratio to curl {:.2f}\n",
             megabytesPerSecond(size, oursSeconds), curlSeconds / oursSeconds);
}
