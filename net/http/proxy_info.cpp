#include "net/http/proxy_info.h"

#include "net/http/text_helpers.h"

void TIdProxyConnectionInfo::Clear() {
  Server.clear();
  ProxyUsername.clear();
  ProxyPassword.clear();
  Port = 0;
}

void TIdProxyConnectionInfo::ComposeHeaders(TIdHeaderList& headers) {
  if (!Authentication) {
    if (!BasicAuthentication) return;
    Authentication = MakeBasicAuthentication();
    Authentication->SetUsername(ProxyUsername);
    Authentication->SetPassword(ProxyPassword);
  }
  const std::string value = Authentication->HeaderValue();
  if (!value.empty()) headers.PutValue("Proxy-Authorization", value);
}

void TIdProxyConnectionInfo::SetProxyServer(const std::string& server) {
  if (!SameText(server, Server)) Authentication.reset();
  Server = server;
}

void TIdProxyConnectionInfo::SetProxyPort(int32_t port) {
  if (port != Port) Authentication.reset();
  Port = port;
}

void TIdProxyConnectionInfo::AssignTo(TPersistent& destination) const {
  auto* proxy = dynamic_cast<TIdProxyConnectionInfo*>(&destination);
  if (!proxy) {
    TPersistent::AssignTo(destination);
    return;
  }
  proxy->ProxyPassword = ProxyPassword;
  // Through the setters, so that credentials answered for another proxy go.
  proxy->SetProxyPort(Port);
  proxy->SetProxyServer(Server);
  proxy->ProxyUsername = ProxyUsername;
  proxy->BasicAuthentication = BasicAuthentication;
}
