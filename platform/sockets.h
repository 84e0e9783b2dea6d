#pragma once
// POSIX sockets behind the entry names and conventions of the socket library
// the transport was written for: failures come back as -1 (or a null result)
// with a last-error code in the Windows-socket numbering, so the transport's
// message table and tolerated-code lists apply unchanged. The transport binds
// these entries by name on first use (see net/transport/socket_binding.h).
// IPv4 only.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sockets {

using TSocket = int32_t;

// The 16-byte internet socket-address record: family, port in network
// order, four address bytes, eight zero bytes.
struct TSockAddrIn {
  uint16_t sin_family;
  uint16_t sin_port;
  uint8_t sin_addr[4];
  uint8_t sin_zero[8];
};
static_assert(sizeof(TSockAddrIn) == 16);

// The socket-set record select takes: a count and up to 64 handles.
struct TSocketSet {
  static constexpr int32_t Capacity = 64;
  int32_t fd_count = 0;
  TSocket fd_array[Capacity] = {};
};

struct TTimeVal {
  int32_t tv_sec;
  int32_t tv_usec;
};

// A name lookup's result, valid until the next lookup on the same thread.
struct THostEntry {
  std::string h_name;
  std::vector<std::string> h_aliases;
  std::vector<uint32_t> h_addr_list;  // network order
};

struct TServiceEntry {
  std::string s_name;
  std::vector<std::string> s_aliases;
  uint16_t s_port;  // network order
};

// Loading stands in for loading the system's socket library file; it cannot
// fail here, but keeps the load-once/unload contract the binding relies on.
bool LoadLibrary();
void UnloadLibrary();
bool IsLibraryLoaded();
// The address of an exported entry, or null when the library does not export
// the name.
void* FindExport(std::string_view name);

// Windows-socket code for a POSIX errno value.
int32_t TranslateErrno(int error);

// Error codes used beyond the errno translation.
inline constexpr int32_t WSAEWOULDBLOCK = 10035;
inline constexpr int32_t WSANOTINITIALISED = 10093;
inline constexpr int32_t WSAHOST_NOT_FOUND = 11001;

// A receive flag of this layer's own, which the library lacks: take only the
// bytes that have already arrived, failing with WSAEWOULDBLOCK when there are
// none, so a reader that expects more can skip the readiness wait.
inline constexpr int32_t RECEIVE_NO_WAIT = 0x40000000;

// Levels and options in the library's numbering.
inline constexpr int32_t SOL_SOCKET_LEVEL = 0xFFFF;
inline constexpr int32_t IPPROTO_TCP_LEVEL = 6;
inline constexpr int32_t TCP_NODELAY_OPTION = 1;

}  // namespace sockets
