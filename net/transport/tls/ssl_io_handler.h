#pragma once
// The TLS transport: TLS over the socket transport, or plain pass-through
// while PlainMode is on. The HTTP exchange switches PlainMode per address.

#include "net/transport/io_handler_socket.h"

class TIdSSLIOHandlerSocket : public TIdIOHandlerSocket {
public:
  bool PlainMode() const { return FPlainMode; }
  void SetPlainMode(bool value);

private:
  bool FPlainMode = false;
};
