// The client through tinyproxy: the proxy route to an nginx page, Basic
// proxy authentication given up front, by a handler, or not at all, and an
// https site behind the proxy's tunnel.

#include <gtest/gtest.h>

#include <string>

#include <fmt/core.h>

#include "net/http/http_client.h"
#include "net/http/http_client_exceptions.h"
#include "net/transport/tls/ssl_io_handler.h"
#include "tests/servers/nginx_server.h"
#include "tests/servers/tinyproxy_server.h"
#include "tests/servers/tls_certificates.h"

namespace {
struct Proxied {
  explicit Proxied(TinyproxyAuth auth = {}) : proxy(std::move(auth)) {
    nginx.WriteDocument("page", "through the proxy");
    http.ProtocolVersion = pv1_0;
    http.ProxyParams.SetProxyServer("127.0.0.1");
    http.ProxyParams.SetProxyPort(proxy.Port());
  }

  NginxServer nginx;
  TinyproxyServer proxy;
  TIdHTTP http;
};

TEST(TinyproxyClient, PageThroughTheProxy) {
  Proxied p;
  EXPECT_EQ(p.http.GetAsText(p.nginx.Url("/page")), "through the proxy");
}

TEST(TinyproxyClient, ProxyAuthentication) {
  {
    SCOPED_TRACE("no credentials");
    Proxied p({"user", "pw"});
    try {
      p.http.GetAsText(p.nginx.Url("/page"));
      ADD_FAILURE() << "no exception";
    } catch (const EIdHTTPProtocolException& e) {
      EXPECT_EQ(e.ReplyCode, 407);
    }
  }
  {
    SCOPED_TRACE("credentials given up front");
    Proxied p({"user", "pw"});
    p.http.ProxyParams.BasicAuthentication = true;
    p.http.ProxyParams.ProxyUsername = "user";
    p.http.ProxyParams.ProxyPassword = "pw";
    EXPECT_EQ(p.http.GetAsText(p.nginx.Url("/page")), "through the proxy");
  }
  {
    SCOPED_TRACE("credentials from the handler");
    Proxied p({"user", "pw"});
    // Without it the answered challenge's page would be the result.
    p.http.HTTPOptions = {hoInProcessAuth};
    p.http.OnProxyAuthorization = [](TIdCustomHTTP*, TIdAuthentication* authentication, bool& handled) {
      authentication->SetUsername("user");
      authentication->SetPassword("pw");
      handled = true;
    };
    EXPECT_EQ(p.http.GetAsText(p.nginx.Url("/page")), "through the proxy");
  }
}
// Inside the tunnel the request goes to the https site itself, which echoes
// the proxy lines it got: the proxy's password and keep-alive line (left on
// the request by a plain page fetched through the proxy before) stay out.
TEST(TinyproxyClient, ProxyLinesStayOutOfTheTunnel) {
  const TlsCertificates& certs = TlsCertificates::Shared();
  NginxSite site;
  site.ExtraPorts = 1;
  site.ExtraServers =
      certs.NginxTlsServer(certs.ServerCertFile(),
                           "location = /echo { return 200 \"$http_proxy_authorization|$http_proxy_connection\"; }\n");
  NginxServer nginx(site);
  nginx.WriteDocument("page", "plain");
  TinyproxyServer proxy({"user", "pw"});
  TIdSSLIOHandlerSocket tls;
  tls.SSLOptions().RootCertFile = certs.CaFile();
  TIdHTTP http;
  http.SetIOHandler(&tls);
  http.ReadTimeout = 10000;
  http.ProtocolVersion = pv1_0;
  http.ProxyParams.SetProxyServer("127.0.0.1");
  http.ProxyParams.SetProxyPort(proxy.Port());
  http.ProxyParams.BasicAuthentication = true;
  http.ProxyParams.ProxyUsername = "user";
  http.ProxyParams.ProxyPassword = "pw";
  EXPECT_EQ(http.GetAsText(nginx.Url("/page")), "plain") << proxy.Log();
  EXPECT_EQ(http.GetAsText(fmt::format("https://localhost:{}/echo", nginx.ExtraPort(1))), "|") << proxy.Log();
}
}  // namespace
