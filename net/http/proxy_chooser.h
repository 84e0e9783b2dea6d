#pragma once
// The way each request of a client takes: straight to the target, through an
// HTTP proxy, or through a SOCKS proxy. The client asks its chooser before
// every pass, redirects included, and sets itself up from the answer.

#include <cstdint>
#include <string>

#include "net/http/uri.h"

enum class TIdProxyKind { Direct, Http, Socks4, Socks4A, Socks5 };

struct TIdProxyRoute {
  TIdProxyKind Kind = TIdProxyKind::Direct;
  std::string Host;
  int32_t Port = 0;
  std::string Username;
  std::string Password;
  bool operator==(const TIdProxyRoute&) const = default;
};

class TIdProxyChooser {
public:
  virtual ~TIdProxyChooser() = default;
  // The route for a request to target (scheme, host and port filled in).
  virtual TIdProxyRoute ChooseProxy(const TIdURI& target) const = 0;
};
