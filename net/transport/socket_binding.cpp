#include "net/transport/socket_binding.h"

#include <cerrno>
#include <vector>

#include <fmt/core.h>

#include "net/transport/exceptions.h"
#include "net/transport/messages.h"

namespace socket_binding {
namespace {

std::vector<std::atomic<void*>*>& entries() {
  static std::vector<std::atomic<void*>*> all;
  return all;
}

}  // namespace

void Register(std::atomic<void*>* entry) { entries().push_back(entry); }

void RaiseCallError(const char* name) {
  throw EIdWS2StubError(fmt::format(transport_messages::LibraryCallError, name), sockets::WSANOTINITIALISED);
}

int32_t WSAStartup(uint16_t version) {
  if (sockets::IsLibraryLoaded()) return 0;
  if (!sockets::LoadLibrary())
    throw EIdWS2StubError(fmt::format(transport_messages::LibraryLoadError, transport_messages::SocketLibraryName),
                          static_cast<int32_t>(errno));
  auto startup = reinterpret_cast<int32_t (*)(uint16_t)>(sockets::FindExport("WSAStartup"));
  if (!startup) RaiseCallError("WSAStartup");
  return startup(version);
}

void UnloadLibrary() {
  sockets::UnloadLibrary();
  for (auto* entry : entries()) entry->store(nullptr, std::memory_order_release);
}

using sockets::TSockAddrIn;
using sockets::TSocket;

TSocketEntry<int32_t()> WSACleanup("WSACleanup");
TSocketEntry<int32_t()> WSAGetLastError("WSAGetLastError");
TSocketEntry<TSocket(int32_t, int32_t, int32_t)> socket("socket");
TSocketEntry<int32_t(TSocket, const TSockAddrIn*, int32_t)> bind("bind");
TSocketEntry<int32_t(TSocket, const TSockAddrIn*, int32_t)> connect("connect");
TSocketEntry<TSocket(TSocket, TSockAddrIn*, int32_t*)> accept("accept");
TSocketEntry<int32_t(TSocket, int32_t)> listen("listen");
TSocketEntry<int32_t(TSocket, int32_t)> shutdown("shutdown");
TSocketEntry<int32_t(TSocket)> closesocket("closesocket");
TSocketEntry<int32_t(TSocket, void*, int32_t, int32_t)> recv("recv");
TSocketEntry<int32_t(TSocket, const void*, int32_t, int32_t)> send("send");
TSocketEntry<int32_t(TSocket, void*, int32_t, int32_t, TSockAddrIn*, int32_t*)> recvfrom("recvfrom");
TSocketEntry<int32_t(TSocket, const void*, int32_t, int32_t, const TSockAddrIn*, int32_t)> sendto("sendto");
TSocketEntry<int32_t(TSocket, int32_t, int32_t, const void*, int32_t)> setsockopt("setsockopt");
TSocketEntry<int32_t(TSocket, int32_t, int32_t, void*, int32_t*)> getsockopt("getsockopt");
TSocketEntry<int32_t(TSocket, TSockAddrIn*, int32_t*)> getpeername("getpeername");
TSocketEntry<int32_t(TSocket, TSockAddrIn*, int32_t*)> getsockname("getsockname");
TSocketEntry<uint16_t(uint16_t)> htons("htons");
TSocketEntry<uint16_t(uint16_t)> ntohs("ntohs");
TSocketEntry<uint32_t(uint32_t)> htonl("htonl");
TSocketEntry<uint32_t(uint32_t)> ntohl("ntohl");
TSocketEntry<uint32_t(const char*)> inet_addr("inet_addr");
TSocketEntry<const sockets::THostEntry*(const char*)> gethostbyname("gethostbyname");
TSocketEntry<const sockets::THostEntry*(const char*, int32_t, int32_t)> gethostbyaddr("gethostbyaddr");
TSocketEntry<int32_t(char*, int32_t)> gethostname("gethostname");
TSocketEntry<const sockets::TServiceEntry*(const char*, const char*)> getservbyname("getservbyname");
TSocketEntry<const sockets::TServiceEntry*(int32_t, const char*)> getservbyport("getservbyport");
TSocketEntry<int32_t(int32_t, sockets::TSocketSet*, sockets::TSocketSet*, sockets::TSocketSet*,
                     const sockets::TTimeVal*)>
    select("select");
TSocketEntry<bool(TSocket, int)> TransmitFile("TransmitFile");

}  // namespace socket_binding
