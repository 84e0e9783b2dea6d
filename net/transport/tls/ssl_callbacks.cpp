#include "net/transport/tls/ssl_callbacks.h"

#include <cstring>
#include <exception>
#include <string>

#include <fmt/core.h>

#include "net/transport/tls/messages.h"
#include "net/transport/tls/ssl_context.h"
#include "net/transport/tls/ssl_socket.h"
#include "net/transport/tls/x509.h"

namespace tls {

namespace {
constexpr int AppDataIndex = 0;

TIdSSLSocket* linkOf(const SSL* ssl) {
  return ssl ? static_cast<TIdSSLSocket*>(OpenSSL.SSL_get_ex_data(ssl, AppDataIndex)) : nullptr;
}
}  // namespace

int PasswordCallback(char* buffer, int size, int /*rwflag*/, void* userData) {
  std::lock_guard<std::mutex> guard(PasswordLock);
  auto* context = static_cast<TIdSSLContext*>(userData);
  std::string password;
  try {
    if (context && context->Owner) context->Owner->AskPassword(password);
  } catch (...) {
    context->PendingFailure = std::current_exception();
    return 0;
  }
  // A password that does not fit with its terminating zero is refused
  // rather than cut: loading the key then fails with the usual message.
  if (size <= 0 || password.size() + 1 > static_cast<size_t>(size)) return 0;
  std::memcpy(buffer, password.c_str(), password.size() + 1);
  return static_cast<int>(password.size());
}

void InfoCallback(const SSL* ssl, int /*where*/, int /*result*/) {
  std::lock_guard<std::mutex> guard(InfoLock);
  TIdSSLSocket* link = linkOf(ssl);
  if (!link || !link->Owner || link->PendingFailure) return;
  try {
    link->Owner->ReportTLSStatus(fmt::format(tls_messages::StatusInfo, OpenSSL.SSL_state_string_long(ssl)));
  } catch (...) {
    link->PendingFailure = std::current_exception();
  }
}

int VerifyCallback(int preverified, X509_STORE_CTX* store) {
  std::lock_guard<std::mutex> guard(VerifyLock);
  TIdX509 certificate(OpenSSL.X509_STORE_CTX_get_current_cert(store));
  SSL* ssl = OpenSSL.X509_STORE_CTX_get_app_data_vexa(store);
  if (!ssl) return preverified;
  bool verified = false;
  try {
    TIdSSLSocket* link = linkOf(ssl);
    const int depth = OpenSSL.X509_STORE_CTX_get_error_depth(store);
    verified = link && link->Owner && link->Owner->VerifyPeerCertificate(&certificate);
    if (preverified <= 0 || (link && depth > link->Context->Options.VerifyDepth)) preverified = 0;
  } catch (...) {
    // The handler's failure counts as a rejection.
    verified = false;
  }
  return verified && preverified > 0 ? 1 : 0;
}

}  // namespace tls
