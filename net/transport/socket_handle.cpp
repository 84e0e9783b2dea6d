#include "net/transport/socket_handle.h"

#include <algorithm>

#include <fmt/core.h>

#include "net/transport/anti_freeze.h"
#include "net/transport/exceptions.h"
#include "net/transport/messages.h"
#include "net/transport/socket_stop.h"

namespace msg = transport_messages;

namespace {
constexpr int32_t WSAEINTR = 10004;
constexpr int32_t WSAENOTSOCK = 10038;
constexpr int32_t WSAEADDRINUSE = 10048;
constexpr int32_t ShutdownSending = 1;
}  // namespace

TIdSocketHandle::TIdSocketHandle(int32_t defaultPort) {
  ClearBinding(true);
  Port = defaultPort;
}

TIdSocketHandle::~TIdSocketHandle() { ShutSocket(); }

void TIdSocketHandle::Assign(const TIdSocketHandle& source) {
  IP = source.IP;
  Port = source.Port;
  RemoteIP = source.RemoteIP;
  RemotePort = source.RemotePort;
}

void TIdSocketHandle::OpenSocket(int socketType, int protocol) {
  ShutSocket();
  SocketId = SharedStack->NewSocket(socketType, protocol);
  IsOpen = true;
}

// Marked closed before the calls, whose results do not matter: a reader
// waiting on this handle then sees a graceful close. The number is forgotten
// too: the system hands it to the next file or socket opened, and nothing may
// reach that through this handle.
void TIdSocketHandle::ShutSocket(bool /*resetLocal*/) {
  if (!IsOpen) return;
  IsOpen = false;
  const TIdStackSocketHandle closing = SocketId;
  SocketId = Id_INVALID_SOCKET;
  SharedStack->SocketShutdown(closing, ShutdownSending);
  TSocketStop::Closing(closing);
  SharedStack->SocketClose(closing);
}

int32_t TIdSocketHandle::ConnectPeer(int family) {
  const int32_t result = SharedStack->SocketConnect(SocketId, family, RemoteIP, RemotePort);
  if (result != Id_SOCKET_ERROR) {
    RefreshLocal();
    RefreshRemote();
  }
  return result;
}

int32_t TIdSocketHandle::RecvFrom(void* buffer, int32_t length, int32_t flags, std::string& ip, int32_t& port) {
  return SharedStack->SocketRecvFrom(SocketId, buffer, length, flags, ip, port);
}

void TIdSocketHandle::BindLocal() {
  if (Port != 0 || ClientPortMin == 0 || ClientPortMax == 0) {
    if (!TryBindLocal()) throw EIdCouldNotBindSocket(msg::CouldNotBindSocket);
    return;
  }
  if (ClientPortMax < ClientPortMin)
    throw EIdInvalidPortRange(fmt::format(msg::InvalidPortRange, ClientPortMin, ClientPortMax));
  if (!BindInRange())
    throw EIdCanNotBindPortInRange(fmt::format(msg::CanNotBindPortInRange, ClientPortMin, ClientPortMax));
}

bool TIdSocketHandle::TryBindLocal() {
  if (SharedStack->CheckSocketResult(SharedStack->SocketBind(SocketId, Id_PF_INET, IP, Port), {WSAEADDRINUSE}))
    return false;
  RefreshLocal();
  return true;
}

bool TIdSocketHandle::BindInRange() {
  if (ClientPortMax < ClientPortMin) return false;
  for (int32_t port = ClientPortMax; port >= ClientPortMin; --port) {
    Port = port;
    if (TryBindLocal()) return true;
  }
  return false;
}

void TIdSocketHandle::SetRemote(const std::string& address, int32_t port) {
  RemoteIP = address;
  RemotePort = port;
}

void TIdSocketHandle::RefreshLocal() {
  const TIdSocketAddress local = SharedStack->LocalAddressOf(SocketId);
  IP = local.IP;
  Port = local.Port;
}

void TIdSocketHandle::RefreshRemote() {
  const TIdSocketAddress peer = SharedStack->PeerAddressOf(SocketId);
  RemoteIP = peer.IP;
  RemotePort = peer.Port;
}

void TIdSocketHandle::ClearBinding(bool resetLocal) {
  IsOpen = false;
  SocketId = Id_INVALID_SOCKET;
  if (resetLocal) {
    IP.clear();
    Port = 0;
  }
  RemoteIP.clear();
  RemotePort = 0;
}

bool TIdSocketHandle::AcceptFrom(TIdStackSocketHandle listeningSocket) {
  ShutSocket();
  ClearBinding(true);
  const TIdStackSocketHandle accepted = SharedStack->SocketAccept(listeningSocket, IP, Port);
  if (SharedStack->CheckSocketResult(accepted, {WSAEINTR, WSAENOTSOCK})) return false;
  SocketId = accepted;
  IsOpen = true;
  RefreshLocal();
  RefreshRemote();
  return true;
}

// With an anti-freeze in use the wait is cut into slices of IdleTimeOut, and
// the anti-freeze runs after each; a loop, so that a long wait costs no stack.
bool TIdSocketHandle::WaitReadable(int32_t timeout) {
  if (!IsOpen) throw EIdConnClosedGracefully(msg::ConnectionClosedGracefully);
  for (;;) {
    const TIdAntiFreezeBase* antiFreeze = IsAntiFreezeInUse() ? TIdAntiFreezeBase::Instance() : nullptr;
    const int32_t slice = antiFreeze ? std::max(antiFreeze->IdleTimeOut, 1) : timeout;
    const bool lastSlice = !antiFreeze || (timeout != TimeoutForever && timeout <= slice);
    TIdSocketListWindows readList;
    readList.Add(SocketId);
    const bool readable = SharedStack->SocketSelect(&readList, nullptr, lastSlice ? timeout : slice, nullptr) == 1;
    RunAntiFreeze(!readable);
    // The anti-freeze step may have closed this handle: nothing more to wait
    // for, and the reader finds out from the handle.
    if (readable || lastSlice || !IsOpen) return readable;
    if (timeout != TimeoutForever) timeout -= slice;
  }
}

int32_t TIdSocketHandle::Receive(void* buffer, int32_t length, int32_t flags) {
  return SharedStack->SocketRecv(SocketId, buffer, length, flags);
}

int32_t TIdSocketHandle::Send(const void* buffer, int32_t length, int32_t flags) {
  return SharedStack->SocketSend(SocketId, buffer, length, flags);
}

void TIdSocketHandle::ApplySocketOption(int32_t level, int32_t option, const void* value, int32_t length) {
  SharedStack->CheckSocketResult(SharedStack->SocketSetOption(SocketId, level, option, value, length));
}
