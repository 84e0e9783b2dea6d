// Reads a large body from a loopback peer through ReadToStream into a file,
// with RecvBufferSize 1024 (the main window's value) and 32768, and measures
// socat and nc reading the same bytes from the same peer in the same run.
// Prints MB/s (the best of a few rounds, since loopback and page-cache speed
// vary a lot from moment to moment on a shared machine), the ratio to each
// tool and this process's peak resident memory, which must not grow with the
// body size.
//
// Usage: transport_read_stream_bench [MiB] [folder for the output files]

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <fmt/core.h>

#include "bench/rates.h"
#include "net/transport/tcp_client.h"
#include "platform/streams.h"

namespace {

using namespace bench;
constexpr int Rounds = 4;

// Sends the same body to every connection, one connection at a time, then
// closes it: the peer every reader in this run reads from.
class BodySender {
public:
  explicit BodySender(int64_t size) : Size(size) {
    Listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (Listener < 0 || ::bind(Listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(Listener, 4) != 0 || ::getsockname(Listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      std::perror("listen on 127.0.0.1");
      std::exit(1);
    }
    ListenPort = ntohs(address.sin_port);
    Thread = std::thread([this] { Run(); });
  }
  ~BodySender() {
    Stopping = true;
    ::shutdown(Listener, SHUT_RDWR);
    Thread.join();
    ::close(Listener);
  }
  int Port() const { return ListenPort; }

private:
  void Run() {
    std::vector<char> block(256 * 1024);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>('a' + i % 26);
    while (!Stopping) {
      const int connection = ::accept4(Listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (connection < 0) continue;
      for (int64_t sent = 0; sent < Size;) {
        const auto n = ::send(connection, block.data(),
                              static_cast<size_t>(std::min<int64_t>(Size - sent, block.size())), MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += n;
      }
      ::close(connection);
    }
  }

  int64_t Size;
  int Listener = -1;
  int ListenPort = 0;
  std::atomic<bool> Stopping{false};
  std::thread Thread;
};

// ReadToStream of a counted body into a file; returns MB/s.
double readWithClient(int port, int64_t size, int32_t recvBufferSize, const std::string& file) {
  TIdTCPClient client;
  client.SetHost("127.0.0.1");
  client.SetPort(port);
  client.RecvBufferSize = recvBufferSize;
  const auto start = bench::Clock::now();
  client.OpenConnection();
  {
    TFileStream stream(file, fmCreate);
    client.ReadToStream(stream, size);
    if (stream.GetSize() != size) {
      fmt::print(stderr, "short read: {} of {} bytes\n", stream.GetSize(), size);
      std::exit(1);
    }
  }
  client.CloseConnection();
  return megabytesPerSecond(size, secondsSince(start));
}

// Runs a reference tool through the shell and checks the file it wrote.
double readWithTool(const std::string& command, int64_t size, const std::string& file) {
  const auto start = bench::Clock::now();
  const int status = std::system(command.c_str());
  const double seconds = secondsSince(start);
  FILE* written = std::fopen(file.c_str(), "rb");
  int64_t writtenSize = -1;
  if (written) {
    std::fseek(written, 0, SEEK_END);
    writtenSize = std::ftell(written);
    std::fclose(written);
  }
  if (status != 0 || writtenSize != size) {
    fmt::print(stderr, "reference failed: {} (status {}, {} bytes)\n", command, status, writtenSize);
    std::exit(1);
  }
  return megabytesPerSecond(size, seconds);
}

// One timed read: removes the previous output first, outside the timing.
template <class Reader>
double timedRead(const std::string& file, Reader read) {
  std::remove(file.c_str());
  return read();
}

long peakResidentKiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}
}  // namespace

int main(int argc, char** argv) {
  const int64_t size = (argc > 1 ? std::atoll(argv[1]) : 512) * MiB;
  const std::string folder = argc > 2 ? argv[2] : "/tmp";
  const std::string file = folder + "/transport-read-stream-bench.bin";
  BodySender sender(size);

  const std::string socatCommand = fmt::format("socat -u TCP:127.0.0.1:{} OPEN:{},creat,trunc", sender.Port(), file);
  const std::string ncCommand = fmt::format("nc -d 127.0.0.1 {} > {}", sender.Port(), file);
  // The readers take turns and each round starts with another one, so a busy
  // moment of the machine hits every side alike; each keeps its best round.
  const int32_t sizes[2] = {1024, 32768};
  double socat = 0, nc = 0, ours[2] = {0, 0};
  for (int round = 0; round < Rounds; ++round) {
    for (int turn = 0; turn < 4; ++turn) {
      switch ((round + turn) % 4) {
        case 0: socat = std::max(socat, timedRead(file, [&] { return readWithTool(socatCommand, size, file); })); break;
        case 1: nc = std::max(nc, timedRead(file, [&] { return readWithTool(ncCommand, size, file); })); break;
        default: {
          const int which = (round + turn) % 4 - 2;
          ours[which] = std::max(
              ours[which], timedRead(file, [&] { return readWithClient(sender.Port(), size, sizes[which], file); }));
        }
      }
    }
  }
  std::remove(file.c_str());
  fmt::print("read {} MiB from a loopback peer into a file, best of {} rounds\n", size / MiB, Rounds);
  fmt::print("  socat                          {:8.1f} MB/s\n", socat);
  fmt::print("  nc                             {:8.1f} MB/s\n", nc);
  for (int which = 0; which < 2; ++which)
    fmt::print("  ReadToStream RecvBufferSize {:5} {:8.1f} MB/s  ratio to socat {:.2f}, to nc {:.2f}\n", sizes[which],
               ours[which], ours[which] / socat, ours[which] / nc);
  const long peak = peakResidentKiB();
  fmt::print("  peak resident memory {:.1f} MiB (limit 32 MiB): {}\n", peak / 1024.0, peak < 32 * 1024 ? "ok" : "OVER");
  return peak < 32 * 1024 ? 0 : 1;
}
