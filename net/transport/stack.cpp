#include "net/transport/stack.h"

#include <algorithm>
#include <cstring>
#include <map>

#include <fmt/core.h>

#include "net/transport/dotted_quad.h"
#include "net/transport/exceptions.h"
#include "net/transport/messages.h"
#include "net/transport/socket_binding.h"
#include "net/transport/socket_stop.h"
#include "platform/int_parse.h"
#include "platform/streams.h"

namespace sb = socket_binding;
namespace msg = transport_messages;

TIdStack* SharedStack = nullptr;
thread_local int32_t TIdStack::LastErrorCode = 0;
int32_t StackUsers = 0;
std::mutex StackLock;

namespace {

bool stackStarted = false;

// The library is started once per process and cleaned up when it ends.
struct LibraryCleanup {
  ~LibraryCleanup() {
    if (stackStarted) sb::WSACleanup();
  }
} libraryCleanup;

int64_t sendWholeFile(TIdStackSocketHandle socket, const std::string& fileName) {
  try {
    TFileStream file(fileName, fmOpenRead);
    const int64_t size = file.GetSize();
    return sb::TransmitFile(socket, file.Handle()) ? size : 0;
  } catch (const EStreamError&) {
    return 0;
  }
}

sockets::TSockAddrIn socketAddress(TIdStack& stack, const std::string& ip, int32_t port) {
  sockets::TSockAddrIn address{};
  address.sin_family = Id_PF_INET;
  address.sin_port = stack.HostToNet16(static_cast<uint16_t>(port));
  if (!ip.empty()) stack.DottedQuadToAddress(ip, address.sin_addr);
  return address;
}

void fillSet(sockets::TSocketSet& set, const TIdSocketList* list) {
  if (list->Count() > sockets::TSocketSet::Capacity) throw EIdStackSetSizeExceeded(msg::SetSizeExceeded);
  for (int32_t i = 0; i < list->Count(); ++i) set.fd_array[set.fd_count++] = list->GetItem(i);
}

void refillList(TIdSocketList* list, const sockets::TSocketSet& set) {
  list->Clear();
  for (int32_t i = 0; i < set.fd_count; ++i) list->Add(set.fd_array[i]);
}

const std::map<int32_t, const char*> errorTexts = {
    {10004, "Interrupted system call."},
    {10009, "Bad file number."},
    {10013, "Access denied."},
    {10014, "Bad address."},
    {10022, "Invalid argument."},
    {10024, "Too many open files."},
    {10035, "Operation would block. "},
    {10036, "Operation now in progress."},
    {10037, "Operation already in progress."},
    {10038, "Socket operation on non-socket."},
    {10039, "Destination address required."},
    {10040, "Message too long."},
    {10041, "Protocol wrong type for socket."},
    {10042, "Bad protocol option."},
    {10043, "Protocol not supported."},
    {10044, "Socket type not supported."},
    {10045, "Operation not supported on socket."},
    {10046, "Protocol family not supported."},
    {10047, "Address family not supported by protocol family."},
    {10048, "Address already in use."},
    {10049, "Cannot assign requested address."},
    {10050, "Network is down."},
    {10051, "Network is unreachable."},
    {10052, "Net dropped connection or reset."},
    {10053, "Software caused connection abort."},
    {10054, "Connection reset by peer."},
    {10055, "No buffer space available."},
    {10056, "Socket is already connected."},
    {10057, "Socket is not connected."},
    {10058, "Cannot send or receive after socket is closed."},
    {10059, "Too many references, cannot splice."},
    {10060, "Connection timed out."},
    {10061, "Connection refused."},
    {10062, "Too many levels of symbolic links."},
    {10063, "File name too long."},
    {10064, "Host is down."},
    {10065, "No route to host."},
    {10066, "Directory not empty"},
};

}  // namespace

TFileSender FileSender = sendWholeFile;

bool SocketLibraryStarted() { return stackStarted; }

// --- socket lists -----------------------------------------------------------

void TIdSocketList::Clear() {
  while (Count() > 0) Remove(GetItem(0));
}

std::unique_ptr<TIdSocketList> TIdSocketList::CreateSocketList() { return std::make_unique<TIdSocketListWindows>(); }

TIdStackSocketHandle TIdSocketListWindows::GetItem(int32_t index) const {
  if (index < 0 || index >= FCount) throw EIdStackSetSizeExceeded(msg::SetSizeExceeded);
  return FHandles[index];
}

void TIdSocketListWindows::Add(TIdStackSocketHandle handle) {
  if (FCount >= SetSize) throw EIdStackSetSizeExceeded(msg::SetSizeExceeded);
  FHandles[FCount++] = handle;
}

void TIdSocketListWindows::Remove(TIdStackSocketHandle handle) {
  for (int32_t i = 0; i < FCount; ++i) {
    if (FHandles[i] == handle) {
      FHandles[i] = FHandles[--FCount];
      return;
    }
  }
}

// --- the stack's own operations ---------------------------------------------

const std::vector<std::string>& TIdStack::LocalAddresses() {
  if (!LocalAddressList) LocalAddressList = std::make_unique<std::vector<std::string>>();
  RefreshLocalAddresses();
  return *LocalAddressList;
}

std::string TIdStack::FirstLocalAddress() { return LocalAddresses().at(0); }

std::string TIdStack::ErrorText(int32_t code) {
  const auto found = errorTexts.find(code);
  return fmt::format(msg::SocketError, code, found == errorTexts.end() ? "" : found->second);
}

bool TIdStack::CheckSocketResult(int32_t result, std::initializer_list<int32_t> tolerated) {
  if (result != Id_SOCKET_ERROR) return false;
  LastErrorCode = FetchLastErrorCode();
  if (std::find(tolerated.begin(), tolerated.end(), LastErrorCode) != tolerated.end()) return true;
  RaiseSocketErrorFor(LastErrorCode);
}

void TIdStack::RaiseSocketErrorFor(int32_t code) { throw EIdSocketError(code, ErrorText(code)); }

TIdStackSocketHandle TIdStack::NewSocket(int type, int protocol) {
  const TIdStackSocketHandle socket = SocketCreate(Id_PF_INET, type, protocol);
  if (socket == Id_INVALID_SOCKET) throw EIdInvalidSocket(msg::CannotAllocateSocket);
  TSocketStop::Opened(socket);
  return socket;
}

std::string TIdStack::ResolveHostAddress(const std::string& host) {
  if (host.size() == 9 && strcasecmp(host.c_str(), "LOCALHOST") == 0) return "127.0.0.1";
  if (IsDottedQuad(host)) return host;
  return LookupHostAddress(host);
}

bool TIdStack::IsDottedQuad(std::string_view text) { return ParseDottedQuad(text).has_value(); }

// --- the stack over the socket library binding -------------------------------

TIdStackWindows::TIdStackWindows() {
  if (stackStarted) return;
  if (sb::WSAStartup(0x0202) == Id_SOCKET_ERROR) throw EIdStackInitializationFailed(msg::StackInitializationFailed);
  stackStarted = true;
}

void TIdStackWindows::RefreshLocalAddresses() {
  if (!LocalAddressList) LocalAddressList = std::make_unique<std::vector<std::string>>();
  LocalAddressList->clear();
  const sockets::THostEntry* host = sb::gethostbyname(LocalHostName().c_str());
  if (!host) CheckSocketResult(Id_SOCKET_ERROR);
  for (uint32_t address : host->h_addr_list) {
    uint8_t bytes[4];
    std::memcpy(bytes, &address, 4);
    LocalAddressList->push_back(AddressToText(bytes));
  }
}

TIdStackSocketHandle TIdStackWindows::SocketAccept(TIdStackSocketHandle socket, std::string& ip, int32_t& port) {
  sockets::TSockAddrIn address{};
  int32_t length = sizeof address;
  const TIdStackSocketHandle accepted = sb::accept(socket, &address, &length);
  ip = AddressToText(address.sin_addr);
  port = NetToHost16(address.sin_port);
  return accepted;
}

int32_t TIdStackWindows::SocketBind(TIdStackSocketHandle socket, int /*family*/, const std::string& ip, int32_t port) {
  const sockets::TSockAddrIn address = socketAddress(*this, ip, port);
  return sb::bind(socket, &address, sizeof address);
}

int32_t TIdStackWindows::SocketClose(TIdStackSocketHandle socket) { return sb::closesocket(socket); }

int32_t TIdStackWindows::SocketConnect(TIdStackSocketHandle socket, int /*family*/, const std::string& ip,
                                       int32_t port) {
  const sockets::TSockAddrIn address = socketAddress(*this, ip, port);
  return sb::connect(socket, &address, sizeof address);
}

std::string TIdStackWindows::LookupHostAddress(const std::string& host) {
  const sockets::THostEntry* found = sb::gethostbyname(host.c_str());
  if (!found || found->h_addr_list.empty()) CheckSocketResult(Id_SOCKET_ERROR);
  uint8_t bytes[4];
  std::memcpy(bytes, &found->h_addr_list.front(), 4);
  return AddressToText(bytes);
}

std::string TIdStackWindows::LocalHostName() {
  char name[250] = {};
  sb::gethostname(name, sizeof name - 1);
  return std::string(name, strnlen(name, sizeof name));
}

std::string TIdStackWindows::LookupHostName(const std::string& address) {
  const uint32_t numeric = sb::inet_addr(address.c_str());
  const sockets::THostEntry* found = sb::gethostbyaddr(reinterpret_cast<const char*>(&numeric), 4, Id_PF_INET);
  if (!found) CheckSocketResult(Id_SOCKET_ERROR);
  return found->h_name;
}

int32_t TIdStackWindows::LookupServicePort(const std::string& service) {
  if (const sockets::TServiceEntry* found = sb::getservbyname(service.c_str(), nullptr))
    return NetToHost16(found->s_port);
  try {
    return StrToInt(service);
  } catch (const EConvertError&) {
    throw EIdInvalidServiceName(fmt::format(msg::InvalidServiceName, service));
  }
}

std::vector<std::string> TIdStackWindows::LookupServiceNames(int32_t port) {
  std::vector<std::string> names;
  if (const sockets::TServiceEntry* found = sb::getservbyport(HostToNet16(static_cast<uint16_t>(port)), nullptr)) {
    names.push_back(found->s_name);
    names.insert(names.end(), found->s_aliases.begin(), found->s_aliases.end());
  }
  return names;
}

uint16_t TIdStackWindows::HostToNet16(uint16_t value) { return sb::htons(value); }
uint16_t TIdStackWindows::NetToHost16(uint16_t value) { return sb::ntohs(value); }
uint32_t TIdStackWindows::HostToNet32(uint32_t value) { return sb::htonl(value); }
uint32_t TIdStackWindows::NetToHost32(uint32_t value) { return sb::ntohl(value); }

int32_t TIdStackWindows::SocketListen(TIdStackSocketHandle socket, int32_t backlog) {
  return sb::listen(socket, backlog);
}

int32_t TIdStackWindows::SocketRecv(TIdStackSocketHandle socket, void* buffer, int32_t length, int32_t flags) {
  return sb::recv(socket, buffer, length, flags);
}

int32_t TIdStackWindows::SocketRecvFrom(TIdStackSocketHandle socket, void* buffer, int32_t length, int32_t flags,
                                        std::string& ip, int32_t& port) {
  sockets::TSockAddrIn address{};
  int32_t size = sizeof address;
  const int32_t result = sb::recvfrom(socket, buffer, length, flags, &address, &size);
  ip = AddressToText(address.sin_addr);
  port = NetToHost16(address.sin_port);
  return result;
}

int32_t TIdStackWindows::SocketSelect(TIdSocketList* readList, TIdSocketList* writeList, int32_t timeout,
                                      TIdSocketList* exceptList) {
  TIdSocketList* lists[3] = {readList, writeList, exceptList};
  sockets::TSocketSet sets[3];
  sockets::TSocketSet* given[3] = {};
  for (int k = 0; k < 3; ++k) {
    if (lists[k] && lists[k]->Count() > 0) {
      fillSet(sets[k], lists[k]);
      given[k] = &sets[k];
    }
  }
  sockets::TTimeVal limit{timeout / 1000, (timeout % 1000) * 1000};
  const int32_t result = sb::select(0, given[0], given[1], given[2], timeout == TimeoutForever ? nullptr : &limit);
  for (int k = 0; k < 3; ++k)
    if (given[k]) refillList(lists[k], sets[k]);
  return result;
}

int32_t TIdStackWindows::SocketSend(TIdStackSocketHandle socket, const void* buffer, int32_t length, int32_t flags) {
  return sb::send(socket, buffer, length, flags);
}

int32_t TIdStackWindows::SocketSendTo(TIdStackSocketHandle socket, const void* buffer, int32_t length, int32_t flags,
                                      const std::string& ip, int32_t port) {
  const sockets::TSockAddrIn address = socketAddress(*this, ip, port);
  return sb::sendto(socket, buffer, length, flags, &address, sizeof address);
}

int32_t TIdStackWindows::SocketSetOption(TIdStackSocketHandle socket, int32_t level, int32_t option, const void* value,
                                         int32_t length) {
  return sb::setsockopt(socket, level, option, value, length);
}

int32_t TIdStackWindows::SocketGetOption(TIdStackSocketHandle socket, int32_t level, int32_t option, void* value,
                                         int32_t& length) {
  return sb::getsockopt(socket, level, option, value, &length);
}

TIdStackSocketHandle TIdStackWindows::SocketCreate(int family, int type, int protocol) {
  return sb::socket(family, type, protocol);
}

int32_t TIdStackWindows::SocketShutdown(TIdStackSocketHandle socket, int32_t how) { return sb::shutdown(socket, how); }

std::string TIdStackWindows::ErrorText(int32_t code) {
  if (code == sockets::WSAHOST_NOT_FOUND) return fmt::format(msg::SocketError, code, msg::HostNotFound);
  return TIdStack::ErrorText(code);
}

int32_t TIdStackWindows::FetchLastErrorCode() { return sb::WSAGetLastError(); }

TIdSocketAddress TIdStackWindows::PeerAddressOf(TIdStackSocketHandle socket) {
  sockets::TSockAddrIn address{};
  int32_t length = sizeof address;
  CheckSocketResult(sb::getpeername(socket, &address, &length));
  return {address.sin_family, AddressToText(address.sin_addr), NetToHost16(address.sin_port)};
}

TIdSocketAddress TIdStackWindows::LocalAddressOf(TIdStackSocketHandle socket) {
  sockets::TSockAddrIn address{};
  int32_t length = sizeof address;
  CheckSocketResult(sb::getsockname(socket, &address, &length));
  return {address.sin_family, AddressToText(address.sin_addr), NetToHost16(address.sin_port)};
}

std::string TIdStackWindows::AddressToText(const uint8_t address[4]) {
  return fmt::format("{}.{}.{}.{}", address[0], address[1], address[2], address[3]);
}

void TIdStackWindows::TextToAddress(const std::string& text, uint8_t address[4]) {
  if (const auto bytes = ParseDottedQuad(text)) {
    std::copy(bytes->begin(), bytes->end(), address);
    return;
  }
  // Not an address: the conversion error names the first field that is no
  // number from 0 to 255 (or the whole text when a field is missing).
  std::string_view rest = text;
  for (int field = 0; field < 4; ++field) {
    const size_t dot = field < 3 ? rest.find('.') : std::string_view::npos;
    const std::string_view part = rest.substr(0, dot);
    const int32_t value = StrToInt(part);
    if (value < 0 || value > 255) RaiseInvalidInteger(part);
    if (dot == std::string_view::npos) break;
    rest.remove_prefix(dot + 1);
  }
  RaiseInvalidInteger(text);
}
