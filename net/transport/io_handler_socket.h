#pragma once
// The plain socket transport: one socket handle, connected directly or through
// a SOCKS proxy, optionally with a connect time-out.

#include <cstdint>
#include <memory>
#include <string>

#include "net/transport/io_handler.h"
#include "net/transport/socket_handle.h"
#include "net/transport/socks.h"

class TIdIOHandlerSocket : public TIdIOHandler {
public:
  ~TIdIOHandlerSocket() override;

  void CloseHandler() override;
  // Binds, resolves, connects (with a time-out other than -1 and 0 on a
  // second thread) and then negotiates the SOCKS proxy, if any.
  void ConnectTo(const std::string& host, int32_t port, const std::string& boundIP, int32_t boundPort,
                 int32_t boundPortMin, int32_t boundPortMax, int32_t timeout) override;
  bool HandlerConnected() override;
  void OpenHandler() override;
  bool WaitReadable(int32_t timeout) override;
  int32_t ReceiveSome(void* buffer, int32_t length) override;
  bool ReceiveArrived(void* buffer, int32_t length, int32_t& received) override;
  int32_t SendSome(const void* buffer, int32_t length) override;

  // Reading creates private settings when none are set.
  TIdSocksInfo* SocksInfo();
  // None forgets the reference; settings owned by another component are
  // referenced (and forgotten when destroyed); free-standing settings are
  // copied into the private ones.
  void SetSocksInfo(TIdSocksInfo* value);

  std::unique_ptr<TIdSocketHandle> SocketBinding;
  bool UseNagle = true;

private:
  void ConnectWithTimeout(int32_t timeout);
  void CheckLength(int32_t length);
  void ForgetForeignSocksInfo();

  std::unique_ptr<TIdSocksInfo> PrivateSocksInfo;
  TIdSocksInfo* FSocksInfo = nullptr;
};
