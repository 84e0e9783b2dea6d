#include "tests/servers/full_accept_queue.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <string>

#include "tests/servers/peer_error.h"

namespace {
constexpr int MaxFillers = 8;
constexpr int ProbeWaitMs = 300;

enum class ConnectOutcome { Connected, StillWaiting, Failed };

ConnectOutcome connectWithin(UniqueFd& socket, int port, int waitMs) {
  socket.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(socket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
    return ConnectOutcome::Connected;
  if (errno != EINPROGRESS) return ConnectOutcome::Failed;
  pollfd entry{socket.Get(), POLLOUT, 0};
  if (::poll(&entry, 1, waitMs) != 1) return ConnectOutcome::StillWaiting;
  int error = 0;
  socklen_t length = sizeof error;
  ::getsockopt(socket.Get(), SOL_SOCKET, SO_ERROR, &error, &length);
  return error == 0 ? ConnectOutcome::Connected : ConnectOutcome::Failed;
}
}  // namespace

// Backlog 0: the kernel queues about one connection and then drops further
// SYNs, so the next connect retransmits and waits.
FullAcceptQueue::FullAcceptQueue() : Listener(0) {
  for (int i = 0; i < MaxFillers; ++i) {
    UniqueFd socket;
    switch (connectWithin(socket, Listener.Port(), ProbeWaitMs)) {
      case ConnectOutcome::StillWaiting: return;
      case ConnectOutcome::Connected: Fillers.push_back(std::move(socket)); break;
      case ConnectOutcome::Failed: throw PeerError("a connect to the full accept queue failed instead of waiting");
    }
  }
  throw PeerError("a listener with a full accept queue still completed " + std::to_string(MaxFillers) +
                  " connects: connect time-outs cannot be simulated this way on this kernel");
}
