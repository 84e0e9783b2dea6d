// The segment fetcher against a loopback server that keeps connections
// alive, counts them and misbehaves per segment: the file must always be the
// segments in order, byte for byte, or the fetch must fail naming the segment.
#include "app/streams/segment_fetcher.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/streams/segment_state.h"
#include "app/streams/stream_errors.h"
#include "net/http/http_client.h"
#include "tests/app/streams/segment_peer.h"
#include "tests/servers/temp_folder.h"

namespace {

using namespace streams;
using streams_test::PatternBytes;
using streams_test::PeerFault;
using streams_test::ReadFileBytes;
using streams_test::SegmentPeer;

class SegmentFetcherTest : public ::testing::Test {
protected:
  SegmentFetcherTest() {
    fetcher.Retry.FirstPause = std::chrono::milliseconds(1);
    fetcher.OnProgress = [this](const TSegmentProgress& progress) { last = progress; };
  }

  // count segments of different sizes at /s<i>.ts; returns their concatenation.
  std::string serveSegments(size_t count, size_t size = 40000) {
    std::string all;
    for (size_t i = 0; i < count; ++i) {
      const std::string content = PatternBytes(size + i * 97, unsigned(i));
      peer.Serve("/s" + std::to_string(i) + ".ts", content);
      all += content;
      track.Segments.push_back({peer.Url("/s" + std::to_string(i) + ".ts"), std::nullopt, std::nullopt, false});
    }
    return all;
  }

  std::string output() { return ReadFileBytes(work.File("out.ts")); }

  SegmentPeer peer;
  TempFolder work;
  TTrack track;
  TSegmentFetcher fetcher{[] { return std::make_unique<TIdHTTP>(); }};
  TSegmentProgress last;
};

// With N=4 four connections are open at once, each carrying several
// requests, and the file is the segments in their order.
TEST_F(SegmentFetcherTest, FourKeptAliveConnectionsWriteTheSegmentsInOrder) {
  const std::string all = serveSegments(16);
  peer.SetDelay(std::chrono::milliseconds(30));
  const TSegmentFetchResult result = fetcher.Fetch(track, work.File("out.ts"));
  EXPECT_TRUE(result.Complete);
  EXPECT_EQ(result.SegmentsWritten, 16);
  EXPECT_EQ(result.Bytes, int64_t(all.size()));
  EXPECT_TRUE(output() == all);
  EXPECT_EQ(peer.MostConnectionsAtOnce(), 4);
  EXPECT_EQ(peer.Connections(), 4);
  EXPECT_EQ(last.SegmentsDone, 16);
  EXPECT_EQ(last.SegmentCount, 16);
  EXPECT_EQ(last.Bytes, int64_t(all.size()));
}

TEST_F(SegmentFetcherTest, InitSectionFirstThenFragmentsAndByteRanges) {
  const std::string whole = PatternBytes(50000, 3);
  peer.Serve("/all.mp4", whole);
  track.Init = TSegment{peer.Url("/all.mp4"), TByteRange{0, 1000}, std::nullopt, false};
  track.Segments = {{peer.Url("/all.mp4"), TByteRange{1000, 20000}, std::nullopt, false},
                    {peer.Url("/all.mp4"), TByteRange{21000, 29000}, std::nullopt, false}};
  fetcher.Connections = 2;
  const TSegmentFetchResult result = fetcher.Fetch(track, work.File("out.ts"));
  EXPECT_EQ(result.SegmentsWritten, 2);
  EXPECT_TRUE(output() == whole);
  // A server that ignores Range sends the whole file: only the range is kept.
  peer.Plan("/all.mp4", {PeerFault::WholeFile(), PeerFault::WholeFile(), PeerFault::WholeFile()});
  fetcher.Fetch(track, work.File("out.ts"));
  EXPECT_TRUE(output() == whole);
}

struct FaultCase {
  const char* what;
  std::vector<PeerFault> faults;
};

// One row per misbehaving answer of segment 5; each is retried and the file
// comes out whole.
const FaultCase kRecoveredFaults[] = {
    {"503 once", {PeerFault::Answer(503)}},
    {"cut mid-body once", {PeerFault::Cut(15000)}},
    {"cut twice, then a 500", {PeerFault::Cut(100), PeerFault::Cut(30000), PeerFault::Answer(500)}},
    {"cut before the first body byte", {PeerFault::Cut(0)}},
};

TEST_F(SegmentFetcherTest, FailedSegmentsAreRetried) {
  const std::string all = serveSegments(8);
  for (const auto& c : kRecoveredFaults) {
    SCOPED_TRACE(c.what);
    peer.Plan("/s5.ts", c.faults);
    const TSegmentFetchResult result = fetcher.Fetch(track, work.File("out.ts"));
    EXPECT_TRUE(result.Complete);
    EXPECT_TRUE(output() == all);
  }
}

// A cut segment continues with Range after the bytes it has, under If-Range
// on the version its first answer named; a short but proper 206 is followed
// by a request for the rest; a continuation of another version, whether the
// server honours If-Range or not, starts the segment again. The segment is
// always whole and of one version.
TEST_F(SegmentFetcherTest, CutSegmentContinuesWithARangeOfTheSameVersion) {
  const std::string second = PatternBytes(40000, 99);
  PeerFault changed = PeerFault::Replace(second);
  PeerFault changedIgnoringIfRange = changed;
  changedIgnoringIfRange.IgnoreIfRange = true;
  PeerFault shortRange;
  shortRange.ShortRange = 100;
  struct Case {
    const char* what;
    std::vector<PeerFault> faults;
    bool becomesSecond;
    size_t requests;
  };
  const Case cases[] = {
      {"cut", {PeerFault::Cut(15000)}, false, 2},
      {"cut, then a short 206", {PeerFault::Cut(15000), shortRange}, false, 3},
      {"cut, then changed", {PeerFault::Cut(15000), changed}, true, 2},
      {"cut, then changed and If-Range ignored", {PeerFault::Cut(15000), changedIgnoringIfRange}, true, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SegmentPeer peer;
    const std::string first = PatternBytes(40000, 1);
    peer.Serve("/s0.ts", first);
    peer.Plan("/s0.ts", c.faults);
    fetcher.Fetch({std::nullopt, {{peer.Url("/s0.ts"), std::nullopt, std::nullopt}}}, work.File("out.ts"));
    EXPECT_TRUE(output() == (c.becomesSecond ? second : first));
    const std::vector<std::string> requests = peer.Requests();
    ASSERT_EQ(requests.size(), c.requests);
    // The client may not have taken every byte the server sent before it closed.
    EXPECT_EQ(requests[1].rfind("GET /s0.ts HTTP/1.1 bytes=", 0), 0u) << requests[1];
    EXPECT_TRUE(requests[1].ends_with("- if \"v1\"")) << requests[1];
  }
}

// A server's passing refusal is asked again as often as the retries allow,
// none at all with 0; a missing segment is not asked again. Either way the
// fetch ends naming the segment, with whole segments only in the file.
TEST_F(SegmentFetcherTest, SegmentThatAlwaysFailsEndsTheFetchNamingIt) {
  struct Case {
    int status;
    int retries;
    int requests;
  };
  for (const Case& c : {Case{503, 2, 3}, Case{503, 0, 1}, Case{404, 2, 1}}) {
    SCOPED_TRACE(testing::Message() << c.status << " with " << c.retries << " retries");
    SegmentPeer peer;
    for (int i = 0; i < 12; ++i) peer.Serve("/s" + std::to_string(i) + ".ts", PatternBytes(4000, unsigned(i)));
    TTrack track;
    for (int i = 0; i < 12; ++i) track.Segments.push_back({peer.Url("/s" + std::to_string(i) + ".ts"), {}, {}});
    peer.AlwaysAnswer("/s7.ts", c.status);
    fetcher.Retry.Retries = c.retries;
    fetcher.Connections = 3;
    try {
      fetcher.Fetch(track, work.File("out.ts"), work.File("out.state"));
      FAIL() << "a stream with a hole was written as complete";
    } catch (const EVideoStreamFetchFailed& failed) {
      EXPECT_EQ(failed.Message, "The segment " + peer.Url("/s7.ts") + " could not be fetched: HTTP/1.1 " +
                                    std::to_string(c.status) + " Planned");
    }
    EXPECT_EQ(peer.RequestsOf("/s7.ts"), c.requests);
    const std::optional<TSegmentState> state = ReadSegmentState(work.File("out.state"));
    ASSERT_TRUE(state);
    EXPECT_LE(state->SegmentsDone, 7);
    EXPECT_EQ(int64_t(output().size()), state->Bytes);
  }
}

// AES-128-CBC segments encrypted by the openssl command line, one with an
// explicit IV and one with its sequence number; the key is fetched once.
TEST_F(SegmentFetcherTest, DecryptsAes128SegmentsWithTheirIVs) {
  const std::string keyHex = "0123456789abcdef0123456789abcdef";
  const std::string keyBytes = [&] {
    std::string bytes;
    for (size_t i = 0; i < 32; i += 2) bytes += char(std::stoi(keyHex.substr(i, 2), nullptr, 16));
    return bytes;
  }();
  peer.Serve("/key", keyBytes);
  const std::array<std::string, 2> ivHex = {"000102030405060708090a0b0c0d0e0f", "0000000000000000000000000000002a"};
  std::string plain;
  for (size_t i = 0; i < 6; ++i) {
    const std::string content = PatternBytes(30000 + i * 7, unsigned(i));
    plain += content;
    const std::string in = work.WriteFile("plain" + std::to_string(i), content);
    const std::string out = work.File("cipher" + std::to_string(i));
    const std::string& iv = ivHex[i % 2];
    const std::string command = "openssl enc -aes-128-cbc -K " + keyHex + " -iv " + iv + " -in " + in + " -out " + out;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    peer.Serve("/c" + std::to_string(i) + ".ts", ReadFileBytes(out));
    TSegmentKey segmentKey{peer.Url("/key"), {}};
    for (size_t b = 0; b < 16; ++b) segmentKey.IV[b] = uint8_t(std::stoi(iv.substr(2 * b, 2), nullptr, 16));
    track.Segments.push_back({peer.Url("/c" + std::to_string(i) + ".ts"), std::nullopt, segmentKey, false});
  }
  fetcher.Fetch(track, work.File("out.ts"));
  EXPECT_TRUE(output() == plain);
  EXPECT_EQ(peer.RequestsOf("/key"), 1);
}

TEST_F(SegmentFetcherTest, KeyThatIsRefusedEndsTheFetchNamingIt) {
  serveSegments(3);
  peer.AlwaysAnswer("/key", 403);
  fetcher.Retry.Retries = 1;
  track.Segments[1].Key = TSegmentKey{peer.Url("/key"), {}};
  try {
    fetcher.Fetch(track, work.File("out.ts"));
    FAIL() << "fetched without its key";
  } catch (const EVideoStreamFetchFailed& failed) {
    EXPECT_EQ(failed.Message, "The key " + peer.Url("/key") + " could not be fetched: HTTP/1.1 403 Planned");
  }
}

TEST_F(SegmentFetcherTest, WrongKeyIsAnErrorNotAVideo) {
  serveSegments(1, 4096);
  peer.Serve("/key", std::string(16, 'k'));
  track.Segments[0].Key = TSegmentKey{peer.Url("/key"), {}};
  EXPECT_THROW(fetcher.Fetch(track, work.File("out.ts")), EVideoStreamFetchFailed);
}

// Stop leaves whole segments only, and says how many; a later run continues
// after them from the record and the file comes out whole.
TEST_F(SegmentFetcherTest, StopLeavesAWholePrefixThatALaterRunContinues) {
  const std::string all = serveSegments(30);
  peer.SetDelay(std::chrono::milliseconds(20));
  fetcher.Connections = 2;
  fetcher.OnProgress = [&](const TSegmentProgress& progress) {
    if (progress.SegmentsDone >= 5) fetcher.Stop();
  };
  const TSegmentFetchResult stopped = fetcher.Fetch(track, work.File("out.ts"), work.File("out.state"));
  EXPECT_FALSE(stopped.Complete);
  ASSERT_GE(stopped.SegmentsWritten, 5);
  ASSERT_LT(stopped.SegmentsWritten, 30);
  std::string prefix;
  for (int i = 0; i < stopped.SegmentsWritten; ++i) prefix += PatternBytes(40000 + size_t(i) * 97, unsigned(i));
  EXPECT_TRUE(output() == prefix);
  EXPECT_EQ(stopped.Bytes, int64_t(prefix.size()));

  // Junk after the last whole segment, as a kill mid-write could leave it.
  std::ofstream(work.File("out.ts"), std::ios::app) << "partial";
  const int requestsBefore = int(peer.Requests().size());
  fetcher.OnProgress = nullptr;
  const TSegmentFetchResult continued = fetcher.Fetch(track, work.File("out.ts"), work.File("out.state"), true);
  EXPECT_TRUE(continued.Complete);
  EXPECT_TRUE(output() == all);
  EXPECT_EQ(int(peer.Requests().size()) - requestsBefore, 30 - stopped.SegmentsWritten);
  EXPECT_FALSE(ReadSegmentState(work.File("out.state")));
}

// A record of another track is not continued: the file starts again.
TEST_F(SegmentFetcherTest, RecordOfAnotherTrackStartsAgain) {
  const std::string all = serveSegments(4);
  WriteSegmentState(work.File("out.state"), {"some other track", 2, 7, "0 0"});
  work.WriteFile("out.ts", "1234567");
  std::vector<std::string> notices;
  fetcher.OnNotice = [&](const std::string& notice) { notices.push_back(notice); };
  fetcher.Fetch(track, work.File("out.ts"), work.File("out.state"), true);
  EXPECT_TRUE(output() == all);
  EXPECT_EQ(notices, std::vector<std::string>{"The record of the partial download " + work.File("out.ts") +
                                              " does not fit it; starting over."});
}

}  // namespace
