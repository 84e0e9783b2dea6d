#pragma once
// SOCKS proxy settings of a socket transport and the SOCKS 4, 4A and 5 client
// handshakes that run over it once it has connected to the proxy.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "net/transport/component.h"
#include "net/transport/free_notification.h"

class TIdIOHandler;

enum TSocksAuthentication { saNoAuthentication, saUsernamePassword };
enum TSocksVersion { svNoSocks, svSocks4, svSocks4A, svSocks5 };

class TIdSocksInfo : public TIdComponent, public TIdFreeNotifier {
public:
  // owner: the component that owns these settings, or none for free-standing
  // settings, which a transport copies instead of referencing.
  explicit TIdSocksInfo(const TIdBaseComponent* owner = nullptr) : Owner(owner) {}

  // Copies the six settings.
  void Assign(const TIdSocksInfo& source);
  // Runs the handshake for Version through SocksTransport, asking the proxy
  // to connect to host and port. Each wait for the proxy's answer lasts at
  // most the transport's ReadTimeout; reaching the deadline (what is left of
  // a connect time-out) raises EIdConnectTimeout.
  void NegotiateProxy(const std::string& host, int32_t port,
                      std::optional<std::chrono::steady_clock::time_point> deadline = std::nullopt);

  TSocksAuthentication Authentication = saNoAuthentication;
  std::string Host;
  std::string Password;
  int32_t Port = 1080;
  std::string Username;
  TSocksVersion Version = svNoSocks;

  const TIdBaseComponent* const Owner;
  TIdIOHandler* SocksTransport = nullptr;

private:
  void MakeSocks4Connection(const std::string& host, int32_t port);
  void MakeSocks5Connection(const std::string& host, int32_t port);
  void Send(const std::string& bytes);
  // Receives exactly count bytes; a close or failure before that is the
  // proxy not responding.
  std::string Receive(int32_t count);
  // False when the transport's ReadTimeout passed without an answer.
  bool WaitForAnswer();

  std::optional<std::chrono::steady_clock::time_point> Deadline;
};
