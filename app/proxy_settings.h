// Proxies the Linux way: the http_proxy, https_proxy, all_proxy and no_proxy
// variables as curl reads them, and a proxy given on the command line, which
// wins over them. The HTTP client asks the policy before every request, each
// redirect included, and sets itself up from the answer.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "net/http/proxy_chooser.h"

using TProxyKind = TIdProxyKind;
using TProxyAddress = TIdProxyRoute;

// "[scheme://][user[:password]@]host[:port]" with scheme http (also when
// left out), socks4, socks4a or socks5; the port defaults to 1080; user and
// password may be percent-encoded. Raises an error naming setting when the
// text is not of that form.
TProxyAddress ParseProxyAddress(const std::string& setting, const std::string& text);

class TProxyPolicy : public TIdProxyChooser {
public:
  using TGetEnv = std::function<const char*(const char* name)>;

  TProxyPolicy();
  ~TProxyPolicy() override;
  // Reads the variables; a malformed one raises.
  static std::unique_ptr<TProxyPolicy> FromEnvironment(const TGetEnv& getEnv);

  // The proxy for url: none for a host that no_proxy names, else the forced
  // one, else the variable for the address's scheme, else all_proxy.
  TProxyAddress Choose(const std::string& url) const;
  // The same choice for the target of one request of the HTTP client.
  TProxyAddress ChooseProxy(const TIdURI& target) const override;

  std::optional<TProxyAddress> Forced;

private:
  bool bypassed(const std::string& host) const;
  TProxyAddress choose(const std::string& host, bool secure) const;

  std::optional<TProxyAddress> HttpProxy;
  std::optional<TProxyAddress> HttpsProxy;
  std::optional<TProxyAddress> AllProxy;
  std::vector<std::string> NoProxy;
};
