#pragma once
// The socket library is not linked: each entry the stack uses is reached
// through this table by name. An entry resolves itself on its first call
// (the library must have been loaded by WSAStartup) and later calls go
// straight to the function. Unloading resets every entry.

#include <atomic>
#include <cstdint>

#include "platform/sockets.h"

namespace socket_binding {

// Raises EIdWS2StubError for a call through an entry that cannot be resolved.
[[noreturn]] void RaiseCallError(const char* name);
void Register(std::atomic<void*>* entry);

template <typename Signature>
class TSocketEntry;

template <typename R, typename... Args>
class TSocketEntry<R(Args...)> {
public:
  explicit TSocketEntry(const char* name) : Name(name) { Register(&Function); }

  R operator()(Args... args) {
    void* function = Function.load(std::memory_order_acquire);
    if (!function) function = Resolve();
    return reinterpret_cast<R (*)(Args...)>(function)(args...);
  }

private:
  // Two threads may resolve at once; both store the same address.
  void* Resolve() {
    void* function = sockets::FindExport(Name);
    if (!function) RaiseCallError(Name);
    Function.store(function, std::memory_order_release);
    return function;
  }

  const char* Name;
  std::atomic<void*> Function{nullptr};
};

// Loads the library on first use and starts it; later calls return 0 at once.
int32_t WSAStartup(uint16_t version);
// Cleans up and unloads the library, resetting every entry.
void UnloadLibrary();

extern TSocketEntry<int32_t()> WSACleanup;
extern TSocketEntry<int32_t()> WSAGetLastError;
extern TSocketEntry<sockets::TSocket(int32_t, int32_t, int32_t)> socket;
extern TSocketEntry<int32_t(sockets::TSocket, const sockets::TSockAddrIn*, int32_t)> bind;
extern TSocketEntry<int32_t(sockets::TSocket, const sockets::TSockAddrIn*, int32_t)> connect;
extern TSocketEntry<sockets::TSocket(sockets::TSocket, sockets::TSockAddrIn*, int32_t*)> accept;
extern TSocketEntry<int32_t(sockets::TSocket, int32_t)> listen;
extern TSocketEntry<int32_t(sockets::TSocket, int32_t)> shutdown;
extern TSocketEntry<int32_t(sockets::TSocket)> closesocket;
extern TSocketEntry<int32_t(sockets::TSocket, void*, int32_t, int32_t)> recv;
extern TSocketEntry<int32_t(sockets::TSocket, const void*, int32_t, int32_t)> send;
extern TSocketEntry<int32_t(sockets::TSocket, void*, int32_t, int32_t, sockets::TSockAddrIn*, int32_t*)> recvfrom;
extern TSocketEntry<int32_t(sockets::TSocket, const void*, int32_t, int32_t, const sockets::TSockAddrIn*, int32_t)>
    sendto;
extern TSocketEntry<int32_t(sockets::TSocket, int32_t, int32_t, const void*, int32_t)> setsockopt;
extern TSocketEntry<int32_t(sockets::TSocket, int32_t, int32_t, void*, int32_t*)> getsockopt;
extern TSocketEntry<int32_t(sockets::TSocket, sockets::TSockAddrIn*, int32_t*)> getpeername;
extern TSocketEntry<int32_t(sockets::TSocket, sockets::TSockAddrIn*, int32_t*)> getsockname;
extern TSocketEntry<uint16_t(uint16_t)> htons;
extern TSocketEntry<uint16_t(uint16_t)> ntohs;
extern TSocketEntry<uint32_t(uint32_t)> htonl;
extern TSocketEntry<uint32_t(uint32_t)> ntohl;
extern TSocketEntry<uint32_t(const char*)> inet_addr;
extern TSocketEntry<const sockets::THostEntry*(const char*)> gethostbyname;
extern TSocketEntry<const sockets::THostEntry*(const char*, int32_t, int32_t)> gethostbyaddr;
extern TSocketEntry<int32_t(char*, int32_t)> gethostname;
extern TSocketEntry<const sockets::TServiceEntry*(const char*, const char*)> getservbyname;
extern TSocketEntry<const sockets::TServiceEntry*(int32_t, const char*)> getservbyport;
extern TSocketEntry<int32_t(int32_t, sockets::TSocketSet*, sockets::TSocketSet*, sockets::TSocketSet*,
                            const sockets::TTimeVal*)>
    select;
extern TSocketEntry<bool(sockets::TSocket, int)> TransmitFile;

}  // namespace socket_binding
