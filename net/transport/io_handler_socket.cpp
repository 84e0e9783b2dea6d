#include "net/transport/io_handler_socket.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "net/transport/anti_freeze.h"
#include "net/transport/connect_thread.h"
#include "net/transport/exceptions.h"
#include "net/transport/messages.h"

namespace {
constexpr int32_t ConnectPollStep = 125;
// An anti-freeze keeps the user interface alive during a connect only if the
// connect runs on a second thread; without a time-out it gets this one.
constexpr int32_t AntiFreezeConnectTimeout = 120000;
constexpr int32_t TcpLevel = 6;
constexpr int32_t TcpNoDelay = 1;

void sleepMs(int32_t ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
}  // namespace

TIdIOHandlerSocket::~TIdIOHandlerSocket() {
  CloseHandler();
  ForgetForeignSocksInfo();
}

void TIdIOHandlerSocket::OpenHandler() {
  if (SocketBinding)
    SocketBinding->ClearBinding(true);
  else
    SocketBinding = std::make_unique<TIdSocketHandle>();
}

void TIdIOHandlerSocket::CloseHandler() {
  if (SocketBinding) SocketBinding->ShutSocket();
}

bool TIdIOHandlerSocket::HandlerConnected() { return SocketBinding && SocketBinding->IsOpen; }

bool TIdIOHandlerSocket::WaitReadable(int32_t timeout) {
  if (!SocketBinding) throw EIdClosedSocket(transport_messages::ClosedSocket);
  return SocketBinding->WaitReadable(timeout);
}

int32_t TIdIOHandlerSocket::ReceiveSome(void* buffer, int32_t length) {
  if (!HandlerConnected()) throw EIdClosedSocket(transport_messages::ClosedSocket);
  return SocketBinding->Receive(buffer, length, 0);
}

int32_t TIdIOHandlerSocket::SendSome(const void* buffer, int32_t length) {
  if (!HandlerConnected()) throw EIdClosedSocket(transport_messages::ClosedSocket);
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

void TIdIOHandlerSocket::ConnectTo(const std::string& host, int32_t port, const std::string& boundIP,
                                   int32_t boundPort, int32_t boundPortMin, int32_t boundPortMax, int32_t timeout) {
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

  if (!TIdStack::IsDottedQuad(targetHost)) ReportStatus(hsResolving, targetHost);
  SocketBinding->SetRemote(SharedStack->ResolveHostAddress(targetHost), targetPort);
  if (!UseNagle) {
    const int32_t on = 1;
    SocketBinding->ApplySocketOption(TcpLevel, TcpNoDelay, &on, sizeof on);
  }
  ReportStatus(hsConnecting, SocketBinding->RemoteIP);

  if (timeout != TimeoutUseDefault && timeout != 0)
    ConnectWithTimeout(timeout);
  else if (IsAntiFreezeInUse())
    ConnectWithTimeout(AntiFreezeConnectTimeout);
  else
    SharedStack->CheckSocketResult(SocketBinding->ConnectPeer(Id_PF_INET));

  // Shared settings may have been assigned to another transport since: the
  // handshake must run on the socket that just connected to the proxy.
  socks.SocksTransport = this;
  socks.NegotiateProxy(host, port);
}

void TIdIOHandlerSocket::ConnectWithTimeout(int32_t timeout) {
  TIdConnectThread thread(*SocketBinding);
  thread.Start();
  const int32_t step = IsAntiFreezeInUse() ? std::min(TIdAntiFreezeBase::Instance()->IdleTimeOut, ConnectPollStep)
                                           : ConnectPollStep;
  int32_t remaining = timeout == TimeoutForever ? step + 1 : timeout;
  while (remaining > step) {
    sleepMs(step);
    RunAntiFreeze(true);
    remaining = timeout == TimeoutForever ? step + 1 : remaining - step;
    if (thread.Finished()) {
      remaining = 0;
      break;
    }
  }
  sleepMs(remaining);
  if (!thread.Finished()) {
    // Closing the socket ends the connect blocked on the other thread.
    CloseHandler();
    thread.WaitFor();
    throw EIdConnectTimeout(transport_messages::ConnectTimeout);
  }
  thread.WaitFor();
  if (!thread.ConnectError.empty()) throw EIdConnectException(thread.ConnectError);
}
