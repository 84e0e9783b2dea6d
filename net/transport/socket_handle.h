#pragma once
// One operating-system socket with its local binding (address, port or a
// client port range) and its peer. Every call goes through SharedStack.

#include <cstdint>
#include <string>

#include "net/transport/stack.h"

class TIdSocketHandle {
public:
  // defaultPort: the port of the collection the handle is created in, if any.
  explicit TIdSocketHandle(int32_t defaultPort = 0);
  virtual ~TIdSocketHandle();
  TIdSocketHandle(const TIdSocketHandle&) = delete;
  TIdSocketHandle& operator=(const TIdSocketHandle&) = delete;

  // Copies IP, Port, RemoteIP and RemotePort.
  void Assign(const TIdSocketHandle& source);

  void OpenSocket(int socketType = Id_SOCK_STREAM, int protocol = 0);
  virtual void ShutSocket(bool resetLocal = true);
  virtual int32_t ConnectPeer(int family = Id_PF_INET);
  virtual int32_t RecvFrom(void* buffer, int32_t length, int32_t flags, std::string& ip, int32_t& port);
  void BindLocal();
  bool TryBindLocal();
  bool BindInRange();
  void SetRemote(const std::string& address, int32_t port);
  void RefreshLocal();
  void RefreshRemote();
  void ClearBinding(bool resetLocal);
  bool AcceptFrom(TIdStackSocketHandle listeningSocket);
  bool WaitReadable(int32_t timeout);
  int32_t Receive(void* buffer, int32_t length, int32_t flags = 0);
  int32_t Send(const void* buffer, int32_t length, int32_t flags = 0);
  void ApplySocketOption(int32_t level, int32_t option, const void* value, int32_t length);

  TIdStackSocketHandle SocketId = Id_INVALID_SOCKET;
  bool IsOpen = false;
  std::string IP;
  std::string RemoteIP;
  int32_t Port = 0;
  int32_t RemotePort = 0;
  int32_t ClientPortMin = 0;
  int32_t ClientPortMax = 0;
};
