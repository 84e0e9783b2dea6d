#include "net/transport/socks.h"

#include <fmt/core.h>

#include "net/transport/exceptions.h"
#include "net/transport/io_handler.h"
#include "net/transport/messages.h"
#include "net/transport/stack.h"

namespace {
constexpr size_t MaxFieldLength = 255;

// The length fields of the requests are one byte; a longer field is refused
// rather than cut, since a cut name or password would reach the wrong target
// or fail the login for a reason nobody could see.
void checkFieldLength(const std::string& field, const char* name) {
  if (field.size() > MaxFieldLength) throw EIdSocksError(fmt::format(transport_messages::SocksFieldTooLong, name));
}

std::string networkOrderPort(int32_t port) {
  return {static_cast<char>((port >> 8) & 0xFF), static_cast<char>(port & 0xFF)};
}

[[noreturn]] void raiseSocks4Reply(uint8_t code) {
  using namespace transport_messages;
  switch (code) {
    case 91: throw EIdSocksRequestFailed(SocksRequestFailed);
    case 92: throw EIdSocksRequestServerFailed(SocksRequestServerFailed);
    case 93: throw EIdSocksRequestIdentFailed(SocksRequestIdentFailed);
    default: throw EIdSocksUnknownError(SocksUnknownError);
  }
}

[[noreturn]] void raiseSocks5Reply(uint8_t code) {
  using namespace transport_messages;
  switch (code) {
    case 1: throw EIdSocksServerGeneralError(SocksServerGeneralError);
    case 2: throw EIdSocksServerPermissionError(SocksServerPermissionError);
    case 3: throw EIdSocksServerNetUnreachableError(SocksServerNetUnreachableError);
    case 4: throw EIdSocksServerHostUnreachableError(SocksServerHostUnreachableError);
    case 5: throw EIdSocksServerConnectionRefusedError(SocksServerConnectionRefusedError);
    case 6: throw EIdSocksServerTTLExpiredError(SocksServerTTLExpiredError);
    case 7: throw EIdSocksServerCommandError(SocksServerCommandError);
    case 8: throw EIdSocksServerAddressError(SocksServerAddressError);
    default: throw EIdSocksUnknownError(SocksUnknownError);
  }
}
}  // namespace

void TIdSocksInfo::Assign(const TIdSocksInfo& source) {
  Authentication = source.Authentication;
  Host = source.Host;
  Password = source.Password;
  Port = source.Port;
  Username = source.Username;
  Version = source.Version;
}

void TIdSocksInfo::NegotiateProxy(const std::string& host, int32_t port,
                                  std::optional<std::chrono::steady_clock::time_point> deadline) {
  Deadline = deadline;
  switch (Version) {
    case svSocks4:
    case svSocks4A: MakeSocks4Connection(host, port); break;
    case svSocks5: MakeSocks5Connection(host, port); break;
    case svNoSocks: break;
  }
}

void TIdSocksInfo::Send(const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const int32_t n = SocksTransport->SendSome(bytes.data() + sent, static_cast<int32_t>(bytes.size() - sent));
    SharedStack->CheckSocketResult(n);
    if (n == 0) throw EIdSocksServerRespondError(transport_messages::SocksServerRespondError);
    sent += static_cast<size_t>(n);
  }
}

bool TIdSocksInfo::WaitForAnswer() {
  using namespace std::chrono;
  int32_t wait = SocksTransport->ReadTimeout > 0 ? SocksTransport->ReadTimeout : TimeoutForever;
  bool untilDeadline = false;
  if (Deadline) {
    const auto left = duration_cast<milliseconds>(*Deadline - steady_clock::now()).count();
    if (left <= 0) throw EIdConnectTimeout(transport_messages::ConnectTimeout);
    if (wait == TimeoutForever || left < wait) {
      wait = static_cast<int32_t>(left);
      untilDeadline = true;
    }
  }
  if (SocksTransport->WaitReadable(wait)) return true;
  if (untilDeadline) throw EIdConnectTimeout(transport_messages::ConnectTimeout);
  return false;
}

std::string TIdSocksInfo::Receive(int32_t count) {
  // A reply split over two segments is read whole, so no reply byte is left
  // behind to be taken for the first bytes of the tunnelled data.
  std::string bytes(static_cast<size_t>(count), '\0');
  int32_t received = 0;
  try {
    while (received < count && WaitForAnswer()) {
      const int32_t n = SocksTransport->ReceiveSome(bytes.data() + received, count - received);
      if (n <= 0) break;
      received += n;
    }
  } catch (const EIdConnectTimeout&) {
    throw;
  } catch (const Exception&) {
    received = -1;
  }
  if (received != count) throw EIdSocksServerRespondError(transport_messages::SocksServerRespondError);
  return bytes;
}

void TIdSocksInfo::MakeSocks4Connection(const std::string& host, int32_t port) {
  checkFieldLength(Username, "user name");
  if (Version == svSocks4A) checkFieldLength(host, "host name");
  std::string request = {4, 1};
  request += networkOrderPort(port);
  if (Version == svSocks4A) {
    request += std::string{0, 0, 0, 1};
  } else {
    uint8_t address[4];
    SharedStack->DottedQuadToAddress(SharedStack->ResolveHostAddress(host), address);
    request.append(reinterpret_cast<const char*>(address), 4);
  }
  request += Username;
  request += '\0';
  if (Version == svSocks4A) {
    request += host;
    request += '\0';
  }
  Send(request);
  const std::string reply = Receive(8);
  const auto code = static_cast<uint8_t>(reply[1]);
  if (code != 90) raiseSocks4Reply(code);
}

void TIdSocksInfo::MakeSocks5Connection(const std::string& host, int32_t port) {
  const bool withPassword = Authentication == saUsernamePassword;
  if (withPassword) {
    checkFieldLength(Username, "user name");
    checkFieldLength(Password, "password");
  }
  checkFieldLength(host, "host name");

  const char method = withPassword ? 2 : 0;
  Send({5, 1, method});
  const std::string chosen = Receive(2);
  // A refusal (255) is also a method other than the one offered.
  if (chosen[1] != method) throw EIdSocksAuthMethodError(transport_messages::SocksAuthMethodError);

  if (withPassword) {
    std::string login = {1, static_cast<char>(Username.size())};
    login += Username;
    login += static_cast<char>(Password.size());
    login += Password;
    Send(login);
    if (Receive(2)[1] != 0) throw EIdSocksAuthError(transport_messages::SocksAuthError);
  }

  // The proxy resolves the name; nothing is looked up here.
  std::string request = {5, 1, 0, 3, static_cast<char>(host.size())};
  request += host;
  request += networkOrderPort(port);
  Send(request);
  const std::string reply = Receive(5);
  const auto code = static_cast<uint8_t>(reply[1]);
  if (code != 0) raiseSocks5Reply(code);
  switch (reply[3]) {
    case 1: Receive(5); break;
    case 3: Receive(static_cast<uint8_t>(reply[4]) + 2); break;
    case 4: Receive(17); break;
    // Without a known address length the tunnel's first byte cannot be found.
    default: throw EIdSocksServerAddressError(transport_messages::SocksServerAddressError);
  }
}
