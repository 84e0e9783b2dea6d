// The formats people use today: MP4, WebM, sound alone as MP3 or Opus, and
// the original streams kept without re-encoding, from the early Flash videos
// (Sorenson and MP3) and the later ones (H.264 and AAC).

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "test_media.h"

namespace converter_test {
namespace {

const char* const Mp4Family = "mov,mp4,m4a,3gp,3g2,mj2";

struct NewTypeCase {
  TOutputType type;
  const char* source;
  const char* extension;
  const char* formatName;
  const char* videoCodec;  // empty: no video stream
  const char* audioCodec;
};

const NewTypeCase NewTypeCases[] = {
    {otMP4, "source.flv", "mp4", Mp4Family, "h264", "aac"},
    {otMP4, "h264.flv", "mp4", Mp4Family, "h264", "aac"},
    {otWebM, "source.flv", "webm", "matroska,webm", "vp9", "opus"},
    {otWebM, "h264.flv", "webm", "matroska,webm", "vp9", "opus"},
    {otMP3, "source.flv", "mp3", "mp3", "", "mp3"},
    {otMP3, "h264.flv", "mp3", "mp3", "", "mp3"},
    {otOpus, "source.flv", "opus", "ogg", "", "opus"},
    {otOpus, "h264.flv", "opus", "ogg", "", "opus"},
    {otOriginal, "source.flv", "flv", "flv", "flv1", "mp3"},
    {otOriginal, "h264.flv", "mp4", Mp4Family, "h264", "aac"},
};

std::string contentOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(ConverterNewTypes, EachTypeWritesItsContainerAndCodecsFromEitherFlashVideo) {
  for (const NewTypeCase& c : NewTypeCases) {
    SCOPED_TRACE(testing::Message() << "output type " << c.type << " from " << c.source);
    TVideoEdit edit;
    loadWholeFile(edit, medium(c.source));
    edit.OutputType = c.type;
    const std::string output = pathInWorkFolder(std::string("Song of the day.") + c.extension);
    ASSERT_TRUE(edit.SaveOutputFile(output)) << edit.LastError();

    Probe written = probe(output);
    EXPECT_EQ(written.format["format_name"], c.formatName);
    EXPECT_EQ(written.stream("video")["codec_name"], c.videoCodec);
    EXPECT_EQ(written.stream("audio")["codec_name"], c.audioCodec);
    EXPECT_EQ(written.streams.size(), *c.videoCodec ? 2u : 1u);
    const double sourceDuration = edit.GetTimelineDuration();
    EXPECT_NEAR(written.duration(), sourceDuration, sourceDuration * 0.05);
    if (c.type == otMP4) {
      // The index first: the file plays while it downloads.
      const std::string bytes = contentOf(output);
      EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));
    }
    if (c.type == otMP3) {
      EXPECT_EQ(written.format["TAG:title"], "Song of the day");
      // A title given wins over the file's name, colons and all.
      edit.OutputTitle = "Interview: the page's own title";
      ASSERT_TRUE(edit.SaveOutputFile(output)) << edit.LastError();
      EXPECT_EQ(probe(output).format["TAG:title"], edit.OutputTitle);
    }
    std::remove(output.c_str());
  }
}

// Today's formats keep the source's picture and rate unless given; one side
// given keeps the source's shape. The sixteen of old keep what is chosen.
TEST(ConverterNewTypes, PictureSizeAndRateAreTheSourcesUnlessGiven) {
  const struct {
    const char* name;
    TOutputType type;
    int16_t width;
    int16_t height;
    float rate;
    const char* expectedWidth;
    const char* expectedHeight;
    const char* expectedRate;
  } cases[] = {
      {"MP4", otMP4, 0, 0, 0.0f, "1280", "720", "30/1"},
      {"WebM", otWebM, 0, 0, 0.0f, "1280", "720", "30/1"},
      {"MP4 of a given width", otMP4, 640, 0, 0.0f, "640", "360", "30/1"},
      {"WebM of a given height and rate", otWebM, 0, 360, 25.0f, "640", "360", "25/1"},
      {"AVI", otAVI, 320, 240, 25.0f, "320", "240", "25/1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TVideoEdit edit;
    loadWholeFile(edit, medium("wide.mp4"));
    edit.OutputType = c.type;
    edit.OutputFileWidth = c.width;
    edit.OutputFileHeight = c.height;
    edit.FrameRate = c.rate;
    const std::string output = pathInWorkFolder("sized.out");
    ASSERT_TRUE(edit.SaveOutputFile(output)) << edit.LastError();
    const ProbeFields video = probe(output).stream("video");
    EXPECT_EQ(video.at("width"), c.expectedWidth);
    EXPECT_EQ(video.at("height"), c.expectedHeight);
    EXPECT_EQ(video.at("r_frame_rate"), c.expectedRate);
  }
}

// Packet sizes and checksums per stream, in order, as the ffmpeg command
// line reads them without decoding; with their times when withTimes is set.
std::map<std::string, std::vector<std::string>> packetsOf(const std::string& path, bool withTimes = false) {
  const std::string command = "ffmpeg -nostdin -loglevel error -i '" + path + "' -c copy -f framemd5 - 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  std::map<std::string, std::vector<std::string>> packets;
  char line[512];
  while (pipe && fgets(line, sizeof line, pipe)) {
    const std::string text = line;
    if (text.empty() || text[0] == '#') continue;
    const size_t stream = text.find(',');
    const size_t size = text.rfind(',', text.rfind(',') - 1);
    packets[text.substr(0, stream)].push_back(withTimes ? text : text.substr(size + 1));
  }
  if (pipe) pclose(pipe);
  return packets;
}

TEST(ConverterOriginal, PacketsAreTheSourcesByteForByte) {
  const struct {
    const char* source;
    const char* extension;
  } cases[] = {{"h264.flv", "mp4"}, {"source.flv", "flv"}, {"raw.mkv", "mkv"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    TVideoEdit edit;
    loadWholeFile(edit, medium(c.source));
    edit.OutputType = otOriginal;
    edit.OutputFileWidth = 176;  // size and rate apply only where video is re-encoded
    edit.FrameRate = 10.0f;
    EXPECT_EQ(edit.OriginalFileExtension(), c.extension);
    const std::string output = pathInWorkFolder(std::string("original.") + c.extension);
    ASSERT_TRUE(edit.SaveOutputFile(output)) << edit.LastError();
    const auto source = packetsOf(medium(c.source));
    ASSERT_EQ(source.size(), 2u);
    EXPECT_GT(source.at("0").size(), 50u);
    EXPECT_EQ(packetsOf(output), source);
  }
}

// The sound encoder's priming packet of an MP4 file stays before time 0,
// where its edit list keeps it from playing.
TEST(ConverterOriginal, PrimingPacketKeepsItsTime) {
  TVideoEdit edit;
  loadWholeFile(edit, medium("wide.mp4"));
  edit.OutputType = otOriginal;
  const std::string output = pathInWorkFolder("primed.mp4");
  ASSERT_TRUE(edit.SaveOutputFile(output)) << edit.LastError();
  const auto source = packetsOf(medium("wide.mp4"), true);
  // "1, <decoding time>, ...": the first packet of the sound comes before 0.
  ASSERT_LT(std::stol(source.at("1").front().substr(2)), 0);
  EXPECT_EQ(packetsOf(output, true), source);
}

// A whole Matroska or FLV file kept as it is comes out as its own bytes, and
// so does an MP4 file with its index first; a part of a file is remuxed,
// holding fewer of the source's packets, and an MP4 file with its index last,
// in fragments or cut off, or a QuickTime file, is written anew as an MP4
// file with its index first.
TEST(ConverterOriginal, WholeFileInItsOwnContainerIsItsBytes) {
  const struct {
    const char* source;
    const char* extension;
    double end;  // of the clip; 0 for the whole file
    bool sameBytes;
  } cases[] = {
      {"raw.mkv", "mkv", 0.0, true},         {"source.flv", "flv", 0.0, true},
      {"raw.mkv", "mkv", 1.0, false},        {"fast-start.mp4", "mp4", 0.0, true},
      {"fast-start.mp4", "mp4", 1.0, false}, {"wide.mp4", "mp4", 0.0, false},
      {"fragmented.mp4", "mp4", 0.0, false}, {"stopped-fast-start.mp4", "mp4", 0.0, false},
      {"quicktime.mov", "mp4", 0.0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.source << " to " << c.end);
    TVideoEdit edit;
    if (c.end > 0.0) {
      ASSERT_TRUE(edit.AddVideoClip(medium(c.source), 0.0, c.end, 0)) << edit.LastError();
      ASSERT_TRUE(edit.AddAudioClip(medium(c.source), 0.0, c.end)) << edit.LastError();
    } else {
      loadWholeFile(edit, medium(c.source));
    }
    edit.OutputType = otOriginal;
    const std::string output = pathInWorkFolder(std::string("kept.") + c.extension);
    ASSERT_TRUE(edit.SaveOutputFile(output)) << edit.LastError();
    const std::string bytes = contentOf(output);
    EXPECT_EQ(bytes == contentOf(medium(c.source)), c.sameBytes);
    if (c.end > 0.0) {
      EXPECT_LT(packetsOf(output).at("0").size(), packetsOf(medium(c.source)).at("0").size());
    }
    if (std::string(c.extension) == "mp4") {
      EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));
      EXPECT_EQ(bytes.find("moof"), std::string::npos);
    }
  }
}

// A source the caller may lose becomes the output itself.
TEST(ConverterOriginal, SpentSourceBecomesTheOutput) {
  const std::string source = pathInWorkFolder("spent.mkv");
  std::filesystem::copy_file(medium("raw.mkv"), source, std::filesystem::copy_options::overwrite_existing);
  TVideoEdit edit;
  loadWholeFile(edit, source);
  edit.OutputType = otOriginal;
  edit.MaySpendSources = true;
  const std::string output = pathInWorkFolder("spent-output.mkv");
  ASSERT_TRUE(edit.SaveOutputFile(output)) << edit.LastError();
  EXPECT_TRUE(contentOf(output) == contentOf(medium("raw.mkv")));
  EXPECT_FALSE(fileExists(source));
}

// The phone's display rotation is part of what is kept.
TEST(ConverterOriginal, DisplayRotationIsKept) {
  TVideoEdit edit;
  loadWholeFile(edit, medium("rotated.mp4"));
  edit.OutputType = otOriginal;
  const std::string output = pathInWorkFolder("kept-rotation.mp4");
  ASSERT_TRUE(edit.SaveOutputFile(output)) << edit.LastError();
  const GrayPicture upright = firstPicture(output);
  EXPECT_EQ(upright.width, 240);
  EXPECT_GT(upright.at(10, upright.height - 10), 128);
}

// Nellymoser sound goes into no container beside Sorenson video but FLV,
// and only Sorenson with MP3 stays FLV; one output stream cannot hold the
// packets of two codecs.
TEST(ConverterOriginal, StreamsThatDoNotFitFailUnlessConvertingIsAllowed) {
  const struct {
    const char* first;
    const char* second;  // a second clip on the video track, or nullptr
    std::string error;
  } cases[] = {
      {"nellymoser.flv", nullptr,
       "Cannot keep the original streams: the video stream (flv1) of '" + medium("nellymoser.flv") +
           "' does not fit a .mkv file"},
      {"h264.flv", "source.flv",
       "Cannot keep the original streams: the video stream (flv1) of '" + medium("source.flv") +
           "' differs from the video stream (h264) of '" + medium("h264.flv") + "' before it"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    TVideoEdit edit;
    loadWholeFile(edit, medium(c.first));
    if (c.second) {
      ASSERT_TRUE(edit.AddVideoClip(medium(c.second), 0.0, 1.0, 0)) << edit.LastError();
    }
    edit.OutputType = otOriginal;
    const std::string output = pathInWorkFolder("misfit.mkv");
    EXPECT_EQ(edit.OriginalFileExtension(), "");
    EXPECT_EQ(edit.LastError(), c.error);
    EXPECT_FALSE(edit.SaveOutputFile(output));
    EXPECT_EQ(edit.LastError(), c.error);
    EXPECT_FALSE(fileExists(output));

    edit.RemuxOrConvert = true;
    EXPECT_EQ(edit.OriginalFileExtension(), "mp4");
    const std::string converted = pathInWorkFolder("converted.mp4");
    ASSERT_TRUE(edit.SaveOutputFile(converted)) << edit.LastError();
    Probe written = probe(converted);
    EXPECT_EQ(written.format["format_name"], Mp4Family);
    EXPECT_EQ(written.stream("video")["codec_name"], "h264");
    EXPECT_EQ(written.stream("audio")["codec_name"], "aac");
    EXPECT_NEAR(written.duration(), edit.GetTimelineDuration(), 0.1);
  }
}

// Sound-only types need sound; video types need video.
TEST(ConverterNewTypes, MissingStreamFailsClearlyAndLeavesNoFile) {
  const struct {
    TOutputType type;
    const char* source;
    bool video;
    const char* error;
  } cases[] = {
      {otMP3, "silent.flv", true, "The output type writes sound only, and the timeline holds none"},
      {otOpus, "silent.flv", true, "The output type writes sound only, and the timeline holds none"},
      {otMP4, "sound.mp3", false, "The output type is made for video, and the timeline holds none"},
      {otWebM, "sound.mp3", false, "The output type is made for video, and the timeline holds none"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "output type " << c.type << " from " << c.source);
    TVideoEdit edit;
    if (c.video) ASSERT_TRUE(edit.AddVideoClip(medium(c.source), 0.0, 1.0, 0)) << edit.LastError();
    else ASSERT_TRUE(edit.AddAudioClip(medium(c.source), 0.0, 1.0)) << edit.LastError();
    edit.OutputType = c.type;
    const std::string output = pathInWorkFolder("missing-stream.out");
    EXPECT_FALSE(edit.SaveOutputFile(output));
    EXPECT_EQ(edit.LastError(), c.error);
    EXPECT_FALSE(fileExists(output));
  }
}

}  // namespace
}  // namespace converter_test
