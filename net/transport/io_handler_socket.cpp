#include "net/transport/io_handler_socket.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <optional>
#include <typeinfo>

#include <fmt/core.h>

#include "net/transport/anti_freeze.h"
#include "net/transport/connect_thread.h"
#include "net/transport/exceptions.h"
#include "net/transport/messages.h"
#include "platform/sockets.h"

namespace {
constexpr int32_t ConnectPollStep = 125;
// An anti-freeze keeps the user interface alive during a connect only if the
// connect runs on a second thread; without a time-out it gets this one.
constexpr int32_t AntiFreezeConnectTimeout = 120000;
constexpr int32_t TcpLevel = 6;
constexpr int32_t TcpNoDelay = 1;
}  // namespace

TIdIOHandlerSocket::~TIdIOHandlerSocket() {
  CloseHandler();
  ForgetForeignSocksInfo();
}

void TIdIOHandlerSocket::OpenHandler() {
  if (!SocketBinding) {
    SocketBinding = std::make_unique<TIdSocketHandle>();
    return;
  }
  // A socket still open would otherwise stay open, unreachable.
  SocketBinding->ShutSocket();
  SocketBinding->ClearBinding(true);
}

void TIdIOHandlerSocket::CloseHandler() {
  if (SocketBinding) SocketBinding->ShutSocket();
}

bool TIdIOHandlerSocket::HandlerConnected() { return SocketBinding && SocketBinding->IsOpen; }

bool TIdIOHandlerSocket::WaitReadable(int32_t timeout) {
  if (!SocketBinding) throw EIdClosedSocket(transport_messages::ClosedSocket);
  return SocketBinding->WaitReadable(timeout);
}

void TIdIOHandlerSocket::CheckLength(int32_t length) {
  if (length < 0) throw EIdInvalidSize(fmt::format(transport_messages::NegativeLength, length));
  if (!HandlerConnected()) throw EIdClosedSocket(transport_messages::ClosedSocket);
}

int32_t TIdIOHandlerSocket::ReceiveSome(void* buffer, int32_t length) {
  CheckLength(length);
  return SocketBinding->Receive(buffer, length, 0);
}

bool TIdIOHandlerSocket::ReceiveArrived(void* buffer, int32_t length, int32_t& received) {
  // A transport derived from this one may read through a layer of its own
  // (TLS): bytes taken from the socket underneath would bypass it.
  if (typeid(*this) != typeid(TIdIOHandlerSocket)) return false;
  CheckLength(length);
  received = SocketBinding->Receive(buffer, length, sockets::RECEIVE_NO_WAIT);
  return received != Id_SOCKET_ERROR || SharedStack->FetchLastErrorCode() != sockets::WSAEWOULDBLOCK;
}

int32_t TIdIOHandlerSocket::SendSome(const void* buffer, int32_t length) {
  CheckLength(length);
  return SocketBinding->Send(buffer, length, 0);
}

// --- SOCKS settings --------------------------------------------------------------

TIdSocksInfo* TIdIOHandlerSocket::SocksInfo() {
  if (!FSocksInfo) {
    if (!PrivateSocksInfo) {
      PrivateSocksInfo = std::make_unique<TIdSocksInfo>(this);
      PrivateSocksInfo->SocksTransport = this;
    }
    FSocksInfo = PrivateSocksInfo.get();
  }
  return FSocksInfo;
}

void TIdIOHandlerSocket::ForgetForeignSocksInfo() {
  if (FSocksInfo && FSocksInfo != PrivateSocksInfo.get()) {
    FSocksInfo->RemoveFreeNotification(this);
    FSocksInfo = nullptr;
  }
}

void TIdIOHandlerSocket::SetSocksInfo(TIdSocksInfo* value) {
  if (value == FSocksInfo) return;
  ForgetForeignSocksInfo();
  if (!value) {
    FSocksInfo = nullptr;
  } else if (value->Owner && value->Owner != this) {
    PrivateSocksInfo.reset();
    FSocksInfo = value;
    value->SocksTransport = this;
    value->AddFreeNotification(this, [this] { FSocksInfo = nullptr; });
  } else {
    SocksInfo()->Assign(*value);
  }
}

// --- connecting ------------------------------------------------------------------

void TIdIOHandlerSocket::ConnectTo(const std::string& host, int32_t port, const std::string& boundIP, int32_t boundPort,
                                   int32_t boundPortMin, int32_t boundPortMax, int32_t timeout) {
  TIdSocksInfo& socks = *SocksInfo();
  const bool viaProxy = socks.Version != svNoSocks;
  const std::string& targetHost = viaProxy ? socks.Host : host;
  const int32_t targetPort = viaProxy ? socks.Port : port;

  if (!SocketBinding) OpenHandler();
  SocketBinding->OpenSocket(Id_SOCK_STREAM, 0);
  SocketBinding->IP = boundIP;
  SocketBinding->Port = boundPort;
  SocketBinding->ClientPortMin = boundPortMin;
  SocketBinding->ClientPortMax = boundPortMax;
  SocketBinding->BindLocal();

  // Every status handler and anti-freeze step may close this transport (Stop):
  // the connect then ends there, quietly, as a read does.
  if (!TIdStack::IsDottedQuad(targetHost)) {
    ReportStatus(hsResolving, targetHost);
    if (!HandlerConnected()) return;
  }
  SocketBinding->SetRemote(SharedStack->ResolveHostAddress(targetHost), targetPort);
  if (!UseNagle) {
    const int32_t on = 1;
    SocketBinding->ApplySocketOption(TcpLevel, TcpNoDelay, &on, sizeof on);
  }
  ReportStatus(hsConnecting, SocketBinding->RemoteIP);
  if (!HandlerConnected()) return;

  // A time-out covers the connect and the proxy's handshake together.
  const bool timed = timeout != TimeoutUseDefault && timeout != 0 && timeout != TimeoutForever;
  const auto started = std::chrono::steady_clock::now();
  if (timeout != TimeoutUseDefault && timeout != 0) ConnectWithTimeout(timeout);
  else if (IsAntiFreezeInUse()) ConnectWithTimeout(AntiFreezeConnectTimeout);
  else SharedStack->CheckSocketResult(SocketBinding->ConnectPeer(Id_PF_INET));
  if (!HandlerConnected()) return;

  // Shared settings may have been assigned to another transport since: the
  // handshake must run on the socket that just connected to the proxy.
  socks.SocksTransport = this;
  std::optional<std::chrono::steady_clock::time_point> deadline;
  if (timed) deadline = started + std::chrono::milliseconds(timeout);
  socks.NegotiateProxy(host, port, deadline);
}

// Leaving by any way, a raising anti-freeze step included, aborts and joins
// the connect thread (its destructor), so no exit waits for the system's own
// connect time-out.
void TIdIOHandlerSocket::ConnectWithTimeout(int32_t timeout) {
  TIdConnectThread thread(*SocketBinding);
  thread.Start();
  const int32_t step = IsAntiFreezeInUse() ? std::clamp(TIdAntiFreezeBase::Instance()->IdleTimeOut, 1, ConnectPollStep)
                                           : ConnectPollStep;
  int32_t remaining = timeout == TimeoutForever ? step + 1 : timeout;
  while (remaining > step) {
    thread.WaitFinished(step);
    RunAntiFreeze(true);
    // The anti-freeze step closed the transport: closing shut the socket,
    // which ended the connect.
    if (!HandlerConnected()) return;
    remaining = timeout == TimeoutForever ? step + 1 : remaining - step;
    if (thread.Finished()) {
      remaining = 0;
      break;
    }
  }
  if (!thread.WaitFinished(remaining)) {
    thread.Abort();
    thread.WaitFor();
    CloseHandler();
    throw EIdConnectTimeout(transport_messages::ConnectTimeout);
  }
  thread.WaitFor();
  if (!thread.ConnectError.empty()) {
    // The connect error's own message, with the error nested inside: its
    // socket code (10061 for a refused connect) stays readable.
    try {
      std::rethrow_exception(thread.ConnectFailure);
    } catch (...) {
      std::throw_with_nested(EIdConnectException(thread.ConnectError));
    }
  }
  if (thread.Connected) {
    SocketBinding->RefreshLocal();
    SocketBinding->RefreshRemote();
  }
}
