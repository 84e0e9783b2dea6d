// From the first playlist to the plan: masters lead to the chosen variant's
// and audio rendition's media playlists, by the front end's rule, and a
// playlist that leads back to itself is refused.
#include "app/streams/stream_loader.h"

#include <gtest/gtest.h>

#include <functional>
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

std::string refusalOf(const std::function<void()>& load) {
  try {
    load();
  } catch (const EVideoStreamRefused& refused) {
    return refused.Message;
  }
  return "accepted";
}

// A media playlist of count two-second segments.
std::string longMedia(size_t count) {
  std::string text = "#EXTM3U\n";
  for (size_t i = 0; i < count; ++i) text += "#EXTINF:2,\ns.ts\n";
  return text + "#EXT-X-ENDLIST\n";
}

// Each playlist is read within the segment limit, and so is the plan that
// the video and its audio make together.
TEST_F(StreamLoaderTest, VideoAndAudioTogetherStayWithinTheLimit) {
  site["http://h/1080.m3u8"] = longMedia(60000);
  site["http://h/audio.m3u8"] = longMedia(40000);
  EXPECT_EQ(load({}).Audio->Track.Segments.size(), 40000u);
  site["http://h/audio.m3u8"] = longMedia(40001);
  EXPECT_EQ(refusalOf([&] { load({}); }), "The stream has more than 100000 segments.");
}

// Sixty video qualities of 99,999 segments each, and sound in segments of
// audioDuration seconds.
TFetchedText sixtyQualities(int audioDuration) {
  std::string video;
  for (int i = 0; i < 60; ++i)
    video += "<Representation id=\"v" + std::to_string(i) + "\" bandwidth=\"" + std::to_string(100000 * (i + 1)) +
             "\" height=\"" + std::to_string(100 + 10 * i) + "\"/>";
  return {
      "<MPD type=\"static\" mediaPresentationDuration=\"PT99999S\"><Period><AdaptationSet contentType=\"video\">"
      "<SegmentTemplate duration=\"1\" media=\"$RepresentationID$/$Number$.m4s\"/>" +
          video +
          "</AdaptationSet><AdaptationSet contentType=\"audio\"><Representation id=\"a\">"
          "<SegmentTemplate duration=\"" +
          std::to_string(audioDuration) +
          "\" media=\"a/$Number$.m4s\"/></Representation></AdaptationSet></Period></MPD>",
      "http://h/m.mpd"};
}

// Only the chosen video (the tallest up to 300) and the sound are made into
// segments, and the two share one limit: 99,999 of video leave room for one
// of sound.
TEST(DashStreamPlan, OnlyTheChosenTracksAreMadeWithinOneLimit) {
  const TTextFetcher nothingMore = [](const std::string& address) -> TFetchedText {
    throw std::runtime_error("fetched " + address);
  };
  const TQualityRule rule{.MaxHeight = 300, .OutputHeight = std::nullopt};
  const TStreamPlan plan = LoadStreamPlan(TStreamKind::Dash, sixtyQualities(99999), nothingMore, rule);
  ASSERT_EQ(plan.Video.Track.Segments.size(), 99999u);
  EXPECT_EQ(plan.Video.Track.Segments.front().Address, "http://h/v20/1.m4s");
  ASSERT_TRUE(plan.Audio);
  EXPECT_EQ(plan.Audio->Track.Segments.size(), 1u);
  EXPECT_EQ(refusalOf([&] { LoadStreamPlan(TStreamKind::Dash, sixtyQualities(50000), nothingMore, rule); }),
            "The stream has more than 100000 segments.");
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
