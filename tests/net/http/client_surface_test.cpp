// What the program sees of its client during a fetch: the work and status
// events behind the progress bar and status line, and the Stop button
// closing the connection from inside OnWork.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/http/http_client_exceptions.h"
#include "platform/streams.h"
#include "tests/net/http/exchange_fixture.h"
#include "tests/net/transport/event_log.h"

namespace {
using Lines = std::vector<std::string>;
using ClientSurface = ExchangeFixture;

const std::string Head3000 = "HTTP/1.0 200 OK\r\nContent-Length: 3000\r\n\r\n";

// Stop at the running total 1024 of a 3000-byte download: the call returns
// what arrived, and the progress bracket still closes.
TEST_F(ClientSurface, StopInOnWorkKeepsWhatArrived) {
  ApplyMainWindowSettings(http);
  transport.Script({InPieces({Head3000, std::string(3000, 'v')})});
  EventLog log;
  log.AttachWork(http);
  http.OnWork = [&](TIdComponent*, TWorkMode, int64_t count) {
    log.Lines.push_back("read " + std::to_string(count));
    if (count >= 1024) http.CloseConnection();
  };
  TMemoryStream video;
  EXPECT_NO_THROW(http.GetIntoStream("http://site.example/get_video", video));
  EXPECT_EQ(video.GetSize(), 1024);
  EXPECT_EQ(log.Lines, (Lines{"read begin 3000", "read 1024", "read end"}));
}

// A chunked body has no quiet end: the next line read fails.
TEST_F(ClientSurface, StopInOnWorkFailsAChunkedBody) {
  transport.Script({InPieces(
      {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", "800\r\n", std::string(2048, 'c'), "\r\n0\r\n\r\n"})});
  http.RecvBufferSize = 1024;
  http.OnWork = [&](TIdComponent*, TWorkMode, int64_t count) {
    if (count >= 1024) http.CloseConnection();
  };
  EXPECT_THROW(http.GetAsText("http://site.example/"), EIdException);
}

// The status line sees the connection open and close; a followed redirect
// shows its own bracket before the page's.
TEST_F(ClientSurface, StatusAndWorkEventsOfAFetchWithARedirect) {
  ApplyMainWindowSettings(http);
  transport.Script({Redirect("/page", "302 Found")});
  transport.Script({Reply("200 OK", "hello")});
  EventLog log;
  log.AttachWork(http);
  log.AttachStatus(http);
  EXPECT_EQ(http.GetAsText("http://site.example/"), "hello");
  EXPECT_EQ(log.Lines, (Lines{"Connected.", "read begin 5", "read 5", "read end", "Disconnecting.", "Disconnected.",
                              "Connected.", "read begin 5", "read 5", "read end", "Disconnecting.", "Disconnected."}));
}

// A destination handed in at a position keeps what precedes it; a pass that
// is redirected cuts the stream back there.
TEST_F(ClientSurface, BodyGoesBehindTheCallersPosition) {
  http.HandleRedirects = true;
  transport.Script({Redirect("/final"), Reply("200 OK", "body")});
  TStringStream destination("keep|tail");
  destination.SetPosition(5);
  http.GetIntoStream("http://site.example/", destination);
  EXPECT_EQ(destination.DataString(), "keep|body");
}
}  // namespace
