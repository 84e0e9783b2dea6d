#pragma once
// The exchangeable transport under a connection: the plain socket transport
// and the TLS transport implement it. The connection reaches the network only
// through these operations.

#include <cstdint>
#include <string>

#include "net/transport/component.h"
#include "net/transport/free_notification.h"

class TIdIOHandler : public TIdComponent, public TIdFreeNotifier {
public:
  virtual void AfterAccepted() {}
  virtual void CloseHandler() {}
  virtual void ConnectTo(const std::string& /*host*/, int32_t /*port*/, const std::string& /*boundIP*/,
                         int32_t /*boundPort*/, int32_t /*boundPortMin*/, int32_t /*boundPortMax*/,
                         int32_t /*timeout*/) {}
  virtual bool HandlerConnected() = 0;
  virtual void OpenHandler() {}
  virtual bool WaitReadable(int32_t timeout) = 0;
  // One receive: the byte count, 0 when the peer closed, -1 on error.
  virtual int32_t ReceiveSome(void* buffer, int32_t length) = 0;
  // One receive of only the bytes that have already arrived, for a reader that
  // expects more at once: false when nothing has arrived or this transport
  // cannot tell without waiting (the reader then waits with WaitReadable);
  // otherwise true, with the result ReceiveSome would have given.
  virtual bool ReceiveArrived(void* /*buffer*/, int32_t /*length*/, int32_t& /*received*/) { return false; }
  // One send: the byte count, -1 on error.
  virtual int32_t SendSome(const void* buffer, int32_t length) = 0;

  // The longest wait for a peer's answer during a handshake the transport
  // runs while connecting (SOCKS); 0 waits without limit. A client copies its
  // own ReadTimeout here before each connect.
  int32_t ReadTimeout = 0;
};
