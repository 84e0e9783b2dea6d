// Which way each request of one call takes, and what it carries there: the
// proxy chooser is asked on every pass, so a redirect can lead from the
// direct route to a proxy and back, and a connection made on one route never
// carries a request of another; the proxy's lines go only to the proxy; a
// cookie for a public suffix reaches nobody else.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "net/http/proxy_chooser.h"
#include "tests/net/http/exchange_fixture.h"

namespace {

// Routes by the document asked for; everything else goes direct.
class RouteByDocument : public TIdProxyChooser {
public:
  explicit RouteByDocument(std::map<std::string, TIdProxyRoute> routes) : Routes(std::move(routes)) {}
  TIdProxyRoute ChooseProxy(const TIdURI& target) const override {
    const auto found = Routes.find(target.Document);
    return found == Routes.end() ? TIdProxyRoute{} : found->second;
  }

private:
  std::map<std::string, TIdProxyRoute> Routes;
};

const TIdProxyRoute kHttpProxy{TIdProxyKind::Http, "proxy.example", 3128, "u", "p"};
const TIdProxyRoute kSocks5{TIdProxyKind::Socks5, "127.0.0.9", 1080, "", ""};
const TIdProxyRoute kSocks4A{TIdProxyKind::Socks4A, "127.0.0.9", 1081, "", ""};

std::string keptRedirect(const std::string& location, const std::string& headers = "") {
  return Reply("302 Found", "", headers + "Location: " + location + "\r\nConnection: keep-alive\r\n");
}

struct RouteCase {
  const char* what;
  std::map<std::string, TIdProxyRoute> routes;
  std::string url;
  std::vector<std::vector<ScriptedReply>> connections;
  // Per connection: "host:port", after "socksN proxy >" when through SOCKS.
  std::vector<std::string> peers;
  // Per request head: its request line and the proxy and cookie lines in it.
  std::vector<std::string> heads;
};

const RouteCase kRouteCases[] = {
    {"from the direct route to the HTTP proxy",
     {{"proxied", kHttpProxy}},
     "http://a.example/start",
     {{keptRedirect("http://b.example/proxied")}, {Reply("200 OK", "")}},
     {"a.example:80", "proxy.example:3128"},
     {"GET /start HTTP/1.0", "GET http://b.example:80/proxied HTTP/1.0 [Proxy-Authorization: Basic dTpw]"}},
    {"from the HTTP proxy to the direct route, without the proxy's lines",
     {{"start", kHttpProxy}},
     "http://a.example/start",
     {{keptRedirect("http://b.example/direct")}, {Reply("200 OK", "")}},
     {"proxy.example:3128", "b.example:80"},
     {"GET http://a.example:80/start HTTP/1.0 [Proxy-Connection: keep-alive] [Proxy-Authorization: Basic dTpw]",
      "GET /direct HTTP/1.0"}},
    {"SOCKS for one hop to the same server is a new connection",
     {{"socks", kSocks5}},
     "http://a.example/start",
     {{keptRedirect("/socks")}, {Reply("200 OK", "")}},
     {"a.example:80", "socks5 127.0.0.9:1080 > a.example:80"},
     {"GET /start HTTP/1.0", "GET /socks HTTP/1.0"}},
    {"back from SOCKS to the direct route",
     {{"start", kSocks4A}},
     "http://a.example/start",
     {{keptRedirect("/direct")}, {Reply("200 OK", "")}},
     {"socks4a 127.0.0.9:1081 > a.example:80", "a.example:80"},
     {"GET /start HTTP/1.0", "GET /direct HTTP/1.0"}},
    {"a cookie for .com reaches no other .com site",
     {},
     "http://evil.com/start",
     {{keptRedirect("http://victim.com/next", "Set-Cookie: sid=1; Domain=.com; path=/\r\n")}, {Reply("200 OK", "")}},
     {"evil.com:80", "victim.com:80"},
     {"GET /start HTTP/1.0", "GET /next HTTP/1.0"}},
    {"a cookie for .github.io neither",
     {},
     "http://evil.github.io/start",
     {{keptRedirect("http://victim.github.io/next", "Set-Cookie: sid=1; Domain=.github.io; path=/\r\n")},
      {Reply("200 OK", "")}},
     {"evil.github.io:80", "victim.github.io:80"},
     {"GET /start HTTP/1.0", "GET /next HTTP/1.0"}},
    {"a cookie for the site's own domain under co.uk goes to the site",
     {},
     "http://shop.site.co.uk/start",
     {{keptRedirect("http://www.site.co.uk/next", "Set-Cookie: sid=1; Domain=.site.co.uk; path=/\r\n")},
      {Reply("200 OK", "")}},
     {"shop.site.co.uk:80", "www.site.co.uk:80"},
     {"GET /start HTTP/1.0", "GET /next HTTP/1.0 [Cookie: sid=1]"}},
    {"localhost keeps the cookies it sets for itself",
     {},
     "http://localhost:8080/start",
     {{keptRedirect("/next", "Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2; domain=localhost; path=/\r\n"),
       Reply("200 OK", "")}},
     {"localhost:8080"},
     {"GET /start HTTP/1.0", "GET /next HTTP/1.0 [Cookie: b=2; a=1]"}},
};

std::vector<std::string> peersOf(const TMemoryTlsTransport& transport) {
  std::vector<std::string> peers;
  for (const ScriptedConnection& c : transport.Connections)
    peers.push_back((c.Socks.empty() ? "" : c.Socks + " > ") + c.Host + ":" + std::to_string(c.Port));
  return peers;
}

std::vector<std::string> headsOf(const TMemoryTlsTransport& transport) {
  std::vector<std::string> heads;
  for (const ScriptedConnection& c : transport.Connections) {
    for (size_t start = 0, end; (end = c.Sent.find("\r\n\r\n", start)) != std::string::npos; start = end + 4) {
      TIdHeaderList lines;
      lines.SetText(c.Sent.substr(start, end - start));
      std::string head = lines.Strings(0);
      for (const char* name : {"Proxy-Connection", "Proxy-Authorization", "Cookie"})
        if (const int32_t at = lines.IndexOfHeader(name); at >= 0) head += " [" + lines.Strings(at) + "]";
      heads.push_back(head);
    }
  }
  return heads;
}

TEST(ProxyRoute, EveryPassTakesItsOwnRouteAndCarriesOnlyItsOwnLines) {
  for (const RouteCase& c : kRouteCases) {
    SCOPED_TRACE(c.what);
    TIdHTTP client;
    TMemoryTlsTransport scripted;
    client.SetIOHandler(&scripted);
    ApplyMainWindowSettings(client);
    RouteByDocument chooser(c.routes);
    client.ProxyChooser = &chooser;
    for (const auto& replies : c.connections) scripted.Script(replies, ScriptedConnection::FallsSilent);
    client.GetAsText(c.url);
    EXPECT_EQ(peersOf(scripted), c.peers);
    EXPECT_EQ(headsOf(scripted), c.heads);
  }
}

}  // namespace
