#pragma once
// Server-side transports: a server I/O handler hands out one transport per
// accepted connection. The TLS server handler builds one server context and
// runs the server handshake on each accepted socket; its transports share
// its options and context, so it must outlive them.

#include <memory>

#include "net/transport/component.h"
#include "net/transport/io_handler_socket.h"
#include "net/transport/tls/ssl_io_handler.h"

class TIdServerIOHandler : public TIdComponent {
public:
  virtual void Init() {}
  // A transport for one connection accepted from the listening socket, or
  // none when the accept failed.
  virtual std::unique_ptr<TIdIOHandlerSocket> Accept(TIdStackSocketHandle listeningSocket);
};

class TIdServerIOHandlerSSL : public TIdServerIOHandler, public TIdSSLCallbackTarget {
public:
  // Builds the server context (once).
  void Init() override;
  // "Error accepting connection with SSL." when the handshake fails.
  std::unique_ptr<TIdIOHandlerSocket> Accept(TIdStackSocketHandle listeningSocket) override;

  void ReportTLSStatus(const std::string& Msg) override;
  void AskPassword(std::string& Password) override;
  bool VerifyPeerCertificate(TIdX509* Certificate) override;

  TIdSSLOptions& SSLOptions() { return FSSLOptions; }
  TCallbackEvent OnStatusInfo;
  TPasswordEvent OnGetPassword;
  TVerifyPeerEvent OnVerifyPeer;

private:
  TIdSSLOptions FSSLOptions;
  std::unique_ptr<TIdSSLContext> FContext;
};
