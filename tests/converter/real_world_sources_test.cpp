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

}  // namespace
}  // namespace converter_test
