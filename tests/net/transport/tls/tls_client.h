#pragma once
// A TCP client whose transport is a TLS transport, for tests against TLS
// peers on loopback.

#include <memory>
#include <string>

#include "net/transport/tcp_client.h"
#include "net/transport/tls/ssl_io_handler.h"

struct TlsClient {
  // The transport trusts the test CA unless the test says otherwise.
  TlsClient(const std::string& host, int port, const std::string& rootCertFile) {
    Transport.SSLOptions().RootCertFile = rootCertFile;
    Client.SetHost(host);
    Client.SetPort(port);
    Client.SetIOHandler(&Transport);
    Client.ReadTimeout = 10000;
  }

  TIdSSLIOHandlerSocket Transport;
  TIdTCPClient Client;
};
