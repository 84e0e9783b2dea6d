// Every output type, written from the Flash test video with a chosen size of
// 256x192 at 20 frames per second: the container, codecs, size and rate a
// user of that format expects. Disc formats and codecs with fixed sizes or
// rates override the choice; the others keep it.

#include <gtest/gtest.h>

#include <cmath>

#include "test_media.h"

namespace converter_test {
namespace {

struct OutputTypeCase {
  TOutputType type;
  const char* extension;
  const char* formatName;
  const char* majorBrand;  // for the MP4 family, which ffprobe names alike
  const char* videoCodec;
  const char* videoProfile;  // empty: not checked
  const char* audioCodec;
  const char* width;
  const char* height;
  const char* frameRate;
};

const char* const Mp4Family = "mov,mp4,m4a,3gp,3g2,mj2";

const OutputTypeCase OutputTypeCases[] = {
    {otVCD_NTSC, "mpg", "mpeg", "", "mpeg1video", "", "mp2", "352", "240", "30000/1001"},
    {otVCD_PAL, "mpg", "mpeg", "", "mpeg1video", "", "mp2", "352", "288", "25/1"},
    {otSVCD_NTSC, "mpg", "mpeg", "", "mpeg2video", "", "mp2", "480", "480", "30000/1001"},
    {otSVCD_PAL, "mpg", "mpeg", "", "mpeg2video", "", "mp2", "480", "576", "25/1"},
    {otDVD_NTSC, "mpg", "mpeg", "", "mpeg2video", "", "ac3", "720", "480", "30000/1001"},
    {otDVD_PAL, "mpg", "mpeg", "", "mpeg2video", "", "ac3", "720", "576", "25/1"},
    // MPEG-1 knows no 20 frames per second: the nearest rate it has. MPEG-2
    // reaches it through its frame-rate extension.
    {otMPEG1, "mpg", "mpeg", "", "mpeg1video", "", "mp2", "256", "192", "24000/1001"},
    {otMPEG2, "mpg", "mpeg", "", "mpeg2video", "", "mp2", "256", "192", "20/1"},
    // No compressor chosen: the default pair.
    {otAVI, "avi", "avi", "", "mpeg4", "", "mp3", "256", "192", "20/1"},
    // The WMV 8 profile chosen below decides size and rate.
    {otWMV, "wmv", "asf", "", "wmv2", "", "wmav2", "320", "240", "25/1"},
    {otQT, "mov", Mp4Family, "qt  ", "h264", "", "aac", "256", "192", "20/1"},
    {otRM, "rm", "rm", "", "rv20", "", "ac3", "256", "192", "20/1"},
    {otIPOD, "mp4", Mp4Family, "M4V ", "h264", "Constrained Baseline", "aac", "256", "192", "20/1"},
    {otPSP, "mp4", Mp4Family, "MSNV", "h264", "", "aac", "480", "272", "20/1"},
    {otFLV, "flv", "flv", "", "flv1", "", "mp3", "256", "192", "20/1"},
    {ot3GP, "3gp", Mp4Family, "3gp4", "h263", "", "aac", "176", "144", "20/1"},
};

TEST(ConverterOutputTypes, EachTypeWritesItsContainerCodecsSizeAndRate) {
  const double sourceDuration = probe(flashVideo()).duration();
  ASSERT_GT(sourceDuration, 4.9);
  for (const OutputTypeCase& c : OutputTypeCases) {
    SCOPED_TRACE(std::string("output type ") + std::to_string(c.type));
    TVideoEdit edit;
    loadWholeFile(edit, flashVideo());
    edit.OutputType = c.type;
    edit.OutputFileWidth = 256;
    edit.OutputFileHeight = 192;
    edit.FrameRate = 20.0f;
    edit.WMVProfile = edit.WMVProfiles.IndexOfProfile("Video, broadband (256 kbps)");
    const std::string output = pathInWorkFolder("type" + std::to_string(c.type) + "." + c.extension);
    ASSERT_TRUE(edit.SaveOutputFile(output)) << edit.LastError();

    Probe written = probe(output);
    EXPECT_EQ(written.format["format_name"], c.formatName);
    if (*c.majorBrand) {
      EXPECT_EQ(written.format["TAG:major_brand"], c.majorBrand);
    }
    ProbeFields video = written.stream("video");
    EXPECT_EQ(video["codec_name"], c.videoCodec);
    if (*c.videoProfile) {
      EXPECT_EQ(video["profile"], c.videoProfile);
    }
    EXPECT_EQ(video["width"], c.width);
    EXPECT_EQ(video["height"], c.height);
    EXPECT_EQ(video["r_frame_rate"], c.frameRate);
    EXPECT_EQ(written.stream("audio")["codec_name"], c.audioCodec);
    EXPECT_NEAR(written.duration(), sourceDuration, sourceDuration * 0.05);
    std::remove(output.c_str());
  }
}

// The program passes the rate as a float; 29.97 is the NTSC rate, not a
// fraction with a denominator in the millions.
TEST(ConverterOutputTypes, ChosenRateOf29_97IsTheNtscRate) {
  TVideoEdit edit;
  ASSERT_TRUE(edit.AddVideoClip(flashVideo(), 0.0, 1.0, 0)) << edit.LastError();
  edit.OutputType = otAVI;
  edit.FrameRate = 29.97f;
  const std::string output = pathInWorkFolder("ntsc-rate.avi");
  ASSERT_TRUE(edit.SaveOutputFile(output)) << edit.LastError();
  EXPECT_EQ(probe(output).stream("video")["r_frame_rate"], "30000/1001");
}

// A width of 40000 arrives as the 16-bit value -25536; only a format that
// fixes its size can still be written.
TEST(ConverterOutputTypes, NegativeChosenSizeFailsUnlessTheFormatFixesTheSize) {
  const struct {
    TOutputType type;
    bool written;
  } cases[] = {{otAVI, false}, {otDVD_PAL, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    TVideoEdit edit;
    ASSERT_TRUE(edit.AddVideoClip(flashVideo(), 0.0, 1.0, 0)) << edit.LastError();
    edit.OutputType = c.type;
    edit.OutputFileWidth = -25536;
    const std::string output = pathInWorkFolder("negative-size.out");
    EXPECT_EQ(edit.SaveOutputFile(output), c.written);
    EXPECT_EQ(edit.LastError(), c.written ? "" : "The output size is not valid");
    EXPECT_EQ(fileExists(output), c.written);
    std::remove(output.c_str());
  }
}

TEST(ConverterOutputTypes, ValueOutsideTheTableFailsWithoutWriting) {
  for (const int type : {-1, converter::OutputTypeCount}) {
    SCOPED_TRACE(type);
    TVideoEdit edit;
    loadWholeFile(edit, flashVideo());
    edit.OutputType = TOutputType(type);
    const std::string output = pathInWorkFolder("unknown.out");
    EXPECT_FALSE(edit.SaveOutputFile(output));
    EXPECT_EQ(edit.LastError(), "Unknown output type " + std::to_string(type));
    EXPECT_FALSE(fileExists(output));
  }
}

}  // namespace
}  // namespace converter_test
