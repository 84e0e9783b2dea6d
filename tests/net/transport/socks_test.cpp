// SOCKS through real and scripted proxies: danted carries SOCKS 4 and 5 to a
// loopback echo peer (and resolves a name for SOCKS 5 inside a private
// namespace); a scripted proxy checks the exact request bytes, every error
// reply, authentication and over-long fields. danted has no SOCKS 4A, so 4A is
// checked against the scripted proxy only.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "net/transport/exceptions.h"
#include "net/transport/io_handler_socket.h"
#include "net/transport/messages.h"
#include "net/transport/tcp_client.h"
#include "tests/servers/dante_server.h"
#include "tests/servers/echo_peer.h"
#include "tests/servers/network_namespace.h"
#include "tests/servers/scripted_peer.h"

namespace {
std::string bytes(std::initializer_list<int> values) {
  std::string text;
  for (const int value : values) text += static_cast<char>(value);
  return text;
}

// A client whose transport goes through the proxy at 127.0.0.1:proxyPort.
struct ProxiedClient {
  ProxiedClient(TSocksVersion version, int proxyPort, const std::string& host, int32_t port) {
    TIdSocksInfo& socks = *transport.SocksInfo();
    socks.Version = version;
    socks.Host = "127.0.0.1";
    socks.Port = proxyPort;
    client.SetIOHandler(&transport);
    client.SetHost(host);
    client.SetPort(port);
  }
  TIdSocksInfo& Socks() { return *transport.SocksInfo(); }

  TIdIOHandlerSocket transport;
  TIdTCPClient client;
};

TEST(SocksThroughDante, Socks4And5ReachTheEchoPeer) {
  DanteServer dante;
  EchoPeer peer;
  for (const TSocksVersion version : {svSocks4, svSocks5}) {
    SCOPED_TRACE(version);
    ProxiedClient proxied(version, dante.Port(), "127.0.0.1", peer.Port());
    try {
      proxied.client.OpenConnection();
    } catch (const std::exception& error) {
      FAIL() << error.what() << "\ndanted log:\n" << dante.Log();
    }
    proxied.client.WriteLine("through danted");
    EXPECT_EQ(proxied.client.ReadLine(), "through danted");
  }
}

// SOCKS 5 sends the name; the proxy resolves it (here from the namespace's
// hosts file, so no lookup leaves the machine).
TEST(SocksThroughDante, Socks5LetsTheProxyResolveTheName) {
  RunInNetworkNamespace({{"127.0.0.1", "peer.test"}}, [] {
    DanteServer dante;
    EchoPeer peer;
    ProxiedClient proxied(svSocks5, dante.Port(), "peer.test", peer.Port());
    proxied.client.OpenConnection();
    proxied.client.WriteLine("by name through danted");
    EXPECT_EQ(proxied.client.ReadLine(), "by name through danted");
  });
}

// 4A: the marker address 0.0.0.1, the user name and the host name, each
// ended by a zero byte; then the tunnel carries the peer's bytes.
TEST(SocksScripted, Socks4ARequestBytes) {
  const std::string request = bytes({4, 1, 0, 80, 0, 0, 0, 1}) + "joe" + bytes({0}) + "h" + bytes({0});
  ScriptedPeer proxy({script::Receive(request.size()), script::Send(bytes({0, 90, 0, 0, 0, 0, 0, 0})),
                      script::Send("tunnel open\r\n")});
  ProxiedClient proxied(svSocks4A, proxy.Port(), "h", 80);
  proxied.Socks().Username = "joe";
  proxied.client.OpenConnection();
  EXPECT_EQ(proxied.client.ReadLine(), "tunnel open");
  proxied.client.CloseConnection();
  EXPECT_EQ(proxy.Received(), request);
}

// Checks the class of a raised SOCKS error.
using IsExpectedClass = std::function<bool(const EIdSocksError*)>;
template <class E>
IsExpectedClass isA() {
  return [](const EIdSocksError* error) { return dynamic_cast<const E*>(error) != nullptr; };
}

struct ReplyCase {
  int code;
  IsExpectedClass expectedClass;
  const char* message;
};

void expectSocksError(ProxiedClient& proxied, const IsExpectedClass& expectedClass, const std::string& message) {
  try {
    proxied.client.OpenConnection();
    ADD_FAILURE() << "no exception";
  } catch (const EIdSocksError& error) {
    EXPECT_TRUE(expectedClass(&error)) << typeid(error).name();
    EXPECT_EQ(error.Message, message);
  }
  EXPECT_FALSE(proxied.client.IsConnected());
}

TEST(SocksScripted, Socks4ErrorReplies) {
  using namespace transport_messages;
  const ReplyCase cases[] = {
      {91, isA<EIdSocksRequestFailed>(), SocksRequestFailed},
      {92, isA<EIdSocksRequestServerFailed>(), SocksRequestServerFailed},
      {93, isA<EIdSocksRequestIdentFailed>(), SocksRequestIdentFailed},
      {94, isA<EIdSocksUnknownError>(), SocksUnknownError},
  };
  for (const ReplyCase& c : cases) {
    SCOPED_TRACE(c.code);
    ScriptedPeer proxy({script::Receive(9), script::Send(bytes({0, c.code, 0, 0, 0, 0, 0, 0}))});
    ProxiedClient proxied(svSocks4, proxy.Port(), "127.0.0.1", 80);
    expectSocksError(proxied, c.expectedClass, c.message);
  }
}

TEST(SocksScripted, Socks5ErrorReplies) {
  using namespace transport_messages;
  const ReplyCase cases[] = {
      {1, isA<EIdSocksServerGeneralError>(), SocksServerGeneralError},
      {2, isA<EIdSocksServerPermissionError>(), SocksServerPermissionError},
      {3, isA<EIdSocksServerNetUnreachableError>(), SocksServerNetUnreachableError},
      {4, isA<EIdSocksServerHostUnreachableError>(), SocksServerHostUnreachableError},
      {5, isA<EIdSocksServerConnectionRefusedError>(), SocksServerConnectionRefusedError},
      {6, isA<EIdSocksServerTTLExpiredError>(), SocksServerTTLExpiredError},
      {7, isA<EIdSocksServerCommandError>(), SocksServerCommandError},
      {8, isA<EIdSocksServerAddressError>(), SocksServerAddressError},
      {9, isA<EIdSocksUnknownError>(), SocksUnknownError},
  };
  for (const ReplyCase& c : cases) {
    SCOPED_TRACE(c.code);
    ScriptedPeer proxy({script::Receive(3), script::Send(bytes({5, 0})), script::Receive(7 + 1),
                        script::Send(bytes({5, c.code, 0, 1, 0}))});
    ProxiedClient proxied(svSocks5, proxy.Port(), "h", 80);
    expectSocksError(proxied, c.expectedClass, c.message);
  }
}

// The method answer, the login answer and a proxy that goes away each have
// their own error.
TEST(SocksScripted, Socks5NegotiationFailures) {
  using namespace transport_messages;
  struct NegotiationCase {
    const char* protects;
    std::vector<ScriptStep> script;
    bool withPassword;
    IsExpectedClass expectedClass;
    const char* message;
  };
  const NegotiationCase cases[] = {
      {"the proxy accepts no offered method",
       {script::Receive(3), script::Send(bytes({5, 255}))},
       false,
       isA<EIdSocksAuthMethodError>(),
       SocksAuthMethodError},
      {"the proxy picks another method",
       {script::Receive(3), script::Send(bytes({5, 0}))},
       true,
       isA<EIdSocksAuthMethodError>(),
       SocksAuthMethodError},
      {"the login is refused",
       {script::Receive(3), script::Send(bytes({5, 2})), script::Receive(13), script::Send(bytes({1, 1}))},
       true,
       isA<EIdSocksAuthError>(),
       SocksAuthError},
      {"the proxy closes instead of answering",
       {script::Receive(3), script::Close()},
       false,
       isA<EIdSocksServerRespondError>(),
       SocksServerRespondError},
  };
  for (const NegotiationCase& c : cases) {
    SCOPED_TRACE(c.protects);
    ScriptedPeer proxy(c.script);
    ProxiedClient proxied(svSocks5, proxy.Port(), "h", 80);
    if (c.withPassword) {
      proxied.Socks().Authentication = saUsernamePassword;
      proxied.Socks().Username = "user";
      proxied.Socks().Password = "secret";
    }
    expectSocksError(proxied, c.expectedClass, c.message);
  }
}

// A proxy that accepts and never answers: the handshake waits at most the
// client's ReadTimeout, and a connect time-out covers the connect and the
// handshake together, so neither blocks for good.
TEST(SocksScripted, ASilentProxyEndsTheConnectInTime) {
  {
    ScriptedPeer proxy({script::Receive(3)});
    ProxiedClient proxied(svSocks5, proxy.Port(), "h", 80);
    proxied.client.ReadTimeout = 300;
    expectSocksError(proxied, isA<EIdSocksServerRespondError>(), transport_messages::SocksServerRespondError);
  }
  ScriptedPeer proxy({script::Receive(3)});
  ProxiedClient proxied(svSocks4A, proxy.Port(), "h", 80);
  const auto started = std::chrono::steady_clock::now();
  try {
    proxied.client.OpenConnection(500);
    ADD_FAILURE() << "no exception";
  } catch (const EIdConnectTimeout& error) {
    EXPECT_EQ(error.Message, transport_messages::ConnectTimeout);
  }
  // The time-out plus a second, as any connect time-out.
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500));
  EXPECT_FALSE(proxied.client.IsConnected());
}

// A full SOCKS 5 login; the reply's bound address is a 10-byte name, so
// exactly 12 more bytes belong to the reply and the tunnel starts after them.
TEST(SocksScripted, Socks5LoginAndDomainBoundAddress) {
  const std::string greeting = bytes({5, 1, 2});
  const std::string login = bytes({1, 4}) + "user" + bytes({6}) + "secret";
  const std::string request = bytes({5, 1, 0, 3, 9}) + "peer.test" + bytes({0x1F, 0x90});
  const std::string reply = bytes({5, 0, 0, 3, 10}) + "boundhost!" + bytes({0, 80});
  ScriptedPeer proxy({script::Receive(greeting.size()), script::Send(bytes({5, 2})), script::Receive(login.size()),
                      script::Send(bytes({1, 0})), script::Receive(request.size()), script::Send(reply),
                      script::Send("tunnel data\r\n")});
  ProxiedClient proxied(svSocks5, proxy.Port(), "peer.test", 8080);
  proxied.Socks().Authentication = saUsernamePassword;
  proxied.Socks().Username = "user";
  proxied.Socks().Password = "secret";
  proxied.client.OpenConnection();
  EXPECT_EQ(proxied.client.ReadLine(), "tunnel data");
  proxied.client.CloseConnection();
  EXPECT_EQ(proxy.Received(), greeting + login + request);
}

// One-byte length fields cannot carry more than 255 bytes: the request is
// refused before anything is sent instead of being cut.
TEST(SocksScripted, FieldsOver255BytesAreRefusedBeforeSending) {
  const std::string tooLong(256, 'x');
  struct LongFieldCase {
    TSocksVersion version;
    const char* field;
    const char* message;
  };
  const LongFieldCase cases[] = {
      {svSocks4, "user name", "SOCKS user name is longer than 255 bytes."},
      {svSocks4A, "host name", "SOCKS host name is longer than 255 bytes."},
      {svSocks5, "user name", "SOCKS user name is longer than 255 bytes."},
      {svSocks5, "password", "SOCKS password is longer than 255 bytes."},
      {svSocks5, "host name", "SOCKS host name is longer than 255 bytes."},
  };
  for (const LongFieldCase& c : cases) {
    SCOPED_TRACE(c.message);
    ScriptedPeer proxy({});
    const std::string field = c.field;
    ProxiedClient proxied(c.version, proxy.Port(), field == "host name" ? tooLong : "h", 80);
    if (field != "host name") proxied.Socks().Authentication = saUsernamePassword;
    if (field == "user name") proxied.Socks().Username = tooLong;
    if (field == "password") proxied.Socks().Password = tooLong;
    expectSocksError(proxied, isA<EIdSocksError>(), c.message);
    EXPECT_EQ(proxy.Received(), "");
  }
}

// Settings owned by another component are referenced and forgotten when that
// component destroys them; free-standing settings are copied.
TEST(SocksSettings, OwnedAreReferencedFreeStandingAreCopied) {
  TIdIOHandlerSocket transport;
  TIdIOHandlerSocket owner;
  {
    TIdSocksInfo shared(&owner);
    shared.Version = svSocks5;
    transport.SetSocksInfo(&shared);
    EXPECT_EQ(transport.SocksInfo(), &shared);
  }
  EXPECT_EQ(transport.SocksInfo()->Version, svNoSocks);

  TIdSocksInfo freeStanding;
  freeStanding.Version = svSocks4;
  freeStanding.Port = 1081;
  transport.SetSocksInfo(&freeStanding);
  EXPECT_NE(transport.SocksInfo(), &freeStanding);
  EXPECT_EQ(transport.SocksInfo()->Version, svSocks4);
  EXPECT_EQ(transport.SocksInfo()->Port, 1081);
}
}  // namespace
