// Continuing a video after the connection drops, against a peer that cuts,
// resets, ignores Range, swaps its file or has nothing left to send, and
// against nginx's own Range and If-Range handling. Every time the file that
// is left must be the server's file byte for byte, or the call must fail.
#include "app/resuming_download.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/http_settings.h"
#include "net/http/http_client.h"
#include "net/transport/exceptions.h"
#include "tests/app/demo_site.h"
#include "tests/app/range_peer.h"
#include "tests/servers/nginx_server.h"
#include "tests/servers/temp_folder.h"

namespace {

using namespace app_test;

const PeerVersion First{PatternBytes(200000), "\"v1\""};
const PeerVersion Second{PatternBytes(150000, 13), "\"v2\""};

// nginx naming the types of pages and videos.
NginxSite typedSite() {
  NginxSite site;
  site.ServerConfig = "types { text/html html; video/mp4 mp4; }\n";
  return site;
}

class ResumingDownloadTest : public ::testing::Test {
protected:
  ResumingDownloadTest() {
    ApplyMainWindowSettings(http);
    download.Retry.Retries = 3;
  }
  std::string video() { return ReadWholeFile(work.File("temp.flv")); }

  TempFolder work;
  TIdHTTP http;
  TResumingDownload download{http, work.File("temp.flv"), work.File("temp.resume")};
};

// The client may lose the last bytes before a close that it had not yet
// written; where each range starts is the file's size then, whatever it is.
std::vector<std::string> withoutOffsets(std::vector<std::string> lines) {
  for (std::string& line : lines)
    if (line.rfind("bytes=", 0) == 0) line = "bytes=N" + line.substr(line.find('-'));
  return lines;
}

struct CutCase {
  const char* what;
  std::vector<ConnectionPlan> plans;
  PeerVersion expected;
  std::vector<std::string> ranges;
};

const std::vector<CutCase> kCutCases = {
    {"closed inside the first receive", {ConnectionPlan::Cut(100)}, First, {"", "bytes=N- if \"v1\""}},
    {"reset mid-file, then closed",
     {ConnectionPlan::Cut(70000, true), ConnectionPlan::Cut(50000)},
     First,
     {"", "bytes=N- if \"v1\"", "bytes=N- if \"v1\""}},
    {"closed one byte before the end", {ConnectionPlan::Cut(199999)}, First, {"", "bytes=N- if \"v1\""}},
    {"a server that ignores Range starts the file over",
     {ConnectionPlan::Cut(5000), ConnectionPlan::IgnoringRange()},
     First,
     {"", "bytes=N- if \"v1\""}},
    {"a changed ETag sends the new file whole",
     {ConnectionPlan::Cut(5000), ConnectionPlan::Switching(Second)},
     Second,
     {"", "bytes=N- if \"v1\""}},
    {"a part of another version is refused and the file asked for again",
     {ConnectionPlan::Cut(5000), ConnectionPlan::Switching(Second, true)},
     Second,
     {"", "bytes=N- if \"v1\"", ""}},
};

TEST_F(ResumingDownloadTest, DroppedTransfersEndByteIdentical) {
  for (const CutCase& c : kCutCases) {
    SCOPED_TRACE(c.what);
    RangePeer peer(First, c.plans);
    std::vector<int64_t> retries;
    download.OnRetry = [&](int, int64_t offset) { retries.push_back(offset); };
    const TFetchResult result = download.Fetch(peer.Url(), TFetchKind::PageOrMedia);
    EXPECT_FALSE(result.IsPage);
    EXPECT_TRUE(video() == c.expected.Content) << "size " << video().size();
    if (!c.ranges.empty()) {
      EXPECT_EQ(withoutOffsets(peer.RangeLines()), c.ranges);
    }
    EXPECT_FALSE(std::filesystem::exists(work.File("temp.resume")));
  }
}

// A drop on every connection ends with the connection's error once the
// retries are used up; the partial file and its record stay for --continue.
TEST_F(ResumingDownloadTest, RetriesRunOutWithTheConnectionsError) {
  std::vector<ConnectionPlan> plans(4, ConnectionPlan::Cut(1000));
  RangePeer peer(First, plans);
  EXPECT_THROW(download.Fetch(peer.Url(), TFetchKind::AnyBytes), EIdConnClosedGracefully);
  EXPECT_EQ(peer.Requests().size(), 4u);
  const size_t kept = video().size();
  EXPECT_GE(kept, 3000u);
  EXPECT_TRUE(video() == First.Content.substr(0, kept));

  // The next run continues where this one ended.
  RangePeer again(First, {});
  TResumingDownload later(http, work.File("temp.flv"), work.File("temp.resume"));
  later.ContinuePartial = true;
  work.WriteFile("temp.resume", again.Url() + "\n\"v1\"\n200000\n");
  later.Fetch(again.Url(), TFetchKind::AnyBytes);
  EXPECT_EQ(again.RangeLines(), std::vector<std::string>{"bytes=" + std::to_string(kept) + "- if \"v1\""});
  EXPECT_TRUE(video() == First.Content);
}

// A transfer dropped part-way whose reconnects are refused is tried again as
// often as the retries say, with a connect time-out (connected on a second
// thread) or without one.
TEST_F(ResumingDownloadTest, RefusedReconnectsAreRetried) {
  for (const int32_t timeout : {0, 3000}) {
    SCOPED_TRACE(timeout);
    auto peer = std::make_unique<RangePeer>(First, std::vector<ConnectionPlan>{ConnectionPlan::Cut(5000)});
    const std::string address = peer->Url();
    http.ReadTimeout = timeout;
    int retries = 0;
    download.OnRetry = [&](int, int64_t) {
      ++retries;
      peer.reset();
    };
    EXPECT_THROW(download.Fetch(address, TFetchKind::AnyBytes), EIdException);
    EXPECT_EQ(retries, 3);
  }
}

// Nothing left to send: a 416 naming our size means the file is whole; one
// naming another size starts over.
TEST_F(ResumingDownloadTest, ContinueOnAWholeFileIsA416) {
  RangePeer peer(First, {});
  work.WriteFile("temp.flv", First.Content);
  work.WriteFile("temp.resume", peer.Url() + "\n\"v1\"\n200000\n");
  download.ContinuePartial = true;
  download.Fetch(peer.Url(), TFetchKind::AnyBytes);
  EXPECT_EQ(peer.RangeLines(), std::vector<std::string>{"bytes=200000- if \"v1\""});
  EXPECT_TRUE(video() == First.Content);

  RangePeer smaller(Second, {});
  work.WriteFile("temp.flv", First.Content);
  work.WriteFile("temp.resume", smaller.Url() + "\n\"v2\"\n200000\n");
  download.Fetch(smaller.Url(), TFetchKind::AnyBytes);
  EXPECT_EQ(smaller.RangeLines(), (std::vector<std::string>{"bytes=200000- if \"v2\"", ""}));
  EXPECT_TRUE(video() == Second.Content);
}

// Stop closes the connection inside OnWork: the transfer ends with what it
// has and is never retried; its record stays, so a later run continues it
// with a range rather than fetching it all again.
TEST_F(ResumingDownloadTest, StopIsNeverRetried) {
  RangePeer peer(First, {});
  bool stopped = false;
  http.OnWork = [&](TIdComponent*, TWorkMode, int64_t count) {
    if (count >= 30000 && !stopped) {
      stopped = true;
      http.CloseConnection();
    }
  };
  download.Stopped = [&] { return stopped; };
  download.Fetch(peer.Url(), TFetchKind::AnyBytes);
  EXPECT_EQ(peer.Requests().size(), 1u);
  const size_t kept = video().size();
  // What was taken before the stop is in the file, however it was buffered.
  EXPECT_GE(kept, 30000u);
  EXPECT_LT(kept, First.Content.size());
  EXPECT_TRUE(video() == First.Content.substr(0, kept));

  http.OnWork = nullptr;
  TResumingDownload later(http, work.File("temp.flv"), work.File("temp.resume"));
  later.ContinuePartial = true;
  later.Fetch(peer.Url(), TFetchKind::AnyBytes);
  EXPECT_EQ(peer.RangeLines().back(), "bytes=" + std::to_string(kept) + "- if \"v1\"");
  EXPECT_TRUE(video() == First.Content);
}

// A page is read as text and leaves the video file alone.
TEST_F(ResumingDownloadTest, APageIsTextAndTouchesNoFile) {
  NginxServer nginx(typedSite());
  nginx.WriteDocument("page.html", "<title>x</title>");
  nginx.WriteDocument("clip.mp4", First.Content);
  work.WriteFile("temp.flv", "earlier");
  const TFetchResult page = download.Fetch(nginx.Url("/page.html"), TFetchKind::PageOrMedia);
  EXPECT_TRUE(page.IsPage);
  EXPECT_EQ(page.Page, "<title>x</title>");
  EXPECT_EQ(video(), "earlier");
  EXPECT_EQ(download.Fetch(nginx.Url("/page.html"), TFetchKind::DeclaredMedia).IsPage, true);

  const TFetchResult media = download.Fetch(nginx.Url("/clip.mp4"), TFetchKind::PageOrMedia);
  EXPECT_FALSE(media.IsPage);
  EXPECT_EQ(media.ContentType, "video/mp4");
  EXPECT_TRUE(video() == First.Content);
}

// nginx's own answers to a continued download: the rest of the file, the
// whole new file after it changed, and 416 for a file already whole.
TEST_F(ResumingDownloadTest, ContinueAgainstNginx) {
  NginxServer nginx(typedSite());
  const std::string path = nginx.WriteDocument("clip.mp4", First.Content);
  const auto continueFrom = [&](const std::string& partial) {
    TIdHTTP probe;
    TStringStream head;
    probe.GetIntoStream(nginx.Url("/clip.mp4"), head);
    work.WriteFile("temp.flv", partial);
    work.WriteFile("temp.resume", nginx.Url("/clip.mp4") + "\n" + probe.Response().HeaderLines.ValueOf("ETag") + "\n" +
                                      std::to_string(head.GetSize()) + "\n");
    download.ContinuePartial = true;
    download.Fetch(nginx.Url("/clip.mp4"), TFetchKind::PageOrMedia);
    return video();
  };
  EXPECT_TRUE(continueFrom(First.Content.substr(0, 12345)) == First.Content);
  EXPECT_TRUE(continueFrom(First.Content) == First.Content);

  // Rewritten with another size, and an older partial copy left behind.
  work.WriteFile("temp.flv", First.Content.substr(0, 999));
  work.WriteFile("temp.resume", nginx.Url("/clip.mp4") + "\n\"0-0\"\n200000\n");
  std::filesystem::remove(path);
  nginx.WriteDocument("clip.mp4", Second.Content);
  download.ContinuePartial = true;
  download.Fetch(nginx.Url("/clip.mp4"), TFetchKind::PageOrMedia);
  EXPECT_TRUE(video() == Second.Content);
}

TEST(MediaAnswer, ByTypeOrByExtensionOfAGenericType) {
  struct {
    const char* type;
    const char* address;
    bool media;
  } cases[] = {
      {"video/mp4", "http://h/watch", true},
      {"Audio/Ogg; codecs=opus", "http://h/a", true},
      {"application/octet-stream", "http://h/d/clip.MP4?x=1", true},
      {"", "http://h/clip.webm", true},
      {"application/octet-stream", "http://h/clip", false},
      {"application/octet-stream", "http://h/clip.html", false},
      {"text/html", "http://h/clip.mp4", false},
      {"application/vnd.apple.mpegurl", "http://h/list.m3u8", false},
      {"audio/x-mpegurl", "http://h/list.m3u", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " " + c.address);
    EXPECT_EQ(IsMediaAnswer(c.type, c.address), c.media);
  }
}

}  // namespace
