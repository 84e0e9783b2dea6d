// Sources like the ones people have, unlike the tidy test pattern: low
// sample rates and frame rates, phone videos with a display rotation, videos
// without sound.

#include <gtest/gtest.h>

#include "test_media.h"

namespace converter_test {
namespace {

// The converter's output of the whole file, as ffprobe sees it; fails the
// test when the save fails.
Probe convert(TVideoEdit& edit, const std::string& source, const std::string& output) {
  loadWholeFile(edit, source);
  EXPECT_TRUE(edit.SaveOutputFile(output)) << edit.LastError();
  return probe(output);
}

// 22050 Hz mono MP3 cannot stay at its rate in MPEG-1 audio at 192 kbit/s.
TEST(ConverterRealWorldSources, LowRateMonoSoundToMpegProgramStreams) {
  for (const TOutputType type : {otMPEG1, otMPEG2}) {
    SCOPED_TRACE(type);
    TVideoEdit edit;
    edit.OutputType = type;
    edit.FrameRate = 25.0f;
    Probe written = convert(edit, medium("low-rate.flv"), pathInWorkFolder("low-rate.mpg"));
    EXPECT_EQ(written.stream("audio")["codec_name"], "mp2");
    EXPECT_EQ(written.stream("audio")["sample_rate"], "32000");
    EXPECT_NEAR(written.duration(), 2.0, 0.1);
  }
}

// MPEG-1 carries no 15 frames per second, whether the rate is the source's
// or was left set by an AVI job before.
TEST(ConverterRealWorldSources, FifteenFramesPerSecondToMpeg1TakesItsNearestRate) {
  TVideoEdit edit;
  edit.OutputType = otAVI;
  edit.FrameRate = 15.0f;
  EXPECT_EQ(convert(edit, medium("low-rate.flv"), pathInWorkFolder("fifteen.avi")).stream("video")["r_frame_rate"],
            "15/1");
  for (const float rate : {15.0f, 0.0f}) {
    SCOPED_TRACE(rate);
    edit.ClearTimeline();
    edit.OutputType = otMPEG1;
    edit.FrameRate = rate;
    Probe written = convert(edit, medium("low-rate.flv"), pathInWorkFolder("fifteen.mpg"));
    EXPECT_EQ(written.stream("video")["r_frame_rate"], "24000/1001");
    EXPECT_NEAR(written.duration(), 2.0, 0.1);
  }
}

// The handheld's container takes no video without sound; others need none.
TEST(ConverterRealWorldSources, SourceWithoutSoundGetsSilenceOnlyWhereTheContainerNeedsIt) {
  const struct {
    TOutputType type;
    const char* extension;
    size_t streams;
  } cases[] = {{otPSP, "mp4", 2}, {otAVI, "avi", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    TVideoEdit edit;
    edit.OutputType = c.type;
    ASSERT_TRUE(edit.AddVideoClip(medium("silent.flv"), 0.0, 1.0, 0)) << edit.LastError();
    const std::string output = pathInWorkFolder(std::string("silent.") + c.extension);
    ASSERT_TRUE(edit.SaveOutputFile(output)) << edit.LastError();
    Probe written = probe(output);
    EXPECT_EQ(written.streams.size(), c.streams);
    if (c.streams == 2) {
      EXPECT_EQ(written.stream("audio")["codec_name"], "aac");
    }
    EXPECT_NEAR(written.duration(), 1.0, 0.1);
  }
}

// The phone video is stored 320x240 and shown turned a quarter to the left:
// its marked top-left corner must come out bottom-left, in a picture of the
// upright shape, also inside a frame of fixed size.
TEST(ConverterRealWorldSources, RotatedSourceComesOutUpright) {
  const struct {
    TOutputType type;
    const char* extension;
    int width;
    int height;
    int left;  // where the upright picture starts in the frame
  } cases[] = {{otAVI, "avi", 240, 320, 0}, {otPSP, "mp4", 480, 272, 138}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    TVideoEdit edit;
    edit.OutputType = c.type;
    convert(edit, medium("rotated.mp4"), pathInWorkFolder(std::string("upright.") + c.extension));
    const GrayPicture picture = firstPicture(pathInWorkFolder(std::string("upright.") + c.extension));
    ASSERT_EQ(picture.width, c.width);
    ASSERT_EQ(picture.height, c.height);
    ASSERT_EQ(picture.pixels.size(), size_t(c.width * c.height));
    EXPECT_GT(picture.at(c.left + 10, c.height - 10), 128);
    EXPECT_LT(picture.at(c.left + 10, 10), 64);
    EXPECT_LT(picture.at(c.width - c.left - 10, c.height - 10), 64);
  }
}

}  // namespace
}  // namespace converter_test
