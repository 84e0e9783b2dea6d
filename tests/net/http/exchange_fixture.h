#pragma once
// An HTTP client over a scripted memory transport, and the replies the tests
// have it play.

#include <gtest/gtest.h>

#include <string>

#include "net/http/http_client.h"
#include "tests/net/http/memory_transport.h"

// The settings the main window gives its client.
inline constexpr const char* MainWindowUserAgent =
    "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8.1.6) Gecko/20070725 Firefox/2.0.0.6";

inline void ApplyMainWindowSettings(TIdHTTP& http) {
  http.AllowCookies = true;
  http.HandleRedirects = true;
  http.ProtocolVersion = pv1_0;
  http.Request().UserAgent = MainWindowUserAgent;
  http.RecvBufferSize = 1024;
}

// A response with a counted body and the given extra header lines.
inline std::string Reply(const std::string& status, const std::string& body, const std::string& headers = "") {
  return "HTTP/1.1 " + status + "\r\n" + headers + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

inline std::string Redirect(const std::string& location, const std::string& status = "302 Found") {
  return Reply(status, "moved", "Location: " + location + "\r\n");
}

template <class TTransport>
struct ExchangeFixtureOf : ::testing::Test {
  ExchangeFixtureOf() { http.SetIOHandler(&transport); }
  // Back to no connection and no script, between the cases of a table.
  void Restart() {
    http.CloseConnection();
    transport.Reset();
  }
  // The request heads and bodies sent over the index-th connection.
  const std::string& Sent(size_t index) { return transport.Connections.at(index).Sent; }
  // The first request line sent over the index-th connection.
  std::string FirstLine(size_t index) { return Sent(index).substr(0, Sent(index).find("\r\n")); }

  TIdHTTP http;
  TTransport transport;
};

using ExchangeFixture = ExchangeFixtureOf<TMemoryTransport>;
