#include "net/transport/tls/ssl_context.h"

#include "net/transport/tls/messages.h"
#include "net/transport/tls/ssl_callbacks.h"
#include "net/transport/tls/tls_exceptions.h"

using tls::OpenSSL;

namespace {
constexpr int PemFileType = 1;
constexpr int VerifyPeerFlag = 1;
constexpr int VerifyFailIfNoPeerCertFlag = 2;
constexpr int VerifyClientOnceFlag = 4;
constexpr size_t ReadAheadSize = 65536;
}  // namespace

TIdSSLContext::TIdSSLContext(TIdSSLCallbackTarget* owner) : Owner(owner) {
  if (tls::TLSLibraryUsers < 1 && !tls::InitTLSLibrary())
    throw EIdOSSLCouldNotLoadSSLLibrary(tls_messages::CouldNotLoadSSLLibrary);
  ++tls::TLSLibraryUsers;
}

TIdSSLContext::~TIdSSLContext() { FreeContext(); }

void TIdSSLContext::FreeContext() {
  if (Context) OpenSSL.SSL_CTX_free(Context);
  Context = nullptr;
}

void TIdSSLContext::BuildContext(bool serverMode) {
  FreeContext();
  if (Options.Mode == sslmUnassigned) Options.Mode = serverMode ? sslmServer : sslmClient;
  FVerifiesPeerByDefault = !serverMode && !Options.VerifyModeAssigned() && !VerifyHookOn;

  const SSL_METHOD* method = ChooseMethod();
  OpenSSL.ERR_clear_error();
  Context = OpenSSL.SSL_CTX_new(method);
  if (!Context) throw EIdOSSLCreatingContextError(tls_messages::CreatingContextError);
  // Every method is the version-flexible one; versions before TLS 1.2 are
  // broken and refused.
  OpenSSL.SSL_CTX_ctrl(Context, SSL_CTRL_SET_MIN_PROTO_VERSION, TLS1_2_VERSION, nullptr);
  // A peer that closes without saying so ends the stream as a plain socket
  // close does; the HTTP layer judges whether the body was complete.
  OpenSSL.SSL_CTX_set_options(Context, SSL_OP_IGNORE_UNEXPECTED_EOF);
  // Several records per read from the socket instead of two reads per
  // record; what is read ahead waits inside the library (see WaitReadable).
  OpenSSL.SSL_CTX_ctrl(Context, SSL_CTRL_SET_READ_AHEAD, 1, nullptr);
  OpenSSL.SSL_CTX_set_default_read_buffer_len(Context, ReadAheadSize);

  OpenSSL.SSL_CTX_set_default_passwd_cb(Context, tls::PasswordCallback);
  OpenSSL.SSL_CTX_set_default_passwd_cb_userdata(Context, this);
  SystemTrustLoaded = false;
  if (serverMode) LoadSystemTrust();
  LoadFiles();
  if (StatusHookOn) OpenSSL.SSL_CTX_set_info_callback_vexa(Context, tls::InfoCallback);
  // Without a list of its own the library's default applies, which leaves out
  // the export and RC4 ciphers of old lists.
  if (!Options.CipherList.empty() && OpenSSL.SSL_CTX_set_cipher_list(Context, Options.CipherList.c_str()) <= 0)
    throw EIdOSSLSettingCipherError(tls_messages::SettingCipherError);
  if (!Options.VerifyMode().Empty()) ApplyVerifyMode();
  else if (FVerifiesPeerByDefault) OpenSSL.SSL_CTX_set_verify(Context, VerifyPeerFlag, nullptr);
  if (serverMode)
    OpenSSL.SSL_CTX_set_session_id_context(Context, reinterpret_cast<const unsigned char*>(&ContextIdValue),
                                           sizeof ContextIdValue);
  if (!Options.RootCertFile.empty())
    OpenSSL.SSL_CTX_set_client_CA_list(Context, OpenSSL.SSL_load_client_CA_file(Options.RootCertFile.c_str()));
}

void TIdSSLContext::LoadSystemTrust() {
  if (SystemTrustLoaded || !Context) return;
  OpenSSL.SSL_CTX_set_default_verify_paths(Context);
  SystemTrustLoaded = true;
}

void TIdSSLContext::LoadFiles() {
  if (!Options.RootCertFile.empty() &&
      OpenSSL.SSL_CTX_load_verify_locations(Context, Options.RootCertFile.c_str(), nullptr) <= 0)
    throw EIdOSSLLoadingRootCertError(tls_messages::LoadingRootCertError);
  if (!Options.CertFile.empty() &&
      OpenSSL.SSL_CTX_use_certificate_file(Context, Options.CertFile.c_str(), PemFileType) <= 0)
    throw EIdOSSLLoadingCertError(tls_messages::LoadingCertError);
  if (!Options.KeyFile.empty()) {
    const bool loaded = OpenSSL.SSL_CTX_use_PrivateKey_file(Context, Options.KeyFile.c_str(), PemFileType) > 0 &&
                        OpenSSL.SSL_CTX_check_private_key(Context) > 0;
    RaisePendingFailure();
    if (!loaded) throw EIdOSSLLoadingKeyError(tls_messages::LoadingKeyError);
  }
  OpenSSL.ERR_clear_error();
}

const SSL_METHOD* TIdSSLContext::ChooseMethod() {
  if (Options.Mode == sslmUnassigned) throw EIdOSSLModeNotSet(tls_messages::ModeNotSet);
  switch (Options.Method) {
    case sslvSSLv2:
    case sslvSSLv23:
    case sslvSSLv3:
    case sslvTLSv1:
      // Every version maps to the version-flexible method of the role.
      switch (Options.Mode) {
        case sslmClient: return OpenSSL.SSLv23_client_method();
        case sslmServer: return OpenSSL.SSLv23_server_method();
        case sslmBoth: return OpenSSL.SSLv23_method();
        case sslmUnassigned: break;
      }
      break;
  }
  throw EIdOSSLGetMethodError(tls_messages::GetMethodError);
}

void TIdSSLContext::ApplyVerifyMode() {
  if (!Context) return;
  const TIdSSLVerifyModeSet& mode = Options.VerifyMode();
  const int flags = (mode.Contains(sslvrfPeer) ? VerifyPeerFlag : 0) |
                    (mode.Contains(sslvrfFailIfNoPeerCert) ? VerifyFailIfNoPeerCertFlag : 0) |
                    (mode.Contains(sslvrfClientOnce) ? VerifyClientOnceFlag : 0);
  OpenSSL.SSL_CTX_set_verify(Context, flags, VerifyHookOn ? tls::VerifyCallback : nullptr);
  OpenSSL.SSL_CTX_set_verify_depth(Context, Options.VerifyDepth);
}

void TIdSSLContext::RaisePendingFailure() {
  if (!PendingFailure) return;
  std::exception_ptr failure = PendingFailure;
  PendingFailure = nullptr;
  std::rethrow_exception(failure);
}
