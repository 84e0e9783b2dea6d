#include "platform/sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>

namespace sockets {
namespace {

std::atomic<bool> libraryLoaded{false};
thread_local int32_t lastError = 0;

int32_t fail(int32_t code) {
  lastError = code;
  return -1;
}

int32_t failErrno() { return fail(TranslateErrno(errno)); }

int32_t checked(long result) { return result < 0 ? failErrno() : static_cast<int32_t>(result); }

// The library's socket-level options differ in number from Linux's.
bool translateOption(int32_t& level, int32_t& option) {
  if (level != SOL_SOCKET_LEVEL) return true;
  level = SOL_SOCKET;
  switch (option) {
    case 0x0004: option = SO_REUSEADDR; return true;
    case 0x0008: option = SO_KEEPALIVE; return true;
    case 0x0020: option = SO_BROADCAST; return true;
    case 0x0080: option = SO_LINGER; return true;
    case 0x1001: option = SO_SNDBUF; return true;
    case 0x1002: option = SO_RCVBUF; return true;
    case 0x1005: option = SO_SNDTIMEO; return true;
    case 0x1006: option = SO_RCVTIMEO; return true;
    case 0x1007: option = SO_ERROR; return true;
    case 0x1008: option = SO_TYPE; return true;
    default: return false;
  }
}

int nativeType(int32_t type) {
  switch (type) {
    case 1: return SOCK_STREAM;
    case 2: return SOCK_DGRAM;
    case 3: return SOCK_RAW;
    default: return -1;
  }
}

int32_t lookupFailure(int result) {
  switch (result) {
    case EAI_SYSTEM: return fail(TranslateErrno(errno));
    case EAI_MEMORY: return fail(10055);
    default: return fail(WSAHOST_NOT_FOUND);
  }
}

// --- the exported entries ---------------------------------------------------

int32_t WSAStartup(uint16_t /*version*/) { return 0; }
int32_t WSACleanup() { return 0; }
int32_t WSAGetLastError() { return lastError; }

TSocket socket_(int32_t family, int32_t type, int32_t protocol) {
  if (family != AF_INET) return fail(10047);
  const int native = nativeType(type);
  if (native < 0) return fail(10044);
  return checked(::socket(AF_INET, native | SOCK_CLOEXEC, protocol));
}

int32_t bind_(TSocket s, const TSockAddrIn* address, int32_t length) {
  return checked(::bind(s, reinterpret_cast<const sockaddr*>(address), static_cast<socklen_t>(length)));
}

int32_t connect_(TSocket s, const TSockAddrIn* address, int32_t length) {
  for (;;) {
    const int r = ::connect(s, reinterpret_cast<const sockaddr*>(address), static_cast<socklen_t>(length));
    if (r == 0) return 0;
    if (errno != EINTR) return failErrno();
    // An interrupted connect goes on in the background; wait for its end.
    pollfd p{s, POLLOUT, 0};
    while (::poll(&p, 1, -1) < 0 && errno == EINTR) {
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return failErrno();
    return error == 0 ? 0 : fail(TranslateErrno(error));
  }
}

TSocket accept_(TSocket s, TSockAddrIn* address, int32_t* length) {
  socklen_t size = length ? static_cast<socklen_t>(*length) : 0;
  int r;
  do {
    r = ::accept4(s, reinterpret_cast<sockaddr*>(address), length ? &size : nullptr, SOCK_CLOEXEC);
  } while (r < 0 && errno == EINTR);
  if (length) *length = static_cast<int32_t>(size);
  return checked(r);
}

int32_t listen_(TSocket s, int32_t backlog) { return checked(::listen(s, backlog)); }
int32_t shutdown_(TSocket s, int32_t how) { return checked(::shutdown(s, how)); }
int32_t closesocket(TSocket s) { return checked(::close(s)); }

// A negative length would become a huge unsigned size.
constexpr int32_t InvalidArgument = 10022;

int32_t recv_(TSocket s, void* buffer, int32_t length, int32_t flags) {
  if (length < 0) return fail(InvalidArgument);
  const int native = (flags & ~RECEIVE_NO_WAIT) | ((flags & RECEIVE_NO_WAIT) ? MSG_DONTWAIT : 0);
  ssize_t r;
  do r = ::recv(s, buffer, static_cast<size_t>(length), native);
  while (r < 0 && errno == EINTR);
  return checked(r);
}

// A peer that went away must give an error code, not kill the process.
int32_t send_(TSocket s, const void* buffer, int32_t length, int32_t flags) {
  if (length < 0) return fail(InvalidArgument);
  ssize_t r;
  do r = ::send(s, buffer, static_cast<size_t>(length), flags | MSG_NOSIGNAL);
  while (r < 0 && errno == EINTR);
  return checked(r);
}

int32_t recvfrom_(TSocket s, void* buffer, int32_t length, int32_t flags, TSockAddrIn* from, int32_t* fromLength) {
  if (length < 0) return fail(InvalidArgument);
  socklen_t size = fromLength ? static_cast<socklen_t>(*fromLength) : 0;
  const ssize_t r = ::recvfrom(s, buffer, static_cast<size_t>(length), flags, reinterpret_cast<sockaddr*>(from),
                               fromLength ? &size : nullptr);
  if (fromLength) *fromLength = static_cast<int32_t>(size);
  return checked(r);
}

int32_t sendto_(TSocket s, const void* buffer, int32_t length, int32_t flags, const TSockAddrIn* to, int32_t toLength) {
  if (length < 0) return fail(InvalidArgument);
  return checked(::sendto(s, buffer, static_cast<size_t>(length), flags | MSG_NOSIGNAL,
                          reinterpret_cast<const sockaddr*>(to), static_cast<socklen_t>(toLength)));
}

int32_t setsockopt_(TSocket s, int32_t level, int32_t option, const void* value, int32_t length) {
  if (!translateOption(level, option)) return fail(10042);
  return checked(::setsockopt(s, level, option, value, static_cast<socklen_t>(length)));
}

int32_t getsockopt_(TSocket s, int32_t level, int32_t option, void* value, int32_t* length) {
  if (!translateOption(level, option)) return fail(10042);
  socklen_t size = static_cast<socklen_t>(*length);
  const int r = ::getsockopt(s, level, option, value, &size);
  *length = static_cast<int32_t>(size);
  return checked(r);
}

int32_t getpeername_(TSocket s, TSockAddrIn* address, int32_t* length) {
  socklen_t size = static_cast<socklen_t>(*length);
  const int r = ::getpeername(s, reinterpret_cast<sockaddr*>(address), &size);
  *length = static_cast<int32_t>(size);
  return checked(r);
}

int32_t getsockname_(TSocket s, TSockAddrIn* address, int32_t* length) {
  socklen_t size = static_cast<socklen_t>(*length);
  const int r = ::getsockname(s, reinterpret_cast<sockaddr*>(address), &size);
  *length = static_cast<int32_t>(size);
  return checked(r);
}

uint16_t htons_(uint16_t v) { return htons(v); }
uint16_t ntohs_(uint16_t v) { return ntohs(v); }
uint32_t htonl_(uint32_t v) { return htonl(v); }
uint32_t ntohl_(uint32_t v) { return ntohl(v); }

uint32_t inet_addr_(const char* text) {
  in_addr a{};
  return ::inet_aton(text, &a) ? a.s_addr : INADDR_NONE;
}

const THostEntry* gethostbyname_(const char* name) {
  static thread_local THostEntry entry;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_CANONNAME;
  addrinfo* found = nullptr;
  const int r = ::getaddrinfo(name, nullptr, &hints, &found);
  if (r != 0) {
    lookupFailure(r);
    return nullptr;
  }
  std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> owner(found, ::freeaddrinfo);
  entry = THostEntry{};
  entry.h_name = found->ai_canonname ? found->ai_canonname : name;
  for (const addrinfo* a = found; a; a = a->ai_next) {
    const uint32_t address = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
    bool seen = false;
    for (uint32_t known : entry.h_addr_list) seen = seen || known == address;
    if (!seen) entry.h_addr_list.push_back(address);
  }
  return &entry;
}

const THostEntry* gethostbyaddr_(const char* address, int32_t length, int32_t family) {
  static thread_local THostEntry entry;
  if (length != 4 || family != AF_INET) {
    fail(10047);
    return nullptr;
  }
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  std::memcpy(&peer.sin_addr, address, 4);
  char host[NI_MAXHOST];
  const int r =
      ::getnameinfo(reinterpret_cast<sockaddr*>(&peer), sizeof peer, host, sizeof host, nullptr, 0, NI_NAMEREQD);
  if (r != 0) {
    lookupFailure(r);
    return nullptr;
  }
  entry = THostEntry{host, {}, {peer.sin_addr.s_addr}};
  return &entry;
}

int32_t gethostname_(char* buffer, int32_t length) {
  return checked(::gethostname(buffer, static_cast<size_t>(length)));
}

const TServiceEntry* serviceEntry(const servent* found) {
  static thread_local TServiceEntry entry;
  if (!found) return nullptr;
  entry = TServiceEntry{found->s_name, {}, static_cast<uint16_t>(found->s_port)};
  for (char** alias = found->s_aliases; alias && *alias; ++alias) entry.s_aliases.emplace_back(*alias);
  return &entry;
}

const TServiceEntry* getservbyname_(const char* name, const char* protocol) {
  servent result{};
  servent* found = nullptr;
  char buffer[1024];
  ::getservbyname_r(name, protocol, &result, buffer, sizeof buffer, &found);
  return serviceEntry(found);
}

const TServiceEntry* getservbyport_(int32_t port, const char* protocol) {
  servent result{};
  servent* found = nullptr;
  char buffer[1024];
  ::getservbyport_r(port, protocol, &result, buffer, sizeof buffer, &found);
  return serviceEntry(found);
}

// Waits on the handles of the three sets; afterwards each set holds only its
// ready handles. Built on poll so that descriptors above 1023 work too.
int32_t select_(int32_t /*ignored*/, TSocketSet* readSet, TSocketSet* writeSet, TSocketSet* errorSet,
                const TTimeVal* timeout) {
  // On the stack: a reader waits before many of its receives.
  pollfd polled[3 * TSocketSet::Capacity];
  nfds_t count = 0;
  TSocketSet* sets[3] = {readSet, writeSet, errorSet};
  const short wanted[3] = {POLLIN, POLLOUT, POLLPRI};
  for (int k = 0; k < 3; ++k) {
    if (!sets[k]) continue;
    const int32_t given = std::clamp(sets[k]->fd_count, 0, TSocketSet::Capacity);
    for (int32_t i = 0; i < given; ++i) polled[count++] = pollfd{sets[k]->fd_array[i], wanted[k], 0};
  }
  const int ms = timeout ? timeout->tv_sec * 1000 + (timeout->tv_usec + 999) / 1000 : -1;
  int r;
  do r = ::poll(polled, count, ms);
  while (r < 0 && errno == EINTR);
  if (r < 0) return failErrno();
  int32_t ready = 0;
  size_t next = 0;
  for (int k = 0; k < 3; ++k) {
    if (!sets[k]) continue;
    TSocketSet kept;
    const int32_t given = std::clamp(sets[k]->fd_count, 0, TSocketSet::Capacity);
    for (int32_t i = 0; i < given; ++i, ++next) {
      const short seen = polled[next].revents;
      // A closed or failed socket counts as readable: the read reports it.
      const short counts = k == 0   ? (POLLIN | POLLHUP | POLLERR | POLLNVAL)
                           : k == 1 ? (POLLOUT | POLLERR | POLLNVAL)
                                    : POLLPRI;
      if (seen & counts) kept.fd_array[kept.fd_count++] = polled[next].fd;
    }
    ready += kept.fd_count;
    *sets[k] = kept;
  }
  return ready;
}

// Sends a whole open file; true when every byte went out.
bool TransmitFile(TSocket s, int file) {
  struct stat info {};
  if (::fstat(file, &info) != 0) {
    failErrno();
    return false;
  }
  off_t offset = 0;
  while (offset < info.st_size) {
    const ssize_t n = ::sendfile(s, file, &offset, static_cast<size_t>(info.st_size - offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failErrno();
      return false;
    }
  }
  return true;
}

struct Export {
  std::string_view name;
  void* address;
};

template <typename F>
void* exported(F* function) {
  return reinterpret_cast<void*>(function);
}

const Export exports[] = {
    {"WSAStartup", exported(WSAStartup)},
    {"WSACleanup", exported(WSACleanup)},
    {"WSAGetLastError", exported(WSAGetLastError)},
    {"socket", exported(socket_)},
    {"bind", exported(bind_)},
    {"connect", exported(connect_)},
    {"accept", exported(accept_)},
    {"listen", exported(listen_)},
    {"shutdown", exported(shutdown_)},
    {"closesocket", exported(closesocket)},
    {"recv", exported(recv_)},
    {"send", exported(send_)},
    {"recvfrom", exported(recvfrom_)},
    {"sendto", exported(sendto_)},
    {"setsockopt", exported(setsockopt_)},
    {"getsockopt", exported(getsockopt_)},
    {"getpeername", exported(getpeername_)},
    {"getsockname", exported(getsockname_)},
    {"htons", exported(htons_)},
    {"ntohs", exported(ntohs_)},
    {"htonl", exported(htonl_)},
    {"ntohl", exported(ntohl_)},
    {"inet_addr", exported(inet_addr_)},
    {"gethostbyname", exported(gethostbyname_)},
    {"gethostbyaddr", exported(gethostbyaddr_)},
    {"gethostname", exported(gethostname_)},
    {"getservbyname", exported(getservbyname_)},
    {"getservbyport", exported(getservbyport_)},
    {"select", exported(select_)},
    {"TransmitFile", exported(TransmitFile)},
};

}  // namespace

bool LoadLibrary() {
  libraryLoaded = true;
  return true;
}

void UnloadLibrary() { libraryLoaded = false; }

bool IsLibraryLoaded() { return libraryLoaded; }

void* FindExport(std::string_view name) {
  if (!libraryLoaded) return nullptr;
  for (const Export& e : exports)
    if (e.name == name) return e.address;
  return nullptr;
}

int32_t TranslateErrno(int error) {
  switch (error) {
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES:
    case EPERM: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE:
    case ENFILE: return 10024;
    case EWOULDBLOCK: return 10035;
    case EINPROGRESS: return 10036;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    case ECONNRESET: return 10054;
    case ENOBUFS:
    case ENOMEM: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case EPIPE:
    case ESHUTDOWN: return 10058;
    case ETOOMANYREFS: return 10059;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case ELOOP: return 10062;
    case ENAMETOOLONG: return 10063;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    case ENOTEMPTY: return 10066;
    default: return 10000 + error;
  }
}

}  // namespace sockets
