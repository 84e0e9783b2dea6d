#include "net/transport/tls/ssl_socket.h"

#include <cerrno>

#include <fmt/core.h>

#include "net/transport/messages.h"
#include "net/transport/tls/messages.h"
#include "net/transport/tls/sigpipe_guard.h"
#include "net/transport/tls/ssl_context.h"
#include "net/transport/tls/tls_exceptions.h"
#include "platform/sockets.h"

using tls::OpenSSL;

namespace {
constexpr int SslErrorWantRead = 2;
constexpr int SslErrorWantWrite = 3;
constexpr int SslErrorSyscall = 5;
constexpr int SslErrorZeroReturn = 6;
constexpr int AppDataIndex = 0;

// The library's reason for the last failure on this thread, in words.
std::string libraryReason() {
  const unsigned long code = OpenSSL.ERR_get_error();
  const char* reason = code ? OpenSSL.ERR_reason_error_string(code) : nullptr;
  return reason ? reason : "no reason given";
}
}  // namespace

TIdSSLSocket::TIdSSLSocket(TIdSSLCallbackTarget* owner, TIdSSLContext* context) : Owner(owner), Context(context) {}

TIdSSLSocket::~TIdSSLSocket() {
  if (!Handle) return;
  tls::SigPipeGuard guard;
  if (!Broken) OpenSSL.SSL_shutdown(Handle);
  OpenSSL.SSL_free(Handle);
  OpenSSL.ERR_clear_error();
}

void TIdSSLSocket::CreateHandle(TIdStackSocketHandle socket) {
  OpenSSL.ERR_clear_error();
  Handle = OpenSSL.SSL_new(Context->Context);
  // No handle means no link at all: report it as the failed handshake it
  // stands for.
  if (!Handle) throw EIdOSSLConnectError(tls_messages::ConnectError);
  if (OpenSSL.SSL_set_ex_data(Handle, AppDataIndex, this) < 1)
    throw EIdOSSLDataBindingError(tls_messages::DataBindingError);
  OpenSSL.SSL_set_fd(Handle, socket);
}

void TIdSSLSocket::ConnectTLS(TIdStackSocketHandle socket, const std::string& hostName) {
  CreateHandle(socket);
  if (!hostName.empty()) {
    // Names go to the server so it can choose its certificate; addresses may
    // not be sent that way.
    if (!TIdStack::IsDottedQuad(hostName))
      OpenSSL.SSL_ctrl(Handle, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
                       const_cast<char*>(hostName.c_str()));
    if (Context->VerifiesPeerByDefault()) OpenSSL.SSL_set1_host(Handle, hostName.c_str());
  }
  int result;
  {
    tls::SigPipeGuard guard;
    result = OpenSSL.SSL_connect(Handle);
  }
  RaisePendingFailure();
  if (result < 1) {
    Broken = true;
    const long verifyResult = OpenSSL.SSL_get_verify_result(Handle);
    const bool verifying = Context->VerifiesPeerByDefault() || Context->Options.VerifyMode().Contains(sslvrfPeer);
    if (verifying && verifyResult != X509_V_OK)
      throw EIdOSSLPeerVerifyError(
          fmt::format(tls_messages::PeerNotVerified, OpenSSL.X509_verify_cert_error_string(verifyResult)));
    throw EIdOSSLConnectError(tls_messages::ConnectError);
  }
  ReportCipher();
}

void TIdSSLSocket::AcceptTLS(TIdStackSocketHandle socket) {
  try {
    CreateHandle(socket);
  } catch (const EIdOSSLConnectError&) {
    throw EIdOSSLAcceptError(tls_messages::AcceptError);
  }
  int result;
  {
    tls::SigPipeGuard guard;
    result = OpenSSL.SSL_accept(Handle);
  }
  RaisePendingFailure();
  if (result < 1) {
    Broken = true;
    throw EIdOSSLAcceptError(tls_messages::AcceptError);
  }
  ReportCipher();
}

void TIdSSLSocket::ReportCipher() {
  TIdSSLCipher& cipher = CurrentCipher();
  if (Owner)
    Owner->ReportTLSStatus(
        fmt::format(tls_messages::CipherInfo, cipher.Name(), cipher.Description(), cipher.Bits(), cipher.Version()));
}

int32_t TIdSSLSocket::ReadTLS(void* buffer, int32_t length) {
  int32_t result;
  {
    tls::SigPipeGuard guard;
    OpenSSL.ERR_clear_error();
    result = OpenSSL.SSL_read(Handle, buffer, length);
    const int error = OpenSSL.SSL_get_error(Handle, result);
    if (error == SslErrorWantRead || error == SslErrorWantWrite) result = OpenSSL.SSL_read(Handle, buffer, length);
  }
  RaisePendingFailure();
  return CheckTransfer(result, tls_messages::ReadError);
}

int32_t TIdSSLSocket::WriteTLS(const void* buffer, int32_t length) {
  int32_t result;
  {
    tls::SigPipeGuard guard;
    OpenSSL.ERR_clear_error();
    result = OpenSSL.SSL_write(Handle, buffer, length);
    const int error = OpenSSL.SSL_get_error(Handle, result);
    if (error == SslErrorWantRead || error == SslErrorWantWrite) result = OpenSSL.SSL_write(Handle, buffer, length);
  }
  RaisePendingFailure();
  return CheckTransfer(result, tls_messages::WriteError);
}

int32_t TIdSSLSocket::CheckTransfer(int32_t result, const char* failureFormat) {
  if (result > 0) return result;
  const int savedErrno = errno;
  const int error = OpenSSL.SSL_get_error(Handle, result);
  if (error == SslErrorZeroReturn) return 0;
  // On a blocking socket the library only wants more when the socket's
  // receive time-out ran out; the record stays buffered for a later read.
  if (error == SslErrorWantRead || error == SslErrorWantWrite) throw EIdReadTimeout(transport_messages::ReadTimeout);
  Broken = true;
  if (error == SslErrorSyscall) {
    // A socket that failed underneath: the same error the plain transport
    // gives; a bare end of the stream counts as the peer closing.
    if (savedErrno == 0) return 0;
    SharedStack->RaiseSocketErrorFor(sockets::TranslateErrno(savedErrno));
  }
  throw EIdOSSLLinkError(fmt::format(fmt::runtime(failureFormat), libraryReason()));
}

bool TIdSSLSocket::HasPendingInput() const { return Handle && OpenSSL.SSL_has_pending(Handle) == 1; }

TIdSSLCipher& TIdSSLSocket::CurrentCipher() {
  if (!FCipher) FCipher = std::make_unique<TIdSSLCipher>(*this);
  return *FCipher;
}

void TIdSSLSocket::RaisePendingFailure() {
  if (!PendingFailure) return;
  std::exception_ptr failure = PendingFailure;
  PendingFailure = nullptr;
  std::rethrow_exception(failure);
}
