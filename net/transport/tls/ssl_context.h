#pragma once
// One native TLS context built from a copy of the options: method, trust,
// certificate and key, cipher list, verification and the callbacks that reach
// the owning transport.

#include <cstdint>
#include <exception>
#include <string>

#include "net/transport/tls/openssl_entries.h"
#include "net/transport/tls/ssl_options.h"

class TIdX509;

// The side that answers the library's callbacks for a context: a TLS
// transport or a TLS server handler.
class TIdSSLCallbackTarget {
public:
  virtual ~TIdSSLCallbackTarget() = default;
  virtual void ReportTLSStatus(const std::string& Msg) = 0;
  virtual void AskPassword(std::string& Password) = 0;
  // True when the certificate is accepted.
  virtual bool VerifyPeerCertificate(TIdX509* Certificate) = 0;
};

class TIdSSLContext {
public:
  // Loads the library on first use; "Could not load SSL library." when it
  // cannot be loaded.
  explicit TIdSSLContext(TIdSSLCallbackTarget* owner);
  ~TIdSSLContext();
  TIdSSLContext(const TIdSSLContext&) = delete;
  TIdSSLContext& operator=(const TIdSSLContext&) = delete;

  // Builds the native context for the given role; an unassigned Mode takes
  // that role first.
  void BuildContext(bool serverMode);
  const SSL_METHOD* ChooseMethod();
  void ApplyVerifyMode();
  // Reading the system's trust store costs tens of milliseconds: a client
  // does it only when a handshake is about to start, not for every plain
  // connection through a transport in PlainMode.
  void LoadSystemTrust();

  // A client that chose no verification of its own checks the server
  // against the system's trust store and its host name.
  bool VerifiesPeerByDefault() const { return FVerifiesPeerByDefault; }

  TIdSSLOptions Options;
  bool VerifyHookOn = false;
  bool StatusHookOn = false;
  uint32_t ContextIdValue = 1;
  TIdSSLCallbackTarget* const Owner;
  SSL_CTX* Context = nullptr;
  // An exception the password callback caught inside the library, raised
  // again once the library call that asked has returned.
  std::exception_ptr PendingFailure;

private:
  void FreeContext();
  void LoadFiles();
  void RaisePendingFailure();

  bool FVerifiesPeerByDefault = false;
  bool SystemTrustLoaded = false;
};
