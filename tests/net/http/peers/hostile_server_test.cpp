// The client against a scripted server on loopback that answers with what a
// hostile or broken server sends: redirects that try to write into the next
// request, schemes the client does not speak, ranges past 2 GiB, lengths
// that disagree, and interim answers before the real one. One row per
// server; each row says what the call returns or raises, what reached the
// wire, and whether the connection may still carry a request.

#include <gtest/gtest.h>

#include <string>

#include "net/http/http_client.h"
#include "platform/exception.h"
#include "tests/servers/scripted_peer.h"

namespace {
using namespace std::string_literals;

std::string ok(const std::string& body, const std::string& headers = "") {
  return "HTTP/1.1 200 OK\r\n" + headers + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string redirectWith(const std::string& headers) {
  return "HTTP/1.1 302 Found\r\n" + headers + "Content-Length: 0\r\n\r\n";
}

struct HostileCase {
  const char* server;
  std::string replies;  // everything the server sends, at once
  std::string result;   // the body returned, or the message raised
  bool raises;
  bool staysConnected;
  std::string sentHolds;  // a request line the client must have sent; empty for none
  std::string neverSent;  // bytes that must not reach the wire; empty for none
};

const HostileCase kHostileCases[] = {
    {"a CR inside Location", redirectWith("Location: /a\rX-Injected: 1\r\n") + ok("landed"), "landed", false, true,
     "GET /a%0DX-Injected:%201 HTTP/1.1\r\n", "\rX-Injected"},
    {"a Location folded onto a continuation line", redirectWith("Location: /b\r\n X-Injected: 1\r\n") + ok("landed"),
     "landed", false, true, "GET /b%20X-Injected:%201 HTTP/1.1\r\n", "\r\n X-Injected"},
    {"NUL, control, DEL and 8-bit bytes in Location; %XX kept",
     redirectWith("Location: /c%41\x00\x01\x7f\xe9\r\n"s) + ok("landed"), "landed", false, true,
     "GET /c%41%00%01%7F%E9 HTTP/1.1\r\n", "\x00"s},
    {"a CR inside a cookie set on the way",
     redirectWith("Set-Cookie: a=b\rX-Injected: 1; path=/\r\nLocation: /next\r\n") + ok("landed"), "landed", false,
     true, "GET /next HTTP/1.1\r\n", "\rX-Injected"},
    {"a redirect to file: on a custom port", redirectWith("Location: file:///etc/passwd\r\n"),
     "Protocol \"file\" is not supported: only http and https addresses can be fetched.", true, true, "",
     "/etc/passwd"},
    {"a redirect to ftp:", redirectWith("Location: ftp://127.0.0.1/video.flv\r\n"),
     "Protocol \"ftp\" is not supported: only http and https addresses can be fetched.", true, true, "", "video.flv"},
    {"a range past 2 GiB",
     "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 2147483648-2147483652/4294967296\r\n"
     "Content-Length: 5\r\n\r\nhello",
     "hello", false, true, "", ""},
    {"a malformed Content-Range on a 200", ok("whole", "Content-Range: bytes x-y/z\r\n"), "whole", false, true, "", ""},
    {"a malformed Content-Range on a 206",
     "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 5-/10\r\nContent-Length: 4\r\n\r\npart", "part", false, true,
     "", ""},
    {"two different lengths", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 5\r\n\r\nabcde" + ok("smuggled"),
     "Response has conflicting Content-Length values: 3, 5.", true, false, "", ""},
    {"different lengths in one line", "HTTP/1.1 200 OK\r\nContent-Length: 5, 3\r\n\r\nabcde",
     "Response has conflicting Content-Length values: 5, 3.", true, false, "", ""},
    {"the same length repeated", "HTTP/1.1 200 OK\r\nContent-Length: 5, 5\r\nContent-Length: 5\r\n\r\nhello", "hello",
     false, true, "", ""},
    {"chunks and a length: the chunks win",
     "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n", "hello",
     false, false, "", ""},
    {"102 and 103 before the answer",
     "HTTP/1.1 102 Processing\r\n\r\nHTTP/1.1 103 Early Hints\r\nLink: </s.css>; rel=preload\r\n\r\n" + ok("final"),
     "final", false, true, "", ""},
    {"101 that was never asked for",
     "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n\r\n",
     "HTTP/1.1 101 Switching Protocols", true, false, "", ""},
};

TEST(HostileServer, EachServerGetsAClearAnswerAndCannotWriteIntoARequest) {
  for (const HostileCase& c : kHostileCases) {
    SCOPED_TRACE(c.server);
    ScriptedPeer peer({script::Send(c.replies)});
    TIdHTTP http;
    http.HandleRedirects = true;
    // A row that goes wrong fails in seconds instead of waiting for ever.
    http.ReadTimeout = 3000;
    std::string result;
    bool raised = false;
    try {
      result = http.GetAsText("http://127.0.0.1:" + std::to_string(peer.Port()) + "/start");
    } catch (const Exception& e) {
      raised = true;
      result = e.Message;
      EXPECT_NE(dynamic_cast<const EIdException*>(&e), nullptr) << "outside the client's exceptions";
    }
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(raised, c.raises);
    EXPECT_EQ(http.IsConnected(), c.staysConnected);
    if (http.IsConnected()) http.CloseConnection();
    const std::string sent = peer.Received();
    if (!c.sentHolds.empty()) {
      EXPECT_NE(sent.find(c.sentHolds), std::string::npos) << sent;
    }
    if (!c.neverSent.empty()) {
      EXPECT_EQ(sent.find(c.neverSent), std::string::npos) << sent;
    }
  }
}
}  // namespace
