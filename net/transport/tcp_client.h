#pragma once
// A connection that knows its peer (host and port) and its local binding, and
// opens itself: without a transport of its own it creates a socket transport
// on each connect and frees it on close.

#include <cstdint>
#include <string>

#include "net/transport/tcp_connection.h"

class TIdTCPClient : public TIdTCPConnection {
public:
  const std::string& Host() const { return FHost; }
  int32_t Port() const { return FPort; }
  virtual void SetHost(const std::string& value) { FHost = value; }
  virtual void SetPort(int32_t value) { FPort = value; }
  virtual void NotifyConnected();
  // Time-out in ms for the connect; -1 and 0 connect without a time-out.
  virtual void OpenConnection(int32_t timeout = TimeoutUseDefault);
  // Opens, reads until the peer closes, and closes in any case.
  virtual std::string ConnectAndReadAll();

  std::string BoundIP;
  int32_t BoundPort = 0;
  int32_t BoundPortMax = 0;
  int32_t BoundPortMin = 0;
  TNotifyEvent OnConnected;

private:
  std::string FHost;
  int32_t FPort = 0;
};
