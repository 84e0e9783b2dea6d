#pragma once
// The proxy settings of an HTTP client and the Proxy-Authorization line it
// sends to that proxy.

#include <cstdint>
#include <memory>
#include <string>

#include "net/http/authentication.h"
#include "net/http/header_list.h"
#include "net/http/persistent.h"

class TIdProxyConnectionInfo : public TPersistent {
public:
  const char* ClassName() const override { return "TIdProxyConnectionInfo"; }

  // Empties the server, user name and password and sets the port to 0.
  void Clear();
  // Puts only the Proxy-Authorization line, making a Basic scheme object
  // from ProxyUsername and ProxyPassword when asked to and none exists.
  void ComposeHeaders(TIdHeaderList& headers);

  // Another server (in any letter case) or port discards the Authentication
  // object: its answer belonged to the old proxy.
  const std::string& ProxyServer() const { return Server; }
  void SetProxyServer(const std::string& server);
  int32_t ProxyPort() const { return Port; }
  void SetProxyPort(int32_t port);

  std::unique_ptr<TIdAuthentication> Authentication;
  std::string ProxyPassword;
  std::string ProxyUsername;
  bool BasicAuthentication = false;

protected:
  void AssignTo(TPersistent& destination) const override;

private:
  std::string Server;
  int32_t Port = 0;
};
