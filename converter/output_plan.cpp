#include "converter/output_plan.h"

#include <cmath>

#include "converter/conversion_error.h"
#include "converter/messages.h"

namespace converter {
namespace {

constexpr AVRational FallbackFrameRate{25, 1};
const MediaInfo SilenceSource{.sampleRate = 44100};

const AVCodec* encoderNamed(const char* name) {
  const AVCodec* encoder = avcodec_find_encoder_by_name(name);
  if (!encoder) fail(std::string(converter_messages::MissingEncoder) + " '" + name + "'");
  return encoder;
}

AVPixelFormat rawPixelFormat(int videoSampleSize) {
  switch (videoSampleSize) {
    case 16: return AV_PIX_FMT_RGB555LE;
    case 24: return AV_PIX_FMT_BGR24;
    case 32: return AV_PIX_FMT_BGRA;
    default: fail(converter_messages::BadVideoSampleSize);
  }
}

int roundedDown(int value, int multiple) { return std::max(multiple, value - value % multiple); }
int nearestMultiple(double value, int multiple) {
  return std::max(multiple, int(std::lround(value / multiple)) * multiple);
}

// A size the format does not fix is the chosen one. A side not chosen is the
// source's as shown (upright, square pixels), or, when only the other side
// is chosen, whatever keeps the source's shape.
void chooseSize(const VideoFormatRow& row, const OutputSettings& settings, const MediaInfo& source,
                VideoTarget& target) {
  const AVRational pixel = source.sampleAspect;
  const double shownWidth = pixel.num > 0 && pixel.den > 0 ? source.width * av_q2d(pixel) : source.width;
  const double shownHeight = source.height;
  double width = shownWidth;
  double height = shownHeight;
  if (settings.width && !settings.height) height = settings.width * shownHeight / shownWidth;
  if (settings.height && !settings.width) width = settings.height * shownWidth / shownHeight;
  const auto side = [&](int fixed, int chosen, double derived) {
    if (fixed) return fixed;
    if (chosen < 0) fail(converter_messages::BadOutputSize);
    return chosen ? roundedDown(chosen, row.sizeMultiple) : nearestMultiple(derived, row.sizeMultiple);
  };
  target.width = side(row.width, settings.width, width);
  target.height = side(row.height, settings.height, height);
}

AVRational chosenRate(const OutputSettings& settings, const MediaInfo& source) {
  // The rate arrives as a float: 29.97 means 30000/1001, so keep denominators small.
  if (settings.frameRate > 0.0) return av_d2q(settings.frameRate, 1001);
  return source.frameRate.num > 0 && source.frameRate.den > 0 ? source.frameRate : FallbackFrameRate;
}

// Formats such as MPEG-1 know only a few frame rates: take the nearest.
AVRational rateTheFormatCarries(const VideoFormatRow& row, const AVCodec& encoder, AVRational rate) {
  if (av_cmp_q(rate, row.slowestRate) < 0) rate = row.slowestRate;
  const AVRational* rates = row.frameRates ? row.frameRates : encoder.supported_framerates;
  if (!rates) return rate;
  return rates[av_find_nearest_q_idx(rate, rates)];
}

int sampleRateTheFormatTakes(const AudioFormatRow& row, const AVCodec& encoder, int rate) {
  const int* rates = row.sampleRates ? row.sampleRates : encoder.supported_samplerates;
  if (!rates) return rate;
  int nearest = rates[0];
  for (const int* candidate = rates; *candidate; ++candidate)
    if (std::abs(*candidate - rate) < std::abs(nearest - rate)) nearest = *candidate;
  return nearest;
}

AVSampleFormat sampleFormatFor(const AVCodec& encoder, AVSampleFormat source) {
  if (!encoder.sample_fmts) return source != AV_SAMPLE_FMT_NONE ? source : AV_SAMPLE_FMT_S16;
  for (const AVSampleFormat* format = encoder.sample_fmts; *format != AV_SAMPLE_FMT_NONE; ++format)
    if (*format == source) return source;
  return encoder.sample_fmts[0];
}

VideoTarget videoTarget(const VideoFormatRow& row, const OutputSettings& settings, const MediaInfo& source) {
  VideoTarget target;
  target.encoder = encoderNamed(row.encoder);
  target.pixelFormat = row.pixelFormat != AV_PIX_FMT_NONE ? row.pixelFormat : rawPixelFormat(settings.videoSampleSize);
  chooseSize(row, settings, source, target);
  if (row.displayAspect.num > 0)
    target.sampleAspect = av_mul_q(row.displayAspect, AVRational{target.height, target.width});
  target.frameRate =
      rateTheFormatCarries(row, *target.encoder, row.frameRate.num > 0 ? row.frameRate : chosenRate(settings, source));
  target.quality = row.quality;
  target.options = row.options;
  return target;
}

AudioTarget audioTarget(const AudioFormatRow& row, const MediaInfo& source) {
  AudioTarget target;
  target.encoder = encoderNamed(row.encoder);
  target.sampleRate =
      sampleRateTheFormatTakes(row, *target.encoder, row.sampleRate ? row.sampleRate : source.sampleRate);
  target.channels = row.channels;
  target.sampleFormat = sampleFormatFor(*target.encoder, source.sampleFormat);
  target.options = row.options;
  return target;
}

// The Windows Media profile decides size, rate, bit rates and key frames.
void applyProfile(const WmvSettings& profile, OutputPlan& plan) {
  if (!profile.hasVideo) plan.video.reset();
  if (!profile.hasAudio) plan.audio.reset();
  if (plan.video) {
    plan.video->width = roundedDown(profile.width, 2);
    plan.video->height = roundedDown(profile.height, 2);
    plan.video->frameRate = profile.frameRate;
    plan.video->options = "b=" + std::to_string(profile.videoBitRate);
    if (profile.keyFrameSeconds > 0)
      plan.video->options +=
          ":g=" + std::to_string(int(std::lround(profile.keyFrameSeconds * av_q2d(profile.frameRate))));
  }
  if (plan.audio) {
    plan.audio->sampleRate = profile.sampleRate;
    plan.audio->channels = profile.channels;
    plan.audio->options = "b=" + std::to_string(profile.audioBitRate);
  }
}

}  // namespace

OutputPlan planOutput(const OutputSettings& settings, const MediaInfo* videoSource, const MediaInfo* audioSource) {
  const OutputTypeRow* row = findOutputType(settings.outputType);
  if (!row) fail(std::string(converter_messages::UnknownOutputType) + " " + std::to_string(settings.outputType));

  OutputPlan plan;
  plan.titled = row->titled;
  plan.title = settings.title;
  if (row->copiesStreams) {
    if (settings.copyContainer.muxer.empty()) fail(settings.copyContainer.misfit);
    plan.muxer = settings.copyContainer.muxer;
    plan.muxerOptions = settings.copyContainer.muxerOptions;
    plan.copyStreams = true;
    if (videoSource) plan.video.emplace();
    if (audioSource) plan.audio.emplace();
    return plan;
  }
  plan.muxer = row->muxer;
  plan.muxerOptions = row->muxerOptions;
  const bool writesVideo = row->video.encoder || settings.videoCompressor;
  if (!writesVideo && !audioSource) fail(converter_messages::NeedsSound);
  if (row->needsVideo && !videoSource) fail(converter_messages::NeedsVideo);
  if (videoSource && writesVideo)
    plan.video = videoTarget(settings.videoCompressor ? *settings.videoCompressor : row->video, settings, *videoSource);
  const AudioFormatRow& audio = settings.audioCompressor ? *settings.audioCompressor : row->audio;
  if (audioSource) {
    plan.audio = audioTarget(audio, *audioSource);
  } else if (videoSource && row->addsSilence) {
    plan.audio = audioTarget(audio, SilenceSource);
    plan.silentAudio = true;
  }
  if (settings.wmv) applyProfile(*settings.wmv, plan);
  if (!plan.video && !plan.audio) fail(converter_messages::NothingToWrite);
  return plan;
}

}  // namespace converter
