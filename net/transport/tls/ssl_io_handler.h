#pragma once
// The TLS transport: TLS over the socket transport, or plain pass-through
// while PlainMode is on. The HTTP exchange switches PlainMode per address;
// switching it off on an open plain connection (a proxy tunnel) starts the
// handshake on that socket.

#include <functional>
#include <memory>
#include <string>

#include "net/transport/io_handler_socket.h"
#include "net/transport/tls/ssl_context.h"
#include "net/transport/tls/ssl_options.h"
#include "net/transport/tls/ssl_socket.h"
#include "net/transport/tls/x509.h"

using TCallbackEvent = std::function<void(const std::string& Msg)>;
using TPasswordEvent = std::function<void(std::string& Password)>;
using TVerifyPeerEvent = std::function<bool(TIdX509* Certificate)>;

class TIdSSLIOHandlerSocket : public TIdIOHandlerSocket, public TIdSSLCallbackTarget {
public:
  TIdSSLIOHandlerSocket();
  ~TIdSSLIOHandlerSocket() override;

  bool PlainMode() const { return FPlainMode; }
  // Switching it off while connected starts the handshake ("Could not load
  // SSL library." when the library was missing at connect time); switching
  // it on over a TLS session closes the connection.
  void SetPlainMode(bool value);

  // Connects the socket (SOCKS included), builds the context and, unless
  // PlainMode, runs the handshake. A missing library is tolerated in
  // PlainMode.
  void ConnectTo(const std::string& host, int32_t port, const std::string& boundIP, int32_t boundPort,
                 int32_t boundPortMin, int32_t boundPortMax, int32_t timeout) override;
  void CloseHandler() override;
  bool WaitReadable(int32_t timeout) override;
  int32_t ReceiveSome(void* buffer, int32_t length) override;
  int32_t SendSome(const void* buffer, int32_t length) override;

  void ReportTLSStatus(const std::string& Msg) override;
  void AskPassword(std::string& Password) override;
  // True when OnVerifyPeer is not assigned.
  bool VerifyPeerCertificate(TIdX509* Certificate) override;

  // Owned unless IsPeer (then the server handler's).
  TIdSSLOptions& SSLOptions() { return *FSSLOptions; }
  TIdSSLContext* TLSContext() const { return FTLSContext; }
  TIdSSLSocket* TLSLink() const { return FTLSLink.get(); }
  bool IsPeer() const { return FIsPeer; }
  // A server handler's accepted connection: shares the handler's options
  // and context and runs the server handshake on the accepted socket.
  void AcceptAsPeer(TIdSSLOptions& options, TIdSSLContext& context);

  // The name the server's certificate must carry, also sent to the server.
  // ConnectTo sets it to the host it is asked for (through SOCKS too); a
  // caller that tunnels through an HTTP proxy sets it to the tunnel's target
  // before switching PlainMode off.
  std::string HostName;

  TCallbackEvent OnStatusInfo;
  TPasswordEvent OnGetPassword;
  TVerifyPeerEvent OnVerifyPeer;
  TNotifyEvent BeforeTLSConnect;

private:
  void PrepareContext();
  void StartTLS();
  void FreeContext();
  void LimitSocketWaits(int32_t timeout);

  std::unique_ptr<TIdSSLOptions> OwnedOptions;
  TIdSSLOptions* FSSLOptions = nullptr;
  std::unique_ptr<TIdSSLContext> OwnedContext;
  TIdSSLContext* FTLSContext = nullptr;
  std::unique_ptr<TIdSSLSocket> FTLSLink;
  bool FPlainMode = false;
  bool FIsPeer = false;
  // While ConnectTo sets up the socket (a SOCKS handshake), bytes pass in the
  // clear even with PlainMode off.
  bool ConnectingSocket = false;
  // The library reads whole records from the socket itself: a peer that
  // stalls inside a record or the handshake must not hold a read beyond the
  // time the caller allowed (ReadTimeout for the handshake, the readability
  // wait's time-out for a read).
  int32_t HandshakeTimeout = TimeoutForever;
  int32_t ReceiveTimeout = TimeoutForever;
  int32_t AppliedSocketWait = TimeoutForever;
};
