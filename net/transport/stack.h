#pragma once
// The socket stack: the lowest layer of the network client. It turns the
// socket library's calls into operations on IPv4 text addresses and ports,
// resolves host names and raises the transport's socket errors. Exactly one
// stack (SharedStack) exists while any network component exists.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

using TIdStackSocketHandle = int32_t;
inline constexpr TIdStackSocketHandle Id_INVALID_SOCKET = -1;
inline constexpr int32_t Id_SOCKET_ERROR = -1;
inline constexpr int Id_PF_INET = 2;
inline constexpr int Id_SOCK_STREAM = 1;

// Time-out arguments in milliseconds.
inline constexpr int32_t TimeoutUseDefault = -1;
inline constexpr int32_t TimeoutForever = -2;

// A set of at most 64 socket handles, as the socket library's select takes.
class TIdSocketList {
public:
  virtual ~TIdSocketList() = default;
  virtual TIdStackSocketHandle GetItem(int32_t index) const = 0;
  virtual void Add(TIdStackSocketHandle handle) = 0;
  virtual void Remove(TIdStackSocketHandle handle) = 0;
  virtual int32_t Count() const = 0;
  void Clear();

  static std::unique_ptr<TIdSocketList> CreateSocketList();
};

class TIdSocketListWindows : public TIdSocketList {
public:
  static constexpr int32_t SetSize = 64;
  TIdStackSocketHandle GetItem(int32_t index) const override;
  void Add(TIdStackSocketHandle handle) override;
  void Remove(TIdStackSocketHandle handle) override;
  int32_t Count() const override { return FCount; }

private:
  int32_t FCount = 0;
  TIdStackSocketHandle FHandles[SetSize] = {};
};

struct TIdSocketAddress {
  int32_t Family = Id_PF_INET;
  std::string IP;
  int32_t Port = 0;
};

class TIdStack {
public:
  TIdStack() = default;
  virtual ~TIdStack() = default;
  TIdStack(const TIdStack&) = delete;
  TIdStack& operator=(const TIdStack&) = delete;

  // Local addresses: the list is created on first use and owned by the stack.
  virtual void RefreshLocalAddresses() = 0;
  std::string FirstLocalAddress();
  const std::vector<std::string>& LocalAddresses();

  virtual TIdStackSocketHandle SocketAccept(TIdStackSocketHandle socket, std::string& ip, int32_t& port) = 0;
  virtual int32_t SocketBind(TIdStackSocketHandle socket, int family, const std::string& ip, int32_t port) = 0;
  virtual int32_t SocketClose(TIdStackSocketHandle socket) = 0;
  virtual int32_t SocketConnect(TIdStackSocketHandle socket, int family, const std::string& ip, int32_t port) = 0;
  virtual std::string LookupHostAddress(const std::string& host) = 0;
  virtual std::string LocalHostName() = 0;
  virtual std::string LookupHostName(const std::string& address) = 0;
  virtual int32_t LookupServicePort(const std::string& service) = 0;
  virtual std::vector<std::string> LookupServiceNames(int32_t port) = 0;
  virtual uint16_t HostToNet16(uint16_t value) = 0;
  virtual int32_t SocketListen(TIdStackSocketHandle socket, int32_t backlog) = 0;
  virtual uint16_t NetToHost16(uint16_t value) = 0;
  virtual uint32_t HostToNet32(uint32_t value) = 0;
  virtual uint32_t NetToHost32(uint32_t value) = 0;
  virtual int32_t SocketRecv(TIdStackSocketHandle socket, void* buffer, int32_t length, int32_t flags) = 0;
  virtual int32_t SocketRecvFrom(TIdStackSocketHandle socket, void* buffer, int32_t length, int32_t flags,
                                 std::string& ip, int32_t& port) = 0;
  // Time-out in ms; TimeoutForever waits without limit. Each given list is
  // refilled with its ready sockets. Returns the number ready, 0 on time-out,
  // -1 on error.
  virtual int32_t SocketSelect(TIdSocketList* readList, TIdSocketList* writeList, int32_t timeout,
                               TIdSocketList* exceptList) = 0;
  virtual int32_t SocketSend(TIdStackSocketHandle socket, const void* buffer, int32_t length, int32_t flags) = 0;
  virtual int32_t SocketSendTo(TIdStackSocketHandle socket, const void* buffer, int32_t length, int32_t flags,
                               const std::string& ip, int32_t port) = 0;
  virtual int32_t SocketSetOption(TIdStackSocketHandle socket, int32_t level, int32_t option, const void* value,
                                  int32_t length) = 0;
  virtual TIdStackSocketHandle SocketCreate(int family, int type, int protocol) = 0;
  virtual int32_t SocketShutdown(TIdStackSocketHandle socket, int32_t how) = 0;
  virtual std::string ErrorText(int32_t code);
  virtual int32_t FetchLastErrorCode() = 0;
  virtual TIdSocketAddress PeerAddressOf(TIdStackSocketHandle socket) = 0;
  virtual TIdSocketAddress LocalAddressOf(TIdStackSocketHandle socket) = 0;
  virtual int32_t SocketGetOption(TIdStackSocketHandle socket, int32_t level, int32_t option, void* value,
                                  int32_t& length) = 0;
  virtual std::string AddressToText(const uint8_t address[4]) = 0;
  virtual void TextToAddress(const std::string& text, uint8_t address[4]) = 0;

  // result ≠ -1: false. result = -1: fetches the last error into
  // LastErrorCode; true when tolerated, otherwise raises EIdSocketError.
  bool CheckSocketResult(int32_t result, std::initializer_list<int32_t> tolerated = {});
  [[noreturn]] void RaiseSocketErrorFor(int32_t code);
  TIdStackSocketHandle NewSocket(int type, int protocol);
  // "LOCALHOST" in any case gives 127.0.0.1 without a lookup; a dotted quad
  // is returned unchanged; anything else is looked up.
  std::string ResolveHostAddress(const std::string& host);
  static bool IsDottedQuad(std::string_view text);
  void DottedQuadToAddress(const std::string& text, uint8_t address[4]) { TextToAddress(text, address); }

  // Per thread, as the socket library's own last error is: the connect
  // thread's failures must not overwrite the caller's.
  static thread_local int32_t LastErrorCode;

protected:
  std::unique_ptr<std::vector<std::string>> LocalAddressList;
};

// The stack over our socket library binding (the POSIX socket API behind an
// entry table with the library's names and error numbering).
class TIdStackWindows : public TIdStack {
public:
  TIdStackWindows();
  void RefreshLocalAddresses() override;
  TIdStackSocketHandle SocketAccept(TIdStackSocketHandle socket, std::string& ip, int32_t& port) override;
  int32_t SocketBind(TIdStackSocketHandle socket, int family, const std::string& ip, int32_t port) override;
  int32_t SocketClose(TIdStackSocketHandle socket) override;
  int32_t SocketConnect(TIdStackSocketHandle socket, int family, const std::string& ip, int32_t port) override;
  std::string LookupHostAddress(const std::string& host) override;
  std::string LocalHostName() override;
  std::string LookupHostName(const std::string& address) override;
  int32_t LookupServicePort(const std::string& service) override;
  std::vector<std::string> LookupServiceNames(int32_t port) override;
  uint16_t HostToNet16(uint16_t value) override;
  int32_t SocketListen(TIdStackSocketHandle socket, int32_t backlog) override;
  uint16_t NetToHost16(uint16_t value) override;
  uint32_t HostToNet32(uint32_t value) override;
  uint32_t NetToHost32(uint32_t value) override;
  int32_t SocketRecv(TIdStackSocketHandle socket, void* buffer, int32_t length, int32_t flags) override;
  int32_t SocketRecvFrom(TIdStackSocketHandle socket, void* buffer, int32_t length, int32_t flags, std::string& ip,
                         int32_t& port) override;
  int32_t SocketSelect(TIdSocketList* readList, TIdSocketList* writeList, int32_t timeout,
                       TIdSocketList* exceptList) override;
  int32_t SocketSend(TIdStackSocketHandle socket, const void* buffer, int32_t length, int32_t flags) override;
  int32_t SocketSendTo(TIdStackSocketHandle socket, const void* buffer, int32_t length, int32_t flags,
                       const std::string& ip, int32_t port) override;
  int32_t SocketSetOption(TIdStackSocketHandle socket, int32_t level, int32_t option, const void* value,
                          int32_t length) override;
  TIdStackSocketHandle SocketCreate(int family, int type, int protocol) override;
  int32_t SocketShutdown(TIdStackSocketHandle socket, int32_t how) override;
  std::string ErrorText(int32_t code) override;
  int32_t FetchLastErrorCode() override;
  TIdSocketAddress PeerAddressOf(TIdStackSocketHandle socket) override;
  TIdSocketAddress LocalAddressOf(TIdStackSocketHandle socket) override;
  int32_t SocketGetOption(TIdStackSocketHandle socket, int32_t level, int32_t option, void* value,
                          int32_t& length) override;
  std::string AddressToText(const uint8_t address[4]) override;
  void TextToAddress(const std::string& text, uint8_t address[4]) override;
};

// Process-wide state of the stack. SharedStack lives from the creation of the
// first network component to the destruction of the last (see TIdComponent).
extern TIdStack* SharedStack;
extern int32_t StackUsers;
extern std::mutex StackLock;
bool SocketLibraryStarted();

// Sends a whole file over a socket; returns its size on success, else 0.
// Set when the platform offers a whole-file send.
using TFileSender = int64_t (*)(TIdStackSocketHandle socket, const std::string& fileName);
extern TFileSender FileSender;
