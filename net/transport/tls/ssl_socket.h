#pragma once
// One TLS link over a connected socket: the native handle made from a
// context, the client or server handshake, and reading and writing through
// it. Freeing the link shuts it down.

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "net/transport/stack.h"
#include "net/transport/tls/openssl_entries.h"
#include "net/transport/tls/ssl_cipher.h"

class TIdSSLCallbackTarget;
class TIdSSLContext;

class TIdSSLSocket {
public:
  TIdSSLSocket(TIdSSLCallbackTarget* owner, TIdSSLContext* context);
  ~TIdSSLSocket();
  TIdSSLSocket(const TIdSSLSocket&) = delete;
  TIdSSLSocket& operator=(const TIdSSLSocket&) = delete;

  // The client handshake. hostName, when given, is sent to the server (unless
  // it is an address) and, when the context verifies by default, must be
  // named by the server's certificate.
  void ConnectTLS(TIdStackSocketHandle socket, const std::string& hostName);
  // The server handshake.
  void AcceptTLS(TIdStackSocketHandle socket);
  // One read or write: the byte count, or 0 when the peer closed the link.
  // A failed link raises: a socket error for a failed socket, "Read Timeout"
  // when the socket's receive time-out ran out, otherwise EIdOSSLLinkError
  // with the library's reason.
  int32_t ReadTLS(void* buffer, int32_t length);
  int32_t WriteTLS(const void* buffer, int32_t length);
  // Bytes the library has taken from the socket and not yet handed out.
  bool HasPendingInput() const;
  TIdSSLCipher& CurrentCipher();

  TIdSSLCallbackTarget* const Owner;
  TIdSSLContext* const Context;
  SSL* Handle = nullptr;
  // An exception the status callback caught inside the library, raised
  // again once the library call has returned.
  std::exception_ptr PendingFailure;

private:
  void CreateHandle(TIdStackSocketHandle socket);
  int32_t CheckTransfer(int32_t result, const char* failureFormat);
  void RaisePendingFailure();
  void ReportCipher();

  std::unique_ptr<TIdSSLCipher> FCipher;
  // After a fatal error the library must not be asked to shut the link down.
  bool Broken = false;
};
