// The request loop over a scripted transport: the head the main window's
// settings send, where each pass connects, redirects, challenges, cookies
// and the routes over a TLS transport and a proxy.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/http/http_client_exceptions.h"
#include "tests/net/http/exchange_fixture.h"

namespace {
using Exchange = ExchangeFixture;

TEST_F(Exchange, MainWindowHeadWithKeepAliveAndCookie) {
  ApplyMainWindowSettings(http);
  transport.Script({Reply("200 OK", "page", "Connection: keep-alive\r\nSet-Cookie: sid=abc; path=/\r\n"),
                    Reply("200 OK", "video", "Connection: keep-alive\r\n")});
  EXPECT_EQ(http.GetAsText("http://site.example/watch?v=1"), "page");
  EXPECT_EQ(http.GetAsText("http://site.example/get_video?v=1"), "video");
  const std::string head = std::string("Connection: keep-alive\r\nContent-Type: text/html\r\nHost: site.example\r\n") +
                           "Accept: text/html, */*\r\nUser-Agent: " + MainWindowUserAgent + "\r\n";
  EXPECT_EQ(Sent(0), "GET /watch?v=1 HTTP/1.0\r\n" + head + "\r\n" + "GET /get_video?v=1 HTTP/1.0\r\n" + head +
                         "Cookie: sid=abc\r\n\r\n");
}

// A custom port stays with its host; another host named without a port gets
// the scheme's own, and an address without a scheme goes over plain HTTP.
TEST_F(Exchange, PortFollowsTheHost) {
  http.ProtocolVersion = pv1_0;
  for (int i = 0; i < 4; ++i) transport.Script({Reply("200 OK", "")});
  http.GetAsText("http://a.example:8080/x");
  http.GetAsText("/y");
  http.GetAsText("http://b.example/z");
  http.GetAsText("c.example/w");
  std::vector<std::pair<std::string, int32_t>> peers;
  for (const ScriptedConnection& c : transport.Connections) peers.emplace_back(c.Host, c.Port);
  EXPECT_EQ(peers, (std::vector<std::pair<std::string, int32_t>>{
                       {"a.example", 8080}, {"a.example", 8080}, {"b.example", 80}, {"b.example", 80}}));
  EXPECT_EQ(FirstLine(1), "GET /y HTTP/1.0");
  EXPECT_EQ(FirstLine(3), "GET /c.example/w HTTP/1.0");
}

TEST_F(Exchange, RelativeRedirectResolvesAgainstThePathAndDropsItsBody) {
  http.HandleRedirects = true;
  transport.Script({Redirect("../c/doc?x=1"), Reply("200 OK", "body")});
  EXPECT_EQ(http.GetAsText("http://h.example/a/b/page"), "body");
  EXPECT_EQ(Sent(0).substr(Sent(0).rfind("GET")).substr(0, 25), "GET /a/c/doc?x=1 HTTP/1.1");
}

// Fifteen passes at most: a server that redirects for ever is an error with
// the last redirect's code, and the next call gets the whole allowance again.
TEST_F(Exchange, RedirectLimitIsAnErrorAndEveryCallStartsFromZero) {
  http.HandleRedirects = true;
  std::vector<ScriptedReply> replies;
  for (int i = 0; i < 15; ++i) replies.push_back(Redirect("/r" + std::to_string(i), "301 Moved Permanently"));
  for (int i = 0; i < 14; ++i) replies.push_back(Redirect("/s" + std::to_string(i)));
  replies.push_back(Reply("200 OK", "arrived"));
  transport.Script(replies);
  try {
    http.GetAsText("http://h.example/");
    ADD_FAILURE() << "no exception";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.ReplyCode, 301);
    EXPECT_EQ(e.Message, "Too many redirects: the limit of 15 was reached.");
  }
  EXPECT_EQ(http.GetAsText("http://h.example/"), "arrived");
}

TEST_F(Exchange, RedirectDecisions) {
  struct Case {
    const char* what;
    bool handleRedirects;
    std::string first;
    std::string result;  // empty: EIdHTTPProtocolException with expectedCode
    int32_t expectedCode;
  };
  const Case cases[] = {
      {"not followed without HandleRedirects", false, Redirect("/next"), "", 302},
      {"2xx with Location is a redirect", true, Reply("201 Created", "made", "Location: /next\r\n"), "next page", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Restart();
    http.HandleRedirects = c.handleRedirects;
    transport.Script({c.first, Reply("200 OK", "next page")});
    if (c.result.empty()) {
      try {
        http.GetAsText("http://h.example/");
        ADD_FAILURE() << "no exception";
      } catch (const EIdHTTPProtocolException& e) {
        EXPECT_EQ(e.ReplyCode, c.expectedCode);
      }
    } else {
      EXPECT_EQ(http.GetAsText("http://h.example/"), c.result);
    }
  }
}

TEST_F(Exchange, OnRedirectMayChangeTheMethod) {
  http.HandleRedirects = true;
  http.OnRedirect = [](TIdCustomHTTP*, std::string&, int32_t&, bool&, TIdHTTPMethod& method) { method = hmHead; };
  transport.Script({Redirect("/other"), Reply("200 OK", "")});
  http.GetAsText("http://h.example/");
  EXPECT_NE(Sent(0).find("\r\n\r\nHEAD /other HTTP/1.1\r\n"), std::string::npos);
}

// The body of a redirect is read past under a 4-second limit; a server that
// never finishes it only costs the connection.
TEST_F(Exchange, RedirectBodyThatNeverEndsIsAbandoned) {
  http.HandleRedirects = true;
  transport.Script({"HTTP/1.1 302 Found\r\nLocation: /next\r\n\r\nendless"}, ScriptedConnection::FallsSilent);
  transport.Script({Reply("200 OK", "next")});
  EXPECT_EQ(http.GetAsText("http://h.example/"), "next");
  EXPECT_NE(std::find(transport.Waits.begin(), transport.Waits.end(), 4000), transport.Waits.end());
  EXPECT_EQ(http.ReadTimeout, 0);
}

TEST_F(Exchange, InterimContinueAndTheFinalResponseAreOneExchange) {
  transport.Script({"HTTP/1.1 100 Continue\r\nSet-Cookie: a=1; path=/\r\n\r\n" +
                    Reply("200 OK", "done", "Set-Cookie: b=2; path=/\r\n")});
  transport.Connections.back().Replies.push_back(Reply("200 OK", ""));
  EXPECT_EQ(http.GetAsText("http://h.example/"), "done");
  http.GetAsText("http://h.example/again");
  EXPECT_NE(Sent(0).find("Cookie: b=2; a=1\r\n"), std::string::npos);
}

// Credentials made for one host stay with it when a redirect leads away; a
// challenge from the other host asks the program afresh.
TEST_F(Exchange, AuthorizationDoesNotFollowARedirectToAnotherHost) {
  http.HandleRedirects = true;
  http.HTTPOptions = {hoInProcessAuth};
  http.Request().BasicAuthentication = true;
  http.Request().Username = "user";
  http.Request().Password = "secret";
  std::vector<std::string> asked;
  http.OnAuthorization = [&](TIdCustomHTTP*, TIdAuthentication* authentication, bool& handled) {
    asked.push_back(authentication->Username());
    authentication->SetUsername("other");
    handled = true;
  };
  transport.Script({Redirect("http://other.example/x")});
  transport.Script({Reply("401 Unauthorized", "", "WWW-Authenticate: Basic realm=\"o\"\r\n"), Reply("200 OK", "")});
  http.GetAsText("http://home.example/");
  EXPECT_NE(Sent(0).find("Authorization: Basic dXNlcjpzZWNyZXQ=\r\n"), std::string::npos);
  EXPECT_EQ(Sent(1).find("dXNlcjpzZWNyZXQ="), std::string::npos);
  EXPECT_NE(Sent(1).find("Authorization: Basic b3RoZXI6\r\n"), std::string::npos);
  EXPECT_EQ(asked, std::vector<std::string>{""});
}

TEST_F(Exchange, UnansweredChallengeFailsAndLeavesAnEmptyBasicScheme) {
  transport.Script({Reply("401 Unauthorized", "no",
                          "WWW-Authenticate: Digest realm=\"d\"\r\nWWW-Authenticate: Basic realm=\"b\"\r\n"),
                    Reply("200 OK", "")});
  try {
    http.GetAsText("http://h.example/");
    ADD_FAILURE() << "no exception";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.ReplyCode, 401);
    EXPECT_EQ(e.BodyText, "no");
  }
  http.GetAsText("http://h.example/");
  EXPECT_NE(Sent(0).rfind("Authorization: Basic Og==\r\n"), std::string::npos);
}

// A server that keeps refusing ends the call after AuthRetries answers,
// whether the retry runs on the open connection or after the server closed
// it inside the challenge's head.
TEST_F(Exchange, RefusedCredentialsEndAfterAuthRetries) {
  const std::string challenge = "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"r\"\r\n";
  for (bool inProcess : {true, false}) {
    SCOPED_TRACE(inProcess ? "in process" : "retried after the close");
    TIdHTTP client;
    TMemoryTransport scripted;
    client.SetIOHandler(&scripted);
    client.HTTPOptions = inProcess ? TIdHTTPOptions{hoInProcessAuth} : TIdHTTPOptions{};
    int asked = 0;
    client.OnAuthorization = [&](TIdCustomHTTP*, TIdAuthentication* authentication, bool& handled) {
      ++asked;
      authentication->SetUsername("u");
      handled = true;
    };
    if (inProcess)
      scripted.Script({challenge + "Content-Length: 0\r\n\r\n", challenge + "Content-Length: 0\r\n\r\n",
                       challenge + "Content-Length: 0\r\n\r\n", challenge + "Content-Length: 0\r\n\r\n"});
    else
      for (int i = 0; i < 4; ++i) scripted.Script({challenge + "X-Cut"});
    EXPECT_THROW(client.GetAsText("http://h.example/"), EIdHTTPProtocolException);
    std::string sent;
    for (const ScriptedConnection& c : scripted.Connections) sent += c.Sent;
    EXPECT_EQ(std::count(sent.begin(), sent.end(), 'G'), 4);
    EXPECT_NE(sent.rfind("Authorization: Basic dTo=\r\n"), std::string::npos);
    EXPECT_EQ(asked, 1);
  }
}

TEST_F(Exchange, HttpsNeedsATlsTransport) {
  TIdHTTP bare;
  try {
    bare.GetAsText("https://secure.example/");
    ADD_FAILURE() << "no exception";
  } catch (const EIdIOHandlerPropInvalid& e) {
    EXPECT_EQ(e.Message, "IOHandler value is not valid");
  }
}

using TlsExchange = ExchangeFixtureOf<TMemoryTlsTransport>;

// The exchange switches a TLS transport per address, and a secure cookie
// goes only where the connection really runs TLS.
TEST_F(TlsExchange, PlainModePerAddressAndSecureCookies) {
  transport.Script({Reply("200 OK", "", "Set-Cookie: s=1; path=/; secure\r\n"), Reply("200 OK", "")});
  transport.Script({Reply("200 OK", "")});
  http.GetAsText("https://h.example/a");
  EXPECT_FALSE(transport.PlainMode());
  http.GetAsText("https://h.example/b");
  http.GetAsText("http://h.example/c");
  EXPECT_TRUE(transport.PlainMode());
  EXPECT_EQ(transport.Connections[0].Port, 443);
  EXPECT_NE(Sent(0).find("Host: h.example:443\r\nAccept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; "
                         "Vexa Library)\r\nCookie: s=1\r\n"),
            std::string::npos);
  EXPECT_EQ(Sent(1).find("Cookie"), std::string::npos);
}

// Only the proxy's 200 opens the tunnel; any other answer to CONNECT ends
// the call instead of asking again.
TEST_F(TlsExchange, TunnelRefusedByTheProxy) {
  http.ProxyParams.SetProxyServer("proxy.example");
  http.ProxyParams.SetProxyPort(3128);
  http.Request().UserAgent = "agent";
  transport.Script({Reply("403 Forbidden", "no tunnels")});
  try {
    http.GetAsText("https://h.example/doc");
    ADD_FAILURE() << "no exception";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.ReplyCode, 403);
  }
  EXPECT_EQ(transport.Connections[0].Host, "proxy.example");
  EXPECT_EQ(Sent(0),
            "CONNECT h.example:443 HTTP/1.1\r\nContent-Type: text/html\r\nPragma: no-cache\r\nProxy-Connection: "
            "keep-alive\r\nHost: h.example:443\r\nAccept: text/html, */*\r\nUser-Agent: agent\r\n\r\n");
}

TEST_F(Exchange, ProxyRouteSendsTheWholeAddress) {
  http.ProtocolVersion = pv1_0;
  http.ProxyParams.SetProxyServer("proxy.example");
  http.ProxyParams.SetProxyPort(3128);
  transport.Script({Reply("200 OK", "via proxy")});
  EXPECT_EQ(http.GetAsText("http://user:pw@h.example/doc#top"), "via proxy");
  EXPECT_EQ(std::make_pair(transport.Connections[0].Host, transport.Connections[0].Port),
            std::make_pair(std::string("proxy.example"), 3128));
  EXPECT_EQ(FirstLine(0), "GET http://h.example:80/doc HTTP/1.0");
  EXPECT_NE(Sent(0).find("Proxy-Connection: keep-alive\r\n"), std::string::npos);
}
}  // namespace
