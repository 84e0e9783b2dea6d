#pragma once
// A TCP client already connected to a test peer on 127.0.0.1.

#include <memory>

#include "net/transport/tcp_client.h"

inline std::unique_ptr<TIdTCPClient> ConnectedClient(int port, int32_t recvBufferSize = 32768) {
  auto client = std::make_unique<TIdTCPClient>();
  client->SetHost("127.0.0.1");
  client->SetPort(port);
  client->RecvBufferSize = recvBufferSize;
  client->OpenConnection();
  return client;
}
