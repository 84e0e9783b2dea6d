#include "tests/servers/loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tests/servers/peer_error.h"

namespace {
sockaddr_in loopbackAddress(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

[[noreturn]] void fail(const std::string& what) { throw PeerError(what + ": " + std::strerror(errno)); }
}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  Reset(other.Release());
  return *this;
}

int UniqueFd::Release() {
  const int fd = Fd;
  Fd = -1;
  return fd;
}

void UniqueFd::Reset(int fd) {
  if (Fd >= 0) ::close(Fd);
  Fd = fd;
}

namespace {
// A TCP socket bound to a port of 127.0.0.1 that the kernel chose.
UniqueFd boundLoopbackSocket(int& port) {
  UniqueFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket) fail("socket");
  const int on = 1;
  ::setsockopt(socket.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address = loopbackAddress(0);
  if (::bind(socket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) fail("bind 127.0.0.1");
  socklen_t length = sizeof address;
  ::getsockname(socket.Get(), reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return socket;
}
}  // namespace

LoopbackListener::LoopbackListener(int backlog) : Socket(boundLoopbackSocket(ListenPort)) {
  if (::listen(Socket.Get(), backlog) != 0) fail("listen");
}

RefusingPort::RefusingPort() : Socket(boundLoopbackSocket(BoundPort)) {}

int FreeLoopbackPort() {
  LoopbackListener probe;
  return probe.Port();
}

UniqueFd ConnectToLoopback(int port) {
  UniqueFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket) fail("socket");
  sockaddr_in address = loopbackAddress(port);
  if (::connect(socket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return {};
  return socket;
}

bool AcceptsConnections(int port) { return static_cast<bool>(ConnectToLoopback(port)); }

StopSignal::StopSignal() : Event(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (!Event) fail("eventfd");
}

void StopSignal::Raise() {
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(Event.Get(), &one, sizeof one);
}

bool StopSignal::Raised() const {
  pollfd entry{Event.Get(), POLLIN, 0};
  return ::poll(&entry, 1, 0) == 1;
}

bool WaitReady(int fd, short events, const StopSignal& stop) {
  pollfd entries[2] = {{fd, events, 0}, {stop.Fd(), POLLIN, 0}};
  for (;;) {
    const int ready = ::poll(entries, 2, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || entries[1].revents != 0) return false;
    if (entries[0].revents != 0) return true;
  }
}

bool SendAll(int fd, const std::string& bytes, const StopSignal& stop) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    if (!WaitReady(fd, POLLOUT, stop)) return false;
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}
