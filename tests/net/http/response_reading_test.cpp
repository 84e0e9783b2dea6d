// Reading responses over a scripted transport: status lines, header blocks
// and the three kinds of body, including servers that break off, lie about
// sizes or never stop.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/http/http_client_exceptions.h"
#include "tests/net/http/exchange_fixture.h"

namespace {
const std::string Alphabet = "abcdefghijklmnopqrstuvwxyz";

struct BodyCase {
  const char* what;
  std::string reply;
  ScriptedConnection::TEnd end;
  std::string expected;
};

// A server that falls silent after the reply makes any read past the body
// time out, so these cases also prove that nothing more was read.
const BodyCase kBodyCases[] = {
    {"counted", Reply("200 OK", "hello"), ScriptedConnection::FallsSilent, "hello"},
    {"length 0 waits for nothing", Reply("200 OK", ""), ScriptedConnection::FallsSilent, ""},
    {"204 reads no body", "HTTP/1.1 204 No Content\r\n\r\n", ScriptedConnection::FallsSilent, ""},
    {"until close", "HTTP/1.0 200 OK\r\n\r\nall of it", ScriptedConnection::Closes, "all of it"},
    {"chunk extension without a blank",
     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1a;name=value\r\n" + Alphabet + "\r\n0\r\n\r\n",
     ScriptedConnection::FallsSilent, Alphabet},
    {"chunk extension after a blank",
     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1A ext\r\n" + Alphabet + "\r\n0\r\n\r\n",
     ScriptedConnection::FallsSilent, Alphabet},
    {"chunked in any letter case", "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
     ScriptedConnection::FallsSilent, "hello"},
    {"trailer lines are read up to the empty line",
     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\nX-Sum: 1\r\nX-More: 2\r\n\r\n",
     ScriptedConnection::FallsSilent, "hello"},
    {"chunks win over a length, and such a connection is not used again",
     "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
     ScriptedConnection::Closes, "hello"},
};

using ResponseReading = ExchangeFixture;

// After each body the connection must be in step: a second request on it
// reads the next reply whole.
TEST_F(ResponseReading, BodiesEndWhereTheyEndAndKeepTheConnectionInStep) {
  for (const BodyCase& c : kBodyCases) {
    SCOPED_TRACE(c.what);
    const bool reusable = c.end == ScriptedConnection::FallsSilent;
    Restart();
    std::vector<ScriptedReply> replies{c.reply};
    if (reusable) replies.push_back(Reply("200 OK", "next"));
    transport.Script(replies, c.end);
    EXPECT_EQ(http.GetAsText("http://site.example/a"), c.expected);
    if (reusable) {
      EXPECT_EQ(http.GetAsText("http://site.example/b"), "next");
    }
    EXPECT_EQ(transport.Connections.size(), 1u);
  }
}

template <class TException>
void expectFailure(TIdHTTP& http, const char* url, const std::string& message) {
  try {
    http.GetAsText(url);
    ADD_FAILURE() << "no exception";
  } catch (const TException& e) {
    EXPECT_EQ(e.Message, message);
  }
}

// Servers that break off or lie: none of this may look like a finished page.
TEST_F(ResponseReading, ServersThatBreakOffAreErrors) {
  const std::string closed = "Connection Closed Gracefully.";
  struct Case {
    const char* what;
    std::string reply;
  };
  const Case cases[] = {
      {"closed before the status line", ""},
      {"counted body cut short", "HTTP/1.1 200 OK\r\nContent-Length: 3000\r\n\r\n" + std::string(500, 'x')},
      {"closed inside a chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nabc"},
      {"closed inside a chunk-size line", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Restart();
    transport.Script({c.reply});
    expectFailure<EIdConnClosedGracefully>(http, "http://site.example/video", closed);
  }
}

TEST_F(ResponseReading, HostileSizesAreRefusedBeforeTheyCostMemory) {
  struct Case {
    const char* what;
    std::string reply;
    std::string message;
  };
  std::string manyLines = "HTTP/1.1 200 OK\r\n";
  for (int i = 0; i < 1001; ++i) manyLines += "X-Line: " + std::to_string(i) + "\r\n";
  std::string largeBlock = "HTTP/1.1 200 OK\r\n";
  for (int i = 0; i < 70; ++i) largeBlock += "X-Big: " + std::string(16000, 'b') + "\r\n";
  const Case cases[] = {
      {"more than 1000 header lines", manyLines + "\r\n", "Response header block has more than 1000 lines."},
      {"a header block over 1 MiB", largeBlock + "\r\n", "Response header block is larger than 1048576 bytes."},
      {"a chunk size beyond 63 bits", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10000000000000000\r\n",
       "Chunk size \"10000000000000000\" is too large."},
      {"a page announced at 100 MiB", "HTTP/1.1 200 OK\r\nContent-Length: 104857600\r\n\r\n",
       "Response body is larger than 67108864 bytes."},
      {"a chunk of 100 MiB", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n6400000\r\n",
       "Response body is larger than 67108864 bytes."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Restart();
    transport.Script({c.reply}, ScriptedConnection::FallsSilent);
    expectFailure<EIdHTTPResponseTooLarge>(http, "http://site.example/", c.message);
  }
}

// The status line and the error page travel in the exception; a page that
// never ends costs 2 seconds of silence, not the call.
TEST_F(ResponseReading, ErrorStatusCarriesCodeLineAndPage) {
  struct Case {
    const char* what;
    std::string reply;
    int32_t code;
    std::string message;
    std::string page;
  };
  const Case cases[] = {
      {"404 with its page", Reply("404 Not Found", "<p>gone</p>"), 404, "HTTP/1.1 404 Not Found", "<p>gone</p>"},
      {"no code in the status line", "HTTP/1.1\r\nContent-Length: 0\r\n\r\n", -1, "HTTP/1.1", ""},
      {"304 without Location is no redirect", "HTTP/1.1 304 Not Modified\r\nContent-Length: 0\r\n\r\n", 304,
       "HTTP/1.1 304 Not Modified", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Restart();
    transport.Script({c.reply}, ScriptedConnection::FallsSilent);
    try {
      http.GetAsText("http://site.example/");
      ADD_FAILURE() << "no exception";
    } catch (const EIdHTTPProtocolException& e) {
      EXPECT_EQ(std::tie(e.ReplyCode, e.Message, e.BodyText), std::tie(c.code, c.message, c.page));
    }
  }
}

TEST_F(ResponseReading, ErrorPageThatNeverEndsTimesOutAfterTwoSeconds) {
  transport.Script({"HTTP/1.1 500 Internal Server Error\r\n\r\npartial"}, ScriptedConnection::FallsSilent);
  EXPECT_THROW(http.GetAsText("http://site.example/"), EIdReadTimeout);
  EXPECT_EQ(transport.Waits.back(), 2000);
  EXPECT_EQ(http.ReadTimeout, 0);
}

// The client's own version decides whether the connection is kept.
TEST_F(ResponseReading, KeepAliveFollowsTheClientsVersion) {
  struct Case {
    TIdHTTPProtocolVersion version;
    const char* connection;
    bool staysOpen;
  };
  const Case cases[] = {
      {pv1_0, "", false},
      {pv1_0, "Connection: Keep-Alive\r\n", true},
      {pv1_1, "", true},
      {pv1_1, "Connection: close\r\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(ProtocolVersionText(c.version)) + " " + c.connection);
    Restart();
    http.ProtocolVersion = c.version;
    transport.Script({"HTTP/1.0 200 OK\r\n" + std::string(c.connection) + "Content-Length: 2\r\n\r\nok"},
                     ScriptedConnection::FallsSilent);
    http.GetAsText("http://site.example/");
    EXPECT_EQ(http.IsConnected(), c.staysOpen);
  }
}

// A server that closes inside the header block after its first line: the
// response is decided on the lines read.
TEST_F(ResponseReading, CloseInsideTheHeaderBlockKeepsTheLinesRead) {
  transport.Script({"HTTP/1.1 404 Not Found\r\nServer: half\r\nX-Cut"});
  try {
    http.GetAsText("http://site.example/");
    ADD_FAILURE() << "no exception";
  } catch (const EIdHTTPProtocolException& e) {
    EXPECT_EQ(e.ReplyCode, 404);
  }
  EXPECT_EQ(http.Response().Server, "half");
}
}  // namespace
