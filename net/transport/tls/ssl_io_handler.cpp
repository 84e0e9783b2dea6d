#include "net/transport/tls/ssl_io_handler.h"

#include <sys/socket.h>
#include <sys/time.h>

#include "net/transport/exceptions.h"
#include "net/transport/messages.h"
#include "net/transport/tls/messages.h"
#include "net/transport/tls/tls_exceptions.h"

TIdSSLIOHandlerSocket::TIdSSLIOHandlerSocket()
    : OwnedOptions(std::make_unique<TIdSSLOptions>()), FSSLOptions(OwnedOptions.get()) {}

TIdSSLIOHandlerSocket::~TIdSSLIOHandlerSocket() { CloseHandler(); }

void TIdSSLIOHandlerSocket::SetPlainMode(bool value) {
  // Plain bytes cannot pass inside a running TLS session, and must not reach
  // a peer that expects them protected: the session ends with its socket.
  if (value && FTLSLink) CloseHandler();
  if (!value && HandlerConnected()) {
    if (!FTLSContext) throw EIdOSSLCouldNotLoadSSLLibrary(tls_messages::CouldNotLoadSSLLibrary);
    StartTLS();
  }
  FPlainMode = value;
}

void TIdSSLIOHandlerSocket::ConnectTo(const std::string& host, int32_t port, const std::string& boundIP,
                                      int32_t boundPort, int32_t boundPortMin, int32_t boundPortMax, int32_t timeout) {
  HostName = host;
  // Like a SOCKS handshake, the TLS one waits for the peer's answers at most
  // ReadTimeout.
  HandshakeTimeout = ReadTimeout > 0 ? ReadTimeout : TimeoutForever;
  AppliedSocketWait = TimeoutForever;
  ConnectingSocket = true;
  try {
    TIdIOHandlerSocket::ConnectTo(host, port, boundIP, boundPort, boundPortMin, boundPortMax, timeout);
  } catch (...) {
    ConnectingSocket = false;
    throw;
  }
  ConnectingSocket = false;
  // Stop pressed during the connect: nothing to start TLS on.
  if (!HandlerConnected()) return;
  if (BeforeTLSConnect) BeforeTLSConnect(this);
  try {
    PrepareContext();
  } catch (const EIdOSSLCouldNotLoadSSLLibrary&) {
    if (!FPlainMode) throw;
  }
  if (!FPlainMode) StartTLS();
}

void TIdSSLIOHandlerSocket::PrepareContext() {
  FreeContext();
  OwnedContext = std::make_unique<TIdSSLContext>(this);
  FTLSContext = OwnedContext.get();
  FTLSContext->Options.Assign(*FSSLOptions);
  FTLSContext->VerifyHookOn = static_cast<bool>(OnVerifyPeer);
  FTLSContext->StatusHookOn = static_cast<bool>(OnStatusInfo);
  FTLSContext->BuildContext(false);
}

void TIdSSLIOHandlerSocket::StartTLS() {
  if (FTLSLink) return;
  FTLSContext->LoadSystemTrust();
  FTLSLink = std::make_unique<TIdSSLSocket>(this, FTLSContext);
  try {
    LimitSocketWaits(HandshakeTimeout);
    FTLSLink->ConnectTLS(SocketBinding->SocketId, HostName);
  } catch (...) {
    FTLSLink.reset();
    throw;
  }
}

void TIdSSLIOHandlerSocket::AcceptAsPeer(TIdSSLOptions& options, TIdSSLContext& context) {
  FIsPeer = true;
  OwnedOptions.reset();
  FSSLOptions = &options;
  FreeContext();
  FTLSContext = &context;
  FTLSLink = std::make_unique<TIdSSLSocket>(this, FTLSContext);
  try {
    FTLSLink->AcceptTLS(SocketBinding->SocketId);
  } catch (...) {
    FTLSLink.reset();
    throw;
  }
}

void TIdSSLIOHandlerSocket::FreeContext() {
  OwnedContext.reset();
  FTLSContext = nullptr;
}

void TIdSSLIOHandlerSocket::CloseHandler() {
  FTLSLink.reset();
  if (!FIsPeer) FreeContext();
  TIdIOHandlerSocket::CloseHandler();
}

bool TIdSSLIOHandlerSocket::WaitReadable(int32_t timeout) {
  ReceiveTimeout = timeout;
  // Bytes the library already decrypted never show on the socket.
  if (!FPlainMode && FTLSLink && FTLSLink->HasPendingInput()) return true;
  return TIdIOHandlerSocket::WaitReadable(timeout);
}

int32_t TIdSSLIOHandlerSocket::ReceiveSome(void* buffer, int32_t length) {
  if (FPlainMode || ConnectingSocket) return TIdIOHandlerSocket::ReceiveSome(buffer, length);
  // Without a link nothing may pass: the bytes were meant to be protected.
  if (!FTLSLink || !HandlerConnected()) throw EIdClosedSocket(transport_messages::ClosedSocket);
  LimitSocketWaits(ReceiveTimeout);
  return FTLSLink->ReadTLS(buffer, length);
}

int32_t TIdSSLIOHandlerSocket::SendSome(const void* buffer, int32_t length) {
  if (FPlainMode || ConnectingSocket) return TIdIOHandlerSocket::SendSome(buffer, length);
  if (!FTLSLink || !HandlerConnected()) throw EIdClosedSocket(transport_messages::ClosedSocket);
  return FTLSLink->WriteTLS(buffer, length);
}

// A receive time-out on the socket itself: a read the library makes that
// waits longer fails, and the library reports that it wants more data.
void TIdSSLIOHandlerSocket::LimitSocketWaits(int32_t timeout) {
  if (timeout < 0) timeout = TimeoutForever;
  if (timeout == AppliedSocketWait || !SocketBinding) return;
  timeval limit{};
  if (timeout != TimeoutForever) {
    // Zero would mean no limit at all.
    const int32_t ms = timeout == 0 ? 1 : timeout;
    limit.tv_sec = ms / 1000;
    limit.tv_usec = (ms % 1000) * 1000;
  }
  ::setsockopt(SocketBinding->SocketId, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  AppliedSocketWait = timeout;
}

void TIdSSLIOHandlerSocket::ReportTLSStatus(const std::string& Msg) {
  if (OnStatusInfo) OnStatusInfo(Msg);
}

void TIdSSLIOHandlerSocket::AskPassword(std::string& Password) {
  Password.clear();
  if (OnGetPassword) OnGetPassword(Password);
}

bool TIdSSLIOHandlerSocket::VerifyPeerCertificate(TIdX509* Certificate) {
  return OnVerifyPeer ? OnVerifyPeer(Certificate) : true;
}
