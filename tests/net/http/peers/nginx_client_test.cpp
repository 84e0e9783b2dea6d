// The client against nginx: counted and chunked bodies, keep-alive asked for
// by an HTTP/1.0 client, redirects, Basic authentication, cookies and error
// pages, all as a real server sends them.

#include <gtest/gtest.h>

#include <string>

#include <fmt/core.h>

#include "net/http/http_client.h"
#include "net/http/http_client_exceptions.h"
#include "platform/streams.h"
#include "tests/servers/nginx_server.h"

namespace {
constexpr const char* UserAgent =
    "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8.1.6) Gecko/20070725 Firefox/2.0.0.6";

std::string pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 % 251);
  return bytes;
}

// Twenty cookies of about 100 bytes: 2 KB on the Cookie line.
constexpr int ManyCookies = 20;
std::string manyCookie(int index) { return fmt::format("c{}={}", index, std::string(96, 'v')); }

NginxSite site() {
  NginxSite site;
  site.FolderFiles = {{"htpasswd", "user:{PLAIN}secret\n"}};
  std::string& config = site.ServerConfig;
  config =
      "location = /echo { return 200 \"$request|$http_connection|$http_cookie|$http_authorization\"; }\n"
      "location = /set-cookie { add_header Set-Cookie \"sid=abc; path=/\"; return 200 \"set\"; }\n"
      "location = /relative { return 302 /files/5; }\n"
      "location = /absolute { return 301 http://127.0.0.1:@PORT@/files/5; }\n"
      "location = /broken { return 500 \"broken\"; }\n"
      "location /private/ { auth_basic \"Private\"; auth_basic_user_file @FOLDER@/htpasswd; }\n"
      // sub_filter drops the length: HTTP/1.1 gets it chunked, HTTP/1.0 until close.
      "location /filtered/ { sub_filter 'x' 'y'; sub_filter_once off; sub_filter_types *; }\n"
      "location = /chain/0 { return 200 \"end of chain\"; }\n";
  config += "location = /many-cookies {\n";
  for (int i = 0; i < ManyCookies; ++i) config += fmt::format("add_header Set-Cookie \"{}; path=/\";\n", manyCookie(i));
  config += "return 200 \"set\"; }\n";
  for (int i = 1; i <= 15; ++i) config += fmt::format("location = /chain/{} {{ return 302 /chain/{}; }}\n", i, i - 1);
  return site;
}

class NginxClient : public ::testing::Test {
protected:
  NginxClient() : nginx(site()) {
    http.AllowCookies = true;
    http.HandleRedirects = true;
    http.ProtocolVersion = pv1_0;
    http.Request().UserAgent = UserAgent;
    http.RecvBufferSize = 1024;
    http.OnStatus = [this](TIdComponent*, TIdStatus status, const std::string&) { connects += status == hsConnected; };
  }

  NginxServer nginx;
  TIdHTTP http;
  int connects = 0;
};

// Bodies around the receive size and much larger arrive byte for byte, and
// an HTTP/1.0 client that asks for keep-alive gets one connection for all.
TEST_F(NginxClient, CountedBodiesOverOneKeptConnection) {
  const size_t sizes[] = {0, 1, 1023, 1024, 1025, 100000, 3 << 20};
  for (size_t size : sizes) nginx.WriteDocument("files/" + std::to_string(size), pattern(size));
  for (size_t size : sizes) {
    SCOPED_TRACE(size);
    TMemoryStream body;
    http.GetIntoStream(nginx.Url("/files/" + std::to_string(size)), body);
    ASSERT_EQ(body.GetSize(), static_cast<int64_t>(size));
    EXPECT_EQ(std::string(body.Memory(), size), pattern(size));
  }
  EXPECT_EQ(connects, 1);
}

TEST_F(NginxClient, RequestHeadOfTheMainWindow) {
  http.GetAsText(nginx.Url("/set-cookie"));
  EXPECT_EQ(http.GetAsText(nginx.Url("/echo?v=1")), "GET /echo?v=1 HTTP/1.0|keep-alive|sid=abc|");
}

// nginx answers 400 to a request with a folded header line: 2 KB of cookies
// must still travel on one Cookie line, and keep doing so.
TEST_F(NginxClient, KilobytesOfCookiesStayOnOneLine) {
  http.GetAsText(nginx.Url("/many-cookies"));
  std::string cookies;
  // Cookies of one domain and path go out newest first.
  for (int i = ManyCookies - 1; i >= 0; --i) cookies += (cookies.empty() ? "" : "; ") + manyCookie(i);
  for (int request = 0; request < 2; ++request)
    EXPECT_EQ(http.GetAsText(nginx.Url("/echo")), "GET /echo HTTP/1.0|keep-alive|" + cookies + "|");
}

TEST_F(NginxClient, RedirectsRelativeAbsoluteAndTooMany) {
  nginx.WriteDocument("files/5", "hello");
  EXPECT_EQ(http.GetAsText(nginx.Url("/relative")), "hello");
  EXPECT_EQ(http.GetAsText(nginx.Url("/absolute")), "hello");
  EXPECT_EQ(http.GetAsText(nginx.Url("/chain/14")), "end of chain");
  try {
    http.GetAsText(nginx.Url("/chain/15"));
    ADD_FAILURE() << "no exception";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.ReplyCode, 302);
  }
}

TEST_F(NginxClient, ErrorPagesTravelInTheException) {
  struct Case {
    const char* path;
    int32_t code;
    const char* pageHolds;
  };
  for (const Case& c : {Case{"/missing", 404, "404 Not Found"}, Case{"/broken", 500, "broken"}}) {
    SCOPED_TRACE(c.path);
    try {
      http.GetAsText(nginx.Url(c.path));
      ADD_FAILURE() << "no exception";
    } catch (const EIdHTTPProtocolException& e) {
      EXPECT_EQ(e.ReplyCode, c.code);
      EXPECT_NE(e.BodyText.find(c.pageHolds), std::string::npos) << e.BodyText;
    }
  }
}

// nginx cannot give a filtered page a length: HTTP/1.1 gets it chunked,
// HTTP/1.0 until the server closes.
TEST_F(NginxClient, BodiesWithoutALength) {
  const std::string page = std::string(70000, 'x') + "end";
  nginx.WriteDocument("filtered/page", page);
  const std::string filtered = std::string(70000, 'y') + "end";
  for (TIdHTTPProtocolVersion version : {pv1_1, pv1_0}) {
    SCOPED_TRACE(ProtocolVersionText(version));
    http.ProtocolVersion = version;
    EXPECT_EQ(http.GetAsText(nginx.Url("/filtered/page")), filtered);
    EXPECT_EQ(http.GetAsText(nginx.Url("/echo")).substr(0, 9), "GET /echo");
  }
}

TEST_F(NginxClient, BasicAuthentication) {
  nginx.WriteDocument("private/doc", "secret page");
  try {
    http.GetAsText(nginx.Url("/private/doc"));
    ADD_FAILURE() << "no exception";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.ReplyCode, 401);
  }
  http.HTTPOptions = {hoInProcessAuth};
  http.OnAuthorization = [](TIdCustomHTTP*, TIdAuthentication* authentication, bool& handled) {
    authentication->SetUsername("user");
    authentication->SetPassword("secret");
    handled = true;
  };
  http.Request().Authentication.reset();
  EXPECT_EQ(http.GetAsText(nginx.Url("/private/doc")), "secret page");
}
}  // namespace
