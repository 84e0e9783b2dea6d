// From the first playlist to the plan: masters lead to the chosen variant's
// and audio rendition's media playlists, by the front end's rule, and a
// playlist that leads back to itself is refused.
#include "app/streams/stream_loader.h"

#include <gtest/gtest.h>

#include <map>

#include "app/streams/stream_errors.h"

namespace {

using namespace streams;

const std::string Master =
    "#EXTM3U\n"
    "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"a\",NAME=\"main\",DEFAULT=YES,URI=\"audio.m3u8\"\n"
    "#EXT-X-STREAM-INF:BANDWIDTH=5000000,RESOLUTION=1920x1080,AUDIO=\"a\"\n1080.m3u8\n"
    "#EXT-X-STREAM-INF:BANDWIDTH=2400000,RESOLUTION=1280x720,AUDIO=\"a\"\n720.m3u8\n"
    "#EXT-X-STREAM-INF:BANDWIDTH=800000,RESOLUTION=640x360,AUDIO=\"a\"\n360.m3u8\n";

std::string media(const std::string& name) { return "#EXTM3U\n#EXTINF:2,\n" + name + ".ts\n#EXT-X-ENDLIST\n"; }

class StreamLoaderTest : public ::testing::Test {
protected:
  TFetchedText fetch(const std::string& address) {
    fetched.push_back(address);
    const auto found = site.find(address);
    if (found == site.end()) throw std::runtime_error("not on the site: " + address);
    return {found->second, address};
  }
  TStreamPlan load(const TQualityRule& rule) {
    return LoadStreamPlan(
        TStreamKind::Hls, {site.at("http://h/m.m3u8"), "http://h/m.m3u8"},
        [this](const std::string& a) { return fetch(a); }, rule);
  }

  std::map<std::string, std::string> site = {
      {"http://h/m.m3u8", Master},         {"http://h/1080.m3u8", media("1080")}, {"http://h/720.m3u8", media("720")},
      {"http://h/360.m3u8", media("360")}, {"http://h/audio.m3u8", media("aac")},
  };
  std::vector<std::string> fetched;
};

TEST_F(StreamLoaderTest, MasterLeadsToTheChosenVariantAndItsAudio) {
  const TStreamPlan highest = load({});
  EXPECT_EQ(highest.Video.Track.Segments.at(0).Address, "http://h/1080.ts");
  ASSERT_TRUE(highest.Audio);
  EXPECT_EQ(highest.Audio->Track.Segments.at(0).Address, "http://h/aac.ts");
  EXPECT_EQ(highest.Description, "1920x1080, 5.0 Mbit/s");

  EXPECT_EQ(load({.MaxHeight = 720, .OutputHeight = std::nullopt}).Video.Track.Segments.at(0).Address,
            "http://h/720.ts");
  EXPECT_EQ(load({.MaxHeight = 1080, .OutputHeight = 480}).Video.Track.Segments.at(0).Address, "http://h/720.ts");
  // Only the chosen playlists are fetched.
  EXPECT_EQ(fetched, (std::vector<std::string>{"http://h/audio.m3u8", "http://h/1080.m3u8", "http://h/audio.m3u8",
                                               "http://h/720.m3u8", "http://h/audio.m3u8", "http://h/720.m3u8"}));
}

TEST_F(StreamLoaderTest, PlaylistThatLeadsBackToItselfIsRefused) {
  site["http://h/1080.m3u8"] = "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\nm.m3u8\n";
  try {
    load({});
    FAIL() << "followed a loop";
  } catch (const EVideoStreamRefused& refused) {
    EXPECT_EQ(refused.Message, "The playlist leads back to itself: http://h/m.m3u8");
  }
}

TEST(StreamKind, ByAddressOrType) {
  EXPECT_EQ(StreamKindOf("http://h/a/index.M3U8?token=1", ""), TStreamKind::Hls);
  EXPECT_EQ(StreamKindOf("http://h/a/manifest.mpd#t=1", "text/plain"), TStreamKind::Dash);
  EXPECT_EQ(StreamKindOf("http://h/play", "application/vnd.apple.mpegurl"), TStreamKind::Hls);
  EXPECT_EQ(StreamKindOf("http://h/play", "Application/X-MpegURL; charset=utf-8"), TStreamKind::Hls);
  EXPECT_EQ(StreamKindOf("http://h/play", "audio/mpegurl"), TStreamKind::Hls);
  EXPECT_EQ(StreamKindOf("http://h/play", "application/dash+xml"), TStreamKind::Dash);
  EXPECT_EQ(StreamKindOf("http://h/video.mp4", "video/mp4"), std::nullopt);
  EXPECT_EQ(StreamKindOf("http://h/m3u8/video.mp4", ""), std::nullopt);
}

}  // namespace
