// One large file in parallel ranged parts against a loopback server that
// cuts parts, ignores ranges or swaps its file half-way: the file that is
// left must be one version of the server's file byte for byte, or the call
// must fail.
#include "app/streams/parallel_ranges.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "app/streams/ranges_state.h"
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

class ParallelRangesTest : public ::testing::Test {
protected:
  ParallelRangesTest() {
    ranges.Retry.FirstPause = std::chrono::milliseconds(1);
    ranges.PartSize = 64 * 1024;
  }
  std::string output() { return ReadFileBytes(work.File("video.mp4")); }

  SegmentPeer peer;
  TempFolder work;
  TParallelRanges ranges{[] { return std::make_unique<TIdHTTP>(); }};
  const std::string file = PatternBytes(1000000, 5);
};

TEST_F(ParallelRangesTest, FourConnectionsMakeTheFileByteForByte) {
  peer.Serve("/video.mp4", file);
  peer.SetDelay(std::chrono::milliseconds(10));
  int64_t lastBytes = 0;
  ranges.OnProgress = [&](int64_t bytes, int64_t total) {
    EXPECT_EQ(total, int64_t(file.size()));
    lastBytes = bytes;
  };
  const TRangesResult result = ranges.Fetch(peer.Url("/video.mp4"), work.File("video.mp4"));
  EXPECT_TRUE(result.Complete);
  EXPECT_TRUE(result.Parallel);
  EXPECT_EQ(result.Bytes, int64_t(file.size()));
  EXPECT_TRUE(output() == file);
  EXPECT_EQ(peer.MostConnectionsAtOnce(), 4);
  EXPECT_EQ(lastBytes, int64_t(file.size()));
  // Every part after the first names the version of the first answer.
  EXPECT_EQ(peer.Requests().front(), "GET /video.mp4 HTTP/1.1 bytes=0-65535");
}

TEST_F(ParallelRangesTest, CutPartsContinueWhereTheyStopped) {
  peer.Serve("/video.mp4", file);
  peer.Plan("/video.mp4", {{}, PeerFault::Cut(1000), {}, PeerFault::Cut(40000), PeerFault::Cut(0)});
  const TRangesResult result = ranges.Fetch(peer.Url("/video.mp4"), work.File("video.mp4"));
  EXPECT_TRUE(result.Complete);
  EXPECT_TRUE(output() == file);
}

// A server that answers the first range with the whole file gives it over
// the one connection.
TEST_F(ParallelRangesTest, ServerWithoutRangesGivesTheWholeFileOverOneConnection) {
  const std::string small = PatternBytes(200000, 2);
  peer.Serve("/video.mp4", small);
  peer.Plan("/video.mp4", {PeerFault::WholeFile()});
  const TRangesResult result = ranges.Fetch(peer.Url("/video.mp4"), work.File("video.mp4"));
  EXPECT_TRUE(result.Complete);
  EXPECT_FALSE(result.Parallel);
  EXPECT_TRUE(output() == small);
  EXPECT_EQ(peer.Connections(), 1);
}

// The file changes after the first answer: If-Range makes the server send
// the whole new file, which must not be mixed in; the fetch starts over and
// the result is the new version whole.
TEST_F(ParallelRangesTest, FileThatChangesOnTheServerStartsOver) {
  const std::string second = PatternBytes(900000, 11);
  peer.Serve("/video.mp4", file);
  peer.Plan("/video.mp4", {{}, PeerFault::Replace(second)});
  const TRangesResult result = ranges.Fetch(peer.Url("/video.mp4"), work.File("video.mp4"));
  EXPECT_TRUE(result.Complete);
  EXPECT_TRUE(output() == second);
}

// Parts that start at once under the version an earlier whole answer named
// get the whole file instead when that version is gone: the fetch starts over.
TEST_F(ParallelRangesTest, KnownVersionThatIsGoneStartsOver) {
  peer.Serve("/video.mp4", file);
  ranges.Known = TParallelRanges::TKnownFile{int64_t(file.size()), "\"gone\"", "video/mp4"};
  const TRangesResult result = ranges.Fetch(peer.Url("/video.mp4"), work.File("video.mp4"));
  EXPECT_TRUE(result.Complete);
  EXPECT_TRUE(output() == file);
}

TEST_F(ParallelRangesTest, FileThatKeepsChangingFails) {
  peer.Serve("/video.mp4", file);
  std::vector<PeerFault> faults;
  for (unsigned i = 0; i < 12; ++i) {
    faults.push_back({});
    faults.push_back(PeerFault::Replace(PatternBytes(300000 + i, i)));
  }
  peer.Plan("/video.mp4", faults);
  ranges.Retry.Retries = 2;
  ranges.Connections = 1;
  try {
    ranges.Fetch(peer.Url("/video.mp4"), work.File("video.mp4"));
    FAIL() << "two versions mixed";
  } catch (const EVideoStreamFetchFailed& failed) {
    EXPECT_EQ(failed.Message,
              "The file " + peer.Url("/video.mp4") + " changed on the server while it was being fetched.");
  }
}

// Answers that claim more than they hold: a 206 carrying bytes past the
// range its Content-Range names (without a validator to tell versions
// apart), and a size an earlier answer claimed that the parts' answers
// contradict. Neither reaches the file or plans parts from a claimed size.
TEST_F(ParallelRangesTest, AnswersThatClaimWhatTheyDoNotHoldNeverReachTheFile) {
  struct Case {
    const char* what;
    std::function<void()> arrange;
  };
  const Case cases[] = {
      {"extra bytes counted in the first part's length",
       [&] {
         peer.SendNoValidator();
         PeerFault extra;
         extra.ExtraBytes = 4096;
         peer.Plan("/video.mp4", {extra});
       }},
      {"a size claimed far beyond the file",
       [&] {
         ranges.Known = TParallelRanges::TKnownFile{999999999999999999, "\"v1\"", "video/mp4"};
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    peer.Serve("/video.mp4", file);
    c.arrange();
    const TRangesResult result = ranges.Fetch(peer.Url("/video.mp4"), work.File("video.mp4"));
    EXPECT_TRUE(result.Complete);
    EXPECT_TRUE(output() == file);
    ranges.Known.reset();
  }
}

// A part that keeps failing, refused or cut, ends the fetch naming where it
// stopped and why: a cut is never taken for a file that changed.
TEST_F(ParallelRangesTest, PartThatKeepsFailingNamesItsOffsetAndWhy) {
  struct Case {
    std::vector<PeerFault> faults;
    const char* offsetAndWhy;
  };
  const Case cases[] = {
      {{{}, PeerFault::Answer(503), PeerFault::Answer(503)}, "65536: HTTP/1.1 503 Planned"},
      {{{}, PeerFault::Cut(1000), PeerFault::Cut(500)}, "67036: Connection Closed Gracefully."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offsetAndWhy);
    SegmentPeer peer;
    peer.Serve("/video.mp4", file);
    peer.Plan("/video.mp4", c.faults);
    ranges.Retry.Retries = 1;
    ranges.Connections = 1;
    try {
      ranges.Fetch(peer.Url("/video.mp4"), work.File("video.mp4"));
      FAIL() << "a file with a hole";
    } catch (const EVideoStreamFetchFailed& failed) {
      EXPECT_EQ(failed.Message,
                "The file " + peer.Url("/video.mp4") + " could not be fetched at byte " + c.offsetAndWhy);
    }
  }
}

}  // namespace

// A run that failed half-way leaves a record; the next run with continuing
// asks only for the bytes its parts still miss and makes the file whole. A
// file that changed on the server meanwhile is fetched again from its start.
class ContinuedRangesTest : public ParallelRangesTest {
protected:
  // Connections one at a time: the third part is cut after 1000 bytes and
  // then refused, so the run fails with parts whole, one begun, the rest missing.
  void failHalfway() {
    peer.Serve("/video.mp4", file);
    peer.Plan("/video.mp4", {{}, {}, PeerFault::Cut(1000), PeerFault::Answer(503)});
    ranges.Retry.Retries = 1;
    ranges.Connections = 1;
    EXPECT_THROW(ranges.Fetch(peer.Url("/video.mp4"), work.File("video.mp4"), work.File("state")),
                 EVideoStreamFetchFailed);
    ranges.Connections = 4;
  }
  std::vector<std::string> rangesAskedAfter(size_t before) {
    std::vector<std::string> asked;
    const std::vector<std::string> requests = peer.Requests();
    for (size_t i = before; i < requests.size(); ++i) {
      const size_t range = requests[i].find("bytes=");
      asked.push_back(requests[i].substr(range, requests[i].find(' ', range) - range));
    }
    std::sort(asked.begin(), asked.end());
    return asked;
  }
};

// The byte spans "first-last" that asked ranges cover, adjacent ones joined.
std::vector<std::pair<int64_t, int64_t>> joined(std::vector<std::pair<int64_t, int64_t>> spans) {
  std::sort(spans.begin(), spans.end());
  std::vector<std::pair<int64_t, int64_t>> result;
  for (const auto& span : spans)
    if (!result.empty() && result.back().second + 1 == span.first) result.back().second = span.second;
    else result.push_back(span);
  return result;
}

TEST_F(ContinuedRangesTest, OnlyTheMissingBytesAreAskedFor) {
  failHalfway();
  const std::optional<TRangesState> state = ReadRangesState(work.File("state"));
  ASSERT_TRUE(state);
  // Missing: what each recorded part lacks, and everything after the parts.
  std::vector<std::pair<int64_t, int64_t>> missing;
  for (const TRangePart& part : state->Parts)
    if (part.First + part.Done <= part.Last) missing.push_back({part.First + part.Done, part.Last});
  const int64_t planned = state->Parts.empty() ? 0 : state->Parts.back().Last + 1;
  if (planned < state->Total) missing.push_back({planned, state->Total - 1});
  ASSERT_EQ(missing.front().first, 132072);
  // The record claims only bytes that are in the file.
  const std::string kept = output();
  for (const TRangePart& part : state->Parts)
    EXPECT_TRUE(kept.substr(size_t(part.First), size_t(part.Done)) ==
                file.substr(size_t(part.First), size_t(part.Done)))
        << part.First;

  const size_t before = peer.Requests().size();
  const TRangesResult result = ranges.Fetch(peer.Url("/video.mp4"), work.File("video.mp4"), work.File("state"), true);
  EXPECT_TRUE(result.Complete);
  EXPECT_TRUE(output() == file);
  std::vector<std::pair<int64_t, int64_t>> asked;
  for (const std::string& range : rangesAskedAfter(before)) {
    const size_t dash = range.find('-');
    asked.push_back({std::stoll(range.substr(6, dash - 6)), std::stoll(range.substr(dash + 1))});
  }
  EXPECT_EQ(joined(asked), joined(missing));
  EXPECT_FALSE(std::filesystem::exists(work.File("state")));
}

TEST_F(ContinuedRangesTest, ChangedFileStartsOver) {
  failHalfway();
  const std::string second = PatternBytes(700000, 3);
  peer.Serve("/video.mp4", second);
  const TRangesResult result = ranges.Fetch(peer.Url("/video.mp4"), work.File("video.mp4"), work.File("state"), true);
  EXPECT_TRUE(result.Complete);
  EXPECT_TRUE(output() == second);
}

namespace {

// Records that do not fit the file they lie beside are put aside with a
// notice, and the file is fetched whole again: a record that names only
// later parts (as a cut-off write might leave it), another address, or more
// bytes than the file holds never makes its gaps count as written.
TEST_F(ContinuedRangesTest, RecordThatDoesNotFitItsFileStartsOver) {
  peer.Serve("/video.mp4", file);
  const int64_t total = int64_t(file.size());
  struct Case {
    const char* what;
    TRangesState record;
    int64_t fileBytes;
  };
  const Case cases[] = {
      {"only later parts", {peer.Url("/video.mp4"), "\"v1\"", "video/mp4", total, {{65536, 131071, 65536}}}, total},
      {"another address", {peer.Url("/other.mp4"), "\"v1\"", "video/mp4", total, {{0, 65535, 65536}}}, total},
      {"more than the file holds", {peer.Url("/video.mp4"), "\"v1\"", "video/mp4", total, {{0, 65535, 65536}}}, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteRangesState(work.File("state"), c.record);
    std::ofstream(work.File("video.mp4"), std::ios::binary | std::ios::trunc) << std::string(size_t(c.fileBytes), '\0');
    std::vector<std::string> notices;
    ranges.OnNotice = [&](const std::string& notice) { notices.push_back(notice); };
    const TRangesResult result = ranges.Fetch(peer.Url("/video.mp4"), work.File("video.mp4"), work.File("state"), true);
    EXPECT_TRUE(result.Complete);
    EXPECT_TRUE(output() == file);
    EXPECT_EQ(notices, std::vector<std::string>{"The record of the partial download " + work.File("video.mp4") +
                                                " does not fit it; starting over."});
  }
}

// A record that cannot be written while the parts are under way ends the
// fetch with that error once every connection has ended.
TEST_F(ContinuedRangesTest, RecordThatCannotBeWrittenEndsTheFetchWithItsError) {
  peer.Serve("/video.mp4", file);
  peer.SetDelay(std::chrono::milliseconds(100));
  EXPECT_THROW(ranges.Fetch(peer.Url("/video.mp4"), work.File("video.mp4"), work.File("gone/state")), EStreamError);
}

}  // namespace
