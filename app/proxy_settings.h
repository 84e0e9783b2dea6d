// Proxies the Linux way: the http_proxy, https_proxy, all_proxy and no_proxy
// variables as curl reads them, and a proxy given on the command line, which
// wins over them. An HTTP proxy goes into the client's ProxyParams, a SOCKS
// proxy into the SOCKS settings of a socket transport the client then uses.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TIdHTTP;
class TIdIOHandlerSocket;

enum class TProxyKind { Direct, Http, Socks4, Socks4A, Socks5 };

struct TProxyAddress {
  TProxyKind Kind = TProxyKind::Direct;
  std::string Host;
  int32_t Port = 0;
  std::string Username;
  std::string Password;
  bool operator==(const TProxyAddress&) const = default;
};

// "[scheme://][user[:password]@]host[:port]" with scheme http (also when
// left out), socks4, socks4a or socks5; the port defaults to 1080. Raises an
// error naming setting when the text is not of that form.
TProxyAddress ParseProxyAddress(const std::string& setting, const std::string& text);

class TProxyPolicy {
public:
  using TGetEnv = std::function<const char*(const char* name)>;

  TProxyPolicy();
  ~TProxyPolicy();
  // Reads the variables; a malformed one raises.
  static std::unique_ptr<TProxyPolicy> FromEnvironment(const TGetEnv& getEnv);

  // The proxy for url: none for a host that no_proxy names, else the forced
  // one, else the variable for the address's scheme, else all_proxy.
  TProxyAddress Choose(const std::string& url) const;
  // Sets up http for a request to url.
  void Apply(TIdHTTP& http, const std::string& url);

  std::optional<TProxyAddress> Forced;

private:
  bool bypassed(const std::string& host) const;

  std::optional<TProxyAddress> HttpProxy;
  std::optional<TProxyAddress> HttpsProxy;
  std::optional<TProxyAddress> AllProxy;
  std::vector<std::string> NoProxy;
  std::unique_ptr<TIdIOHandlerSocket> SocksTransport;
};
