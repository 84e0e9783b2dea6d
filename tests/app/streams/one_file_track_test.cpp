// A stream track that is one whole file (a DASH representation by its
// BaseURL alone) against a loopback server: it reaches its file in ranges of
// at most a part's size, never as one answer held in memory, and a stopped
// one is continued from its own record; tracks of segments stay segments.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "app/streams/parallel_ranges.h"
#include "app/streams/stream_download.h"
#include "app/streams/stream_errors.h"
#include "net/http/http_client.h"
#include "tests/app/streams/segment_peer.h"
#include "tests/servers/temp_folder.h"

namespace {

using namespace streams;
using streams_test::PatternBytes;
using streams_test::PeerFault;
using streams_test::ReadFileBytes;

const int64_t PartSize = TParallelRanges(nullptr).PartSize;

class OneFileTrackTest : public ::testing::Test {
protected:
  OneFileTrackTest() {
    // Larger than two parts, and not a whole number of them.
    files["/video.mp4"] = PatternBytes(size_t(PartSize) * 2 + 12345, 1);
    files["/sound.mp4"] = PatternBytes(300000, 2);
    files["/s0.m4s"] = PatternBytes(100000, 3);
    files["/s1.m4s"] = PatternBytes(100000, 4);
    for (const auto& [path, content] : files) peer.Serve(path, content);
    download.Retry.FirstPause = std::chrono::milliseconds(1);
    download.OnParts = [this](int64_t bytes, int64_t total) { parts = {bytes, total}; };
  }

  // A track of one path is one file.
  TTrack trackOf(const std::vector<std::string>& paths) const {
    TTrack track;
    for (const std::string& path : paths) track.Segments.push_back({peer.Url(path), std::nullopt, std::nullopt, false});
    return track;
  }
  bool fetch(const std::vector<std::string>& video, const std::vector<std::string>& sound) {
    TStreamPlan plan;
    plan.Video.Track = trackOf(video);
    if (!sound.empty()) plan.Audio.emplace().Track = trackOf(sound);
    return download.Fetch(
        plan, {work.File("video"), work.File("video.record"), work.File("sound"), work.File("sound.record")});
  }

  // The ranges asked of path after the first before requests: "first-last",
  // or "" for the whole file.
  std::vector<std::string> rangesAsked(const std::string& path, size_t before) {
    std::vector<std::string> asked;
    const std::vector<std::string> requests = peer.Requests();
    for (size_t i = before; i < requests.size(); ++i) {
      if (requests[i].rfind("GET " + path + " ", 0) != 0) continue;
      const size_t range = requests[i].find("bytes=");
      asked.push_back(
          range == std::string::npos ? "" : requests[i].substr(range + 6, requests[i].find(' ', range) - range - 6));
    }
    return asked;
  }

  std::map<std::string, std::string> files;
  streams_test::SegmentPeer peer;
  TempFolder work;
  TStreamDownload download{[] { return std::make_unique<TIdHTTP>(); }};
  std::pair<int64_t, int64_t> parts;
};

struct PlanCase {
  const char* what;
  std::vector<std::string> video;
  std::vector<std::string> sound;
};

const PlanCase kPlans[] = {
    {"pictures alone", {"/video.mp4"}, {}},
    {"pictures and sound, each one file", {"/video.mp4"}, {"/sound.mp4"}},
    {"pictures one file, sound in segments", {"/video.mp4"}, {"/s0.m4s", "/s1.m4s"}},
};

// A track of one file is asked for only in ranges no larger than a part, so
// no answer holds it whole, and its progress counts bytes; a track of
// segments still asks for each segment whole. Every file is the server's
// bytes.
TEST_F(OneFileTrackTest, OneFileArrivesInRangesAndSegmentsStaySegments) {
  for (const auto& c : kPlans) {
    SCOPED_TRACE(c.what);
    const size_t before = peer.Requests().size();
    ASSERT_TRUE(fetch(c.video, c.sound));
    for (const auto& [file, paths] : {std::pair{"video", c.video}, std::pair{"sound", c.sound}}) {
      std::string whole;
      for (const std::string& path : paths) {
        whole += files[path];
        const std::vector<std::string> ranges = rangesAsked(path, before);
        if (paths.size() > 1) {
          EXPECT_EQ(ranges, std::vector<std::string>{""}) << path;
          continue;
        }
        EXPECT_GE(ranges.size(), (files[path].size() + size_t(PartSize) - 1) / size_t(PartSize)) << path;
        for (const std::string& range : ranges) {
          ASSERT_FALSE(range.empty()) << path << " came whole in one answer";
          const size_t dash = range.find('-');
          EXPECT_LE(std::stoll(range.substr(dash + 1)) - std::stoll(range.substr(0, dash)) + 1, PartSize) << range;
        }
      }
      if (!paths.empty()) {
        EXPECT_TRUE(ReadFileBytes(work.File(file)) == whole) << file;
      }
    }
    const int64_t last = int64_t(files[c.sound.size() == 1 ? "/sound.mp4" : "/video.mp4"].size());
    EXPECT_EQ(parts, std::make_pair(last, last));
    EXPECT_FALSE(std::filesystem::exists(work.File("video.record")));
  }
}

// The pictures arrive whole; the sound's third part is cut and then refused,
// so the run fails with a record of the sound's ranges. The next run with
// continuing leaves the pictures alone and asks only for the sound's
// missing bytes: the first part (256 KiB) and the second were whole, the
// third had 1000 bytes.
TEST_F(OneFileTrackTest, StoppedOneFileContinuesFromItsRecord) {
  const std::string sound = PatternBytes(size_t(PartSize) + (size_t(1) << 20), 5);
  peer.Serve("/sound.mp4", sound);
  peer.Plan("/sound.mp4", {{}, {}, PeerFault::Cut(1000), PeerFault::Answer(503)});
  download.Connections = 1;
  download.Retry.Retries = 1;
  EXPECT_THROW(fetch({"/video.mp4"}, {"/sound.mp4"}), EVideoStreamFetchFailed);
  ASSERT_TRUE(std::filesystem::exists(work.File("sound.record")));

  const size_t before = peer.Requests().size();
  download.ContinuePartial = true;
  ASSERT_TRUE(fetch({"/video.mp4"}, {"/sound.mp4"}));
  EXPECT_TRUE(ReadFileBytes(work.File("sound")) == sound);
  EXPECT_EQ(rangesAsked("/video.mp4", before), std::vector<std::string>{});
  EXPECT_EQ(rangesAsked("/sound.mp4", before), std::vector<std::string>{std::to_string(262144 + PartSize + 1000) + "-" +
                                                                        std::to_string(sound.size() - 1)});
  EXPECT_FALSE(std::filesystem::exists(work.File("sound.record")));
}

}  // namespace
