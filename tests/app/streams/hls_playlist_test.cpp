// HLS playlists read into plans: masters with variants and audio groups,
// media playlists with ranges, keys and init sections, addresses resolved
// against the playlist's own, and everything we cannot save refused.
#include "app/streams/hls_playlist.h"

#include <gtest/gtest.h>

#include "app/streams/stream_errors.h"

namespace {

using namespace streams;

const std::string Base = "http://h.test/v/list.m3u8?t=1";

TSegment plain(const std::string& address) { return {address, std::nullopt, std::nullopt, false}; }

std::array<uint8_t, 16> ivOf(uint64_t low, uint64_t high = 0) {
  std::array<uint8_t, 16> iv{};
  for (int i = 0; i < 8; ++i) {
    iv[size_t(15 - i)] = uint8_t(low >> (8 * i));
    iv[size_t(7 - i)] = uint8_t(high >> (8 * i));
  }
  return iv;
}

TEST(HlsMaster, VariantsWithTheirAttributesAndAudioGroups) {
  const THlsPlaylist playlist = ReadHlsPlaylist(
      "#EXTM3U\r\n"
      "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"aac\",NAME=\"English\",LANGUAGE=\"en\",DEFAULT=NO,URI=\"en/a.m3u8\"\r\n"
      "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"aac\",NAME=\"Main, mixed\",DEFAULT=YES,URI=\"main/a.m3u8\"\r\n"
      "#EXT-X-MEDIA:TYPE=SUBTITLES,GROUP-ID=\"s\",NAME=\"x\",URI=\"s.m3u8\"\r\n"
      "#EXT-X-STREAM-INF:BANDWIDTH=2400000,RESOLUTION=1280x720,CODECS=\"avc1.4d401f,mp4a.40.2\",AUDIO=\"aac\"\r\n"
      "720/index.m3u8\r\n"
      "#EXT-X-I-FRAME-STREAM-INF:BANDWIDTH=100000,URI=\"iframes.m3u8\"\r\n"
      "#EXT-X-STREAM-INF:BANDWIDTH=800000,RESOLUTION=640x360\r\n"
      "https://cdn.test/360.m3u8\r\n",
      Base);
  ASSERT_TRUE(playlist.IsMaster);
  ASSERT_EQ(playlist.Variants.size(), 2u);
  const TStreamVariant& high = playlist.Variants[0];
  EXPECT_EQ(high.Bandwidth, 2400000);
  EXPECT_EQ(high.Width, 1280);
  EXPECT_EQ(high.Height, 720);
  EXPECT_EQ(high.Codecs, "avc1.4d401f,mp4a.40.2");
  EXPECT_EQ(high.AudioGroup, "aac");
  EXPECT_EQ(high.PlaylistAddress, "http://h.test/v/720/index.m3u8");
  EXPECT_EQ(playlist.Variants[1].PlaylistAddress, "https://cdn.test/360.m3u8");
  ASSERT_EQ(playlist.AudioRenditions.size(), 2u);
  const THlsAudioRendition* chosen = ChooseAudioRendition(playlist.AudioRenditions, "aac");
  ASSERT_NE(chosen, nullptr);
  EXPECT_EQ(chosen->Name, "Main, mixed");
  EXPECT_EQ(chosen->PlaylistAddress, "http://h.test/v/main/a.m3u8");
  EXPECT_EQ(ChooseAudioRendition(playlist.AudioRenditions, ""), nullptr);
}

TEST(HlsMedia, RangesKeysMapsAndDiscontinuities) {
  const THlsPlaylist playlist = ReadHlsPlaylist(
      "\xEF\xBB\xBF#EXTM3U\n"
      "#EXT-X-VERSION:7\n"
      "#EXT-X-MEDIA-SEQUENCE:41\n"
      "#EXT-X-MAP:URI=\"init.mp4\",BYTERANGE=\"720@0\"\n"
      "#EXTINF:2.0,\n"
      "#EXT-X-BYTERANGE:1000@720\n"
      "all.mp4\n"
      "#EXTINF:2.0,title, with comma\n"
      "#EXT-X-BYTERANGE:500\n"
      "all.mp4\n"
      "#EXT-X-KEY:METHOD=AES-128,URI=\"k1.key\"\n"
      "#EXTINF:2.0,\n"
      "s3.ts\n"
      "#EXT-X-KEY:METHOD=AES-128,URI=\"/keys/k2\",IV=0x000102030405060708090A0B0C0D0E0F\n"
      "#EXT-X-DISCONTINUITY\n"
      "#EXTINF:2.0,\n"
      "s4.ts\n"
      "#EXT-X-KEY:METHOD=NONE\n"
      "#EXTINF:2.0,\n"
      "#EXT-X-BYTERANGE:300\n"
      "other.ts\n"
      "#EXT-X-ENDLIST\n",
      Base);
  EXPECT_FALSE(playlist.IsMaster);
  TTrack expected;
  expected.Init = TSegment{"http://h.test/v/init.mp4", TByteRange{0, 720}, std::nullopt, false};
  expected.Segments = {
      {"http://h.test/v/all.mp4", TByteRange{720, 1000}, std::nullopt, false},
      // Without an offset: after the previous range of the same file.
      {"http://h.test/v/all.mp4", TByteRange{1720, 500}, std::nullopt, false},
      // Without an IV: the media sequence number, big-endian.
      {"http://h.test/v/s3.ts", std::nullopt, TSegmentKey{"http://h.test/v/k1.key", ivOf(43)}, false},
      {"http://h.test/v/s4.ts", std::nullopt,
       TSegmentKey{"http://h.test/keys/k2", ivOf(0x08090A0B0C0D0E0F, 0x0001020304050607)}, true},
      // Another file's range starts at its beginning.
      {"http://h.test/v/other.ts", TByteRange{0, 300}, std::nullopt, false},
  };
  EXPECT_EQ(playlist.Media, expected);
}

TEST(HlsMedia, SegmentsWithoutAnyTagsButTheirDurations) {
  const THlsPlaylist playlist = ReadHlsPlaylist(
      "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2,\na.ts\n\n  #EXTINF:1.5,\nb.ts  \n#EXT-X-ENDLIST", Base);
  EXPECT_EQ(playlist.Media.Segments,
            (std::vector<TSegment>{plain("http://h.test/v/a.ts"), plain("http://h.test/v/b.ts")}));
  EXPECT_FALSE(playlist.Media.Init);
}

struct RefusalCase {
  const char* what;
  std::string text;
  const char* message;
};

const std::string Ended = "#EXTINF:2,\na.ts\n#EXT-X-ENDLIST\n";

const RefusalCase kRefusals[] = {
    {"no #EXTM3U", "<html>not a playlist</html>",
     "The address gives no playlist: its text does not start with #EXTM3U."},
    {"empty", "", "The address gives no playlist: its text does not start with #EXTM3U."},
    {"live", "#EXTM3U\n#EXTINF:2,\na.ts\n#EXTINF:2,\nb.ts\n",
     "The playlist is a live stream (it has no end); only whole videos can be saved."},
    {"SAMPLE-AES", "#EXTM3U\n#EXT-X-KEY:METHOD=SAMPLE-AES,URI=\"skd://k\"\n" + Ended,
     "The video is protected (encryption method SAMPLE-AES); it cannot be saved."},
    {"another method", "#EXTM3U\n#EXT-X-KEY:METHOD=SAMPLE-AES-CTR,URI=\"k\"\n" + Ended,
     "The video is protected (encryption method SAMPLE-AES-CTR); it cannot be saved."},
    {"DRM session key in a master",
     "#EXTM3U\n#EXT-X-SESSION-KEY:METHOD=SAMPLE-AES,URI=\"skd://k\",KEYFORMAT=\"com.apple.streamingkeydelivery\"\n"
     "#EXT-X-STREAM-INF:BANDWIDTH=1\nv.m3u8\n",
     "The video is protected (encryption method SAMPLE-AES); it cannot be saved."},
    {"key over another scheme", "#EXTM3U\n#EXT-X-KEY:METHOD=AES-128,URI=\"skd://key\"\n" + Ended,
     "The stream names an address that is not http or https: skd://key"},
    {"segment over another scheme", "#EXTM3U\n#EXTINF:2,\nfile:///etc/passwd\n#EXT-X-ENDLIST\n",
     "The stream names an address that is not http or https: file:///etc/passwd"},
    {"map over another scheme", "#EXTM3U\n#EXT-X-MAP:URI=\"data:,x\"\n" + Ended,
     "The stream names an address that is not http or https: data:,x"},
    {"variant over another scheme", "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\nftp://h/v.m3u8\n",
     "The stream names an address that is not http or https: ftp://h/v.m3u8"},
    {"key without address", "#EXTM3U\n#EXT-X-KEY:METHOD=AES-128\n" + Ended,
     "The playlist has a key without an address."},
    {"short IV", "#EXTM3U\n#EXT-X-KEY:METHOD=AES-128,URI=\"k\",IV=0x\n" + Ended,
     "The playlist has an invalid IV value: 0x"},
    {"IV of 17 bytes", "#EXTM3U\n#EXT-X-KEY:METHOD=AES-128,URI=\"k\",IV=0x" + std::string(34, 'f') + "\n" + Ended,
     "The playlist has an invalid IV value: 0x" /* followed by the digits */},
    {"bandwidth not a number", "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=fast\nv.m3u8\n",
     "The playlist has an invalid BANDWIDTH value: fast"},
    {"master without variants", "#EXTM3U\n#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"a\",NAME=\"x\",URI=\"a.m3u8\"\n",
     "The stream offers no video we can save."},
    {"unclosed quote", "#EXTM3U\n#EXT-X-MAP:URI=\"init.mp4\n" + Ended,
     "The playlist has an invalid attribute list value: URI=\"init.mp4"},
};

TEST(HlsRefusals, EachWithItsMessage) {
  for (const auto& c : kRefusals) {
    SCOPED_TRACE(c.what);
    try {
      ReadHlsPlaylist(c.text, Base);
      ADD_FAILURE() << "accepted";
    } catch (const EVideoStreamRefused& refused) {
      EXPECT_EQ(refused.Message.substr(0, std::string(c.message).size()), c.message);
    }
  }
}

TEST(HlsRefusals, LimitsOnSegmentsAndText) {
  std::string many = "#EXTM3U\n";
  for (int i = 0; i <= 100000; ++i) many += "#EXTINF:1,\ns.ts\n";
  EXPECT_THROW(
      {
        try {
          ReadHlsPlaylist(many + "#EXT-X-ENDLIST\n", Base);
        } catch (const EVideoStreamRefused& refused) {
          EXPECT_STREQ(refused.what(), "The stream has more than 100000 segments.");
          throw;
        }
      },
      EVideoStreamRefused);
  std::string exactly = "#EXTM3U\n";
  for (int i = 0; i < 100000; ++i) exactly += "#EXTINF:1,\ns.ts\n";
  EXPECT_EQ(ReadHlsPlaylist(exactly + "#EXT-X-ENDLIST\n", Base).Media.Segments.size(), 100000u);

  std::string large = "#EXTM3U\n" + Ended;
  large.resize((size_t{16} << 20) + 1, '\n');
  EXPECT_THROW(ReadHlsPlaylist(large, Base), EVideoStreamRefused);
}

}  // namespace
