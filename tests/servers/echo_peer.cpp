#include "tests/servers/echo_peer.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <string>

EchoPeer::EchoPeer() : Thread([this] { Run(); }) {}

EchoPeer::~EchoPeer() {
  Stop.Raise();
  Thread.join();
}

void EchoPeer::Echo(int connection) {
  char block[65536];
  while (WaitReady(connection, POLLIN, Stop)) {
    const ssize_t n = ::recv(connection, block, sizeof block, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0 || !SendAll(connection, std::string(block, static_cast<size_t>(n)), Stop)) return;
  }
}

void EchoPeer::Run() {
  while (WaitReady(Listener.Fd(), POLLIN, Stop)) {
    UniqueFd connection(::accept4(Listener.Fd(), nullptr, nullptr, SOCK_CLOEXEC));
    if (connection) Echo(connection.Get());
  }
}
