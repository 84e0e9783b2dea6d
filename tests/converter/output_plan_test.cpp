// The output plan for sources of every shape: without decoding a frame, each
// output type and compressor must choose streams its encoders accept.

#include <gtest/gtest.h>

#include "converter/av_handles.h"
#include "converter/conversion_error.h"
#include "converter/output_plan.h"
#include "converter/track_encoder.h"
#include "converter/video_edit.h"

namespace converter {
namespace {

MediaInfo sourceOf(int sampleRate, AVRational frameRate) {
  MediaInfo source;
  source.duration = 5.0;
  source.hasVideo = true;
  source.hasAudio = true;
  source.width = 320;
  source.height = 240;
  source.sampleAspect = {1, 1};
  source.frameRate = frameRate;
  source.sampleRate = sampleRate;
  source.sampleFormat = AV_SAMPLE_FMT_FLTP;
  return source;
}

// Opens the plan's encoders on an output that is never written; the text of
// the first failure, or empty.
std::string openEncoders(const OutputPlan& plan) {
  try {
    AVFormatContext* allocated = nullptr;
    check(avformat_alloc_output_context2(&allocated, nullptr, plan.muxer.c_str(), nullptr), "muxer");
    OutputContext output(allocated);
    if (plan.video) TrackEncoder video(*output, *plan.video);
    if (plan.audio) TrackEncoder audio(*output, *plan.audio);
    return "";
  } catch (const ConversionError& error) {
    return error.what();
  }
}

// Every output type that re-encodes, then AVI with every compressor of the
// collections.
std::vector<std::pair<std::string, OutputSettings>> everyOutput() {
  static const TVideoEdit edit;
  std::vector<std::pair<std::string, OutputSettings>> outputs;
  for (int type = 0; type < OutputTypeCount; ++type) {
    if (findOutputType(type)->copiesStreams) continue;
    OutputSettings settings;
    settings.outputType = type;
    if (type == otWMV)
      settings.wmv = *edit.WMVProfiles.settings(edit.WMVProfiles.IndexOfProfile("Video, broadband (256 kbps)"));
    outputs.emplace_back(findOutputType(type)->name, settings);
  }
  for (int16_t i = 0; i < edit.VideoCompressors.Count(); ++i) {
    OutputSettings settings;
    settings.outputType = otAVI;
    settings.videoCompressor = edit.VideoCompressors.format(i);
    outputs.emplace_back("AVI " + edit.VideoCompressors.CompressorName(i), settings);
  }
  for (int16_t i = 0; i < edit.AudioCompressors.Count(); ++i) {
    OutputSettings settings;
    settings.outputType = otAVI;
    settings.audioCompressor = edit.AudioCompressors.format(i);
    outputs.emplace_back("AVI " + edit.AudioCompressors.CompressorName(i), settings);
  }
  return outputs;
}

// Flash videos came with 11025, 22050 or 44100 Hz sound; the format's own
// rate is taken where the source's is not allowed.
TEST(ConverterOutputPlan, EveryOutputTakesSoundOfAnyRate) {
  for (const auto& [name, settings] : everyOutput()) {
    for (const int sampleRate : {8000, 11025, 22050, 32000, 44100, 48000, 96000}) {
      SCOPED_TRACE(testing::Message() << name << ", " << sampleRate << " Hz");
      const MediaInfo source = sourceOf(sampleRate, {25, 1});
      EXPECT_EQ(openEncoders(planOutput(settings, &source, &source)), "");
    }
  }
}

// A rate chosen for one format stays set for the next job; the source's own
// rate may be anything too. Each format takes the nearest rate it carries.
TEST(ConverterOutputPlan, EveryOutputTakesAnyFrameRate) {
  for (const auto& [name, chosen] : everyOutput()) {
    for (const double rate : {1.0, 7.5, 12.0, 15.0, 20.0, 29.97, 50.0, 120.0, 1000.0}) {
      SCOPED_TRACE(testing::Message() << name << ", " << rate << " frames per second");
      OutputSettings settings = chosen;
      settings.frameRate = rate;
      const MediaInfo source = sourceOf(44100, {25, 1});
      EXPECT_EQ(openEncoders(planOutput(settings, &source, &source)), "");
      settings.frameRate = 0.0;
      const MediaInfo sourceAtRate = sourceOf(44100, av_d2q(rate, 1001));
      EXPECT_EQ(openEncoders(planOutput(settings, &sourceAtRate, &sourceAtRate)), "");
    }
  }
}

// A side not given is the source's as shown, or keeps the source's shape
// when the other is given; sizes a format fixes win.
TEST(ConverterOutputPlan, PictureSizeFromTheSource) {
  const struct {
    const char* name;
    int type;
    int sourceWidth;
    int sourceHeight;
    AVRational sourcePixel;
    int width;
    int height;
    int expectedWidth;
    int expectedHeight;
  } cases[] = {
      {"both the source's", otMP4, 1280, 720, {1, 1}, 0, 0, 1280, 720},
      {"width alone", otMP4, 1280, 720, {1, 1}, 640, 0, 640, 360},
      {"height alone, odd width made even", otWebM, 1280, 720, {1, 1}, 0, 480, 854, 480},
      {"width alone, odd height made even", otMP4, 1280, 720, {1, 1}, 500, 0, 500, 282},
      {"both given", otMP4, 1280, 720, {1, 1}, 320, 240, 320, 240},
      {"wide pixels shown square", otMP4, 720, 576, {16, 15}, 0, 0, 768, 576},
      {"wide pixels, height alone", otMP4, 720, 576, {16, 15}, 0, 288, 384, 288},
      {"multiples of four", otRM, 1280, 720, {1, 1}, 0, 250, 444, 248},
      {"a format's own size", otPSP, 1280, 720, {1, 1}, 640, 0, 480, 272},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MediaInfo source = sourceOf(44100, {30, 1});
    source.width = c.sourceWidth;
    source.height = c.sourceHeight;
    source.sampleAspect = c.sourcePixel;
    OutputSettings settings;
    settings.outputType = c.type;
    settings.width = c.width;
    settings.height = c.height;
    const OutputPlan plan = planOutput(settings, &source, &source);
    ASSERT_TRUE(plan.video);
    EXPECT_EQ(std::make_pair(plan.video->width, plan.video->height), std::make_pair(c.expectedWidth, c.expectedHeight));
  }
}

}  // namespace
}  // namespace converter
