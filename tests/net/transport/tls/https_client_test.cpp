// https through the HTTP client with a TLS transport assigned: directly to
// nginx and through tinyproxy's CONNECT tunnel, one handshake for two
// requests on a kept connection, and the failures a caller sees.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <fmt/core.h>

#include "net/http/http_client.h"
#include "net/transport/exceptions.h"
#include "net/transport/tls/ssl_io_handler.h"
#include "net/transport/tls/tls_exceptions.h"
#include "platform/streams.h"
#include "tests/servers/nginx_server.h"
#include "tests/servers/tinyproxy_server.h"
#include "tests/servers/tls_certificates.h"

namespace {

const TlsCertificates& certs() { return TlsCertificates::Shared(); }

// nginx with its plain listener and a TLS listener on its first extra port,
// serving the same documents with the certificate given.
NginxSite tlsSite(const std::string& certFile) {
  NginxSite site;
  site.ExtraPorts = 1;
  site.ExtraServers = certs().NginxTlsServer(certFile);
  return site;
}

std::string pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 % 251);
  return bytes;
}

class HttpsClientTest : public ::testing::Test {
protected:
  HttpsClientTest() {
    tls.SSLOptions().RootCertFile = certs().CaFile();
    tls.OnStatusInfo = [this](const std::string& Msg) {
      if (Msg.rfind("Cipher: ", 0) == 0) ++handshakes;
    };
    http.SetIOHandler(&tls);
    http.ReadTimeout = 10000;
  }

  std::string secureUrl(const NginxServer& nginx, const std::string& path) const {
    return fmt::format("https://localhost:{}{}", nginx.ExtraPort(1), path);
  }

  TIdSSLIOHandlerSocket tls;
  TIdHTTP http;
  int handshakes = 0;
};

TEST_F(HttpsClientTest, DirectTextAndStreamShareOneHandshake) {
  NginxServer nginx(tlsSite(certs().ServerCertFile()));
  nginx.WriteDocument("watch.html", "<html>video page</html>");
  const std::string video = pattern(3 * 1024 * 1024 + 17);
  nginx.WriteDocument("video.flv", video);

  EXPECT_EQ(http.GetAsText(secureUrl(nginx, "/watch.html")), "<html>video page</html>");
  TMemoryStream stream;
  http.GetIntoStream(secureUrl(nginx, "/video.flv"), stream);
  ASSERT_EQ(stream.GetSize(), static_cast<int64_t>(video.size()));
  EXPECT_TRUE(std::equal(video.begin(), video.end(), static_cast<const char*>(stream.Memory())));
  EXPECT_EQ(handshakes, 1) << nginx.Log();
}

// After an https request, a plain address on the same client passes in the
// clear through the same transport.
TEST_F(HttpsClientTest, PlainAddressAfterASecureOne) {
  NginxServer nginx(tlsSite(certs().ServerCertFile()));
  nginx.WriteDocument("a.txt", "secure and plain");
  EXPECT_EQ(http.GetAsText(secureUrl(nginx, "/a.txt")), "secure and plain");
  EXPECT_EQ(http.GetAsText(nginx.Url("/a.txt")), "secure and plain");
  EXPECT_TRUE(tls.PlainMode());
  EXPECT_EQ(http.GetAsText(secureUrl(nginx, "/a.txt")), "secure and plain");
  EXPECT_EQ(handshakes, 2);
}

// Through the proxy the tunnel is set up in the clear and TLS runs inside it
// to the target; a kept-alive tunnel carries the second request with the
// same handshake, and a tunnel to another target starts anew.
TEST_F(HttpsClientTest, ThroughTheProxyTunnel) {
  NginxServer nginx(tlsSite(certs().ServerCertFile()));
  nginx.WriteDocument("one.txt", "first");
  nginx.WriteDocument("two.txt", "second");
  TinyproxyServer proxy;
  http.ProxyParams.SetProxyServer("127.0.0.1");
  http.ProxyParams.SetProxyPort(proxy.Port());
  EXPECT_EQ(http.GetAsText(secureUrl(nginx, "/one.txt")), "first") << proxy.Log();
  EXPECT_EQ(http.GetAsText(secureUrl(nginx, "/two.txt")), "second") << proxy.Log();
  EXPECT_EQ(handshakes, 1);
  const std::string otherTarget = fmt::format("https://127.0.0.1:{}/one.txt", nginx.ExtraPort(1));
  EXPECT_EQ(http.GetAsText(otherTarget), "first") << proxy.Log();
  EXPECT_EQ(handshakes, 2);
}

// The name checked inside a tunnel is the target's, not the proxy's.
TEST_F(HttpsClientTest, TunnelChecksTheTargetsName) {
  NginxServer nginx(tlsSite(certs().WrongHostCertFile()));
  nginx.WriteDocument("a.txt", "never");
  TinyproxyServer proxy;
  http.ProxyParams.SetProxyServer("127.0.0.1");
  http.ProxyParams.SetProxyPort(proxy.Port());
  try {
    http.GetAsText(secureUrl(nginx, "/a.txt"));
    FAIL();
  } catch (const EIdOSSLPeerVerifyError& e) {
    EXPECT_EQ(e.Message, "Error connecting with SSL. The server's certificate was not accepted: hostname mismatch.");
  }
}

TEST(HttpsWithoutTlsTransport, SecureAddressIsRefused) {
  NginxServer nginx(tlsSite(certs().ServerCertFile()));
  TIdHTTP http;
  try {
    http.GetAsText(fmt::format("https://localhost:{}/a.txt", nginx.ExtraPort(1)));
    FAIL();
  } catch (const EIdIOHandlerPropInvalid& e) {
    EXPECT_EQ(e.Message, "IOHandler value is not valid");
  }
}

}  // namespace
