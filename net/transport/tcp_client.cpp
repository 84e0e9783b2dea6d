#include "net/transport/tcp_client.h"

#include <memory>

#include "net/transport/exceptions.h"
#include "net/transport/intercept.h"
#include "net/transport/io_handler_socket.h"
#include "net/transport/messages.h"

void TIdTCPClient::NotifyConnected() {
  if (OnConnected) OnConnected(this);
}

void TIdTCPClient::OpenConnection(int32_t timeout) {
  if (!IOHandler()) {
    auto handler = std::make_unique<TIdIOHandlerSocket>();
    // Only a transport created here reports its resolving and connecting
    // statuses through the client's handler.
    handler->OnStatus = OnStatus;
    AdoptIOHandler(std::move(handler));
  } else if (IOHandler()->HandlerConnected()) {
    throw EIdAlreadyConnected(transport_messages::AlreadyConnected);
  }
  const TTransportInUse inUse(*this);
  try {
    IOHandler()->OpenHandler();
    ResetState();
    IOHandler()->ReadTimeout = ReadTimeout;
    IOHandler()->ConnectTo(FHost, FPort, BoundIP, BoundPort, BoundPortMin, BoundPortMax, timeout);
    // A handler that closed the connection meanwhile (Stop during the
    // connect) ends the open quietly, without reporting a connection.
    if (!IsConnected()) return;
    if (Intercept()) Intercept()->AttachTo(this);
    if (!IsConnected()) return;
    ReportStatus(hsConnected, FHost);
    NotifyConnected();
  } catch (...) {
    DropSocket();
    throw;
  }
}

std::string TIdTCPClient::ConnectAndReadAll() {
  OpenConnection();
  std::string all;
  try {
    all = ReadAll();
  } catch (...) {
    CloseConnection();
    throw;
  }
  CloseConnection();
  return all;
}
