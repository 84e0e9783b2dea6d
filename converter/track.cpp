#include "converter/track.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/pixdesc.h>
}

#include "converter/display_rotation.h"
#include "converter/picture_fit.h"

namespace converter {
namespace {

constexpr double AudioGapTolerance = 0.1;  // seconds
constexpr double SilenceStep = 0.5;        // seconds

}  // namespace

FrameShape FrameShape::of(const AVFrame& frame) {
  FrameShape shape;
  shape.format = frame.format;
  shape.width = frame.width;
  shape.height = frame.height;
  shape.sampleAspect = frame.sample_aspect_ratio;
  shape.sampleRate = frame.sample_rate;
  shape.channels = frame.ch_layout.nb_channels;
  shape.channelMask = frame.ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? frame.ch_layout.u.mask : 0;
  return shape;
}

bool FrameShape::operator==(const FrameShape& other) const {
  return format == other.format && width == other.width && height == other.height &&
         av_cmp_q(sampleAspect, other.sampleAspect) == 0 && sampleRate == other.sampleRate &&
         channels == other.channels && channelMask == other.channelMask;
}

Track::Track(std::vector<TimelineClip> clips, const VideoTarget& target, TrackEncoder& encoder)
    : type_(AVMEDIA_TYPE_VIDEO), clips_(std::move(clips)), videoTarget_(&target), encoder_(encoder) {}

Track::Track(std::vector<TimelineClip> clips, const AudioTarget& target, TrackEncoder& encoder, double silenceUntil)
    : type_(AVMEDIA_TYPE_AUDIO),
      clips_(std::move(clips)),
      audioTarget_(&target),
      encoder_(encoder),
      silenceUntil_(silenceUntil) {}

bool Track::step() {
  if (finished_) return false;
  if (!reader_) {
    if (nextClip_ == clips_.size()) {
      if (position() < silenceUntil_) {
        // A little at a time, so the other track keeps pace in the file.
        encoder_.padAudioTo(std::min(silenceUntil_, position() + SilenceStep));
        return true;
      }
      encoder_.finish();
      finished_ = true;
      return false;
    }
    startClip();
  }
  if (reader_->read(decoded_.get())) filter(decoded_.get());
  else endClip();
  return true;
}

void Track::startClip() {
  const TimelineClip& clip = clips_[nextClip_];
  reader_ = std::make_unique<ClipReader>(clip.path, type_, clip.streamNumber, clip.start, clip.end);
}

// The chain is closed at the clip's end on the timeline, so each clip fills
// exactly its length even when its last frame stops short.
void Track::endClip() {
  const TimelineClip& clip = clips_[nextClip_];
  closeChain(clipOffset_ + clip.length());
  reader_.reset();
  clipOffset_ += clip.length();
  ++nextClip_;
}

void Track::filter(AVFrame* frame) {
  const TimelineClip& clip = clips_[nextClip_];
  const double timelineSeconds = reader_->secondsOf(*frame) - clip.start + clipOffset_;
  if (!chain_ || FrameShape::of(*frame) != chainShape_) {
    // A clip's first chain covers it from its start; a later one from the
    // frame that needed it.
    const double startsAt = chain_ ? std::max(timelineSeconds, clipOffset_) : clipOffset_;
    closeChain(startsAt);
    chainTimeBase_ = type_ == AVMEDIA_TYPE_VIDEO ? reader_->timeBase() : AVRational{1, frame->sample_rate};
    chain_ = chainFor(*frame, startsAt);
    chainShape_ = FrameShape::of(*frame);
  }
  frame->pts = chainTimestamp(timelineSeconds);
  chain_->push(frame);
  drainChain();
}

// Audio that stops short of where the chain ends is filled with silence, so
// the next chain's audio starts at its own time.
void Track::closeChain(double endsAt) {
  if (chain_) {
    chain_->close(chainTimestamp(endsAt));
    drainChain();
    chain_.reset();
  }
  if (type_ == AVMEDIA_TYPE_AUDIO) encoder_.padAudioTo(endsAt);
}

void Track::drainChain() {
  while (chain_->pull(filtered_.get())) {
    // Audio is placed by sample count; only a real hole in the source's
    // timestamps, not their rounding, is filled.
    const double startsAt = filtered_->pts * av_q2d(chain_->outputTimeBase());
    if (type_ == AVMEDIA_TYPE_AUDIO && startsAt - encoder_.position() > AudioGapTolerance)
      encoder_.padAudioTo(startsAt);
    encoder_.encode(filtered_.get(), chain_->outputTimeBase());
  }
}

int64_t Track::chainTimestamp(double timelineSeconds) const {
  return std::llround(timelineSeconds / av_q2d(chainTimeBase_));
}

std::unique_ptr<FilterChain> Track::chainFor(const AVFrame& frame, double startsAt) const {
  const AVRational timeBase = chainTimeBase_;
  const TimelineClip& clip = clips_[nextClip_];
  const double endsAt = clipOffset_ + clip.length();
  if (type_ == AVMEDIA_TYPE_VIDEO) {
    const VideoTarget& target = *videoTarget_;
    const AVRational sourceAspect = frame.sample_aspect_ratio.num > 0 ? frame.sample_aspect_ratio : AVRational{1, 1};
    const std::string source =
        fmt::format("video_size={}x{}:pix_fmt={}:time_base={}/{}:pixel_aspect={}/{}", frame.width, frame.height,
                    frame.format, timeBase.num, timeBase.den, sourceAspect.num, sourceAspect.den);
    const UprightTurn turn = uprightTurn(clip.source.rotation);
    const PictureFit fit = turn.sideways ? fitPicture(frame.height, frame.width, av_inv_q(sourceAspect), target.width,
                                                      target.height, target.sampleAspect)
                                         : fitPicture(frame.width, frame.height, sourceAspect, target.width,
                                                      target.height, target.sampleAspect);
    std::string filters = turn.filters + fmt::format("scale={}:{}", fit.width, fit.height);
    if (fit.width != target.width || fit.height != target.height)
      filters += fmt::format(",pad={}:{}:{}:{}:black", target.width, target.height, fit.x, fit.y);
    filters += fmt::format(",setsar={}/{},fps=fps={}/{}:start_time={},format=pix_fmts={}", target.sampleAspect.num,
                           target.sampleAspect.den, target.frameRate.num, target.frameRate.den, startsAt,
                           av_get_pix_fmt_name(target.pixelFormat));
    return std::make_unique<FilterChain>(type_, source, filters);
  }

  const AudioTarget& target = *audioTarget_;
  char sourceLayout[128] = {};
  AVChannelLayout layout{};
  if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) av_channel_layout_default(&layout, frame.ch_layout.nb_channels);
  else av_channel_layout_copy(&layout, &frame.ch_layout);
  av_channel_layout_describe(&layout, sourceLayout, sizeof sourceLayout);
  av_channel_layout_uninit(&layout);
  AVChannelLayout targetLayout{};
  char outputLayout[128] = {};
  av_channel_layout_default(&targetLayout, target.channels);
  av_channel_layout_describe(&targetLayout, outputLayout, sizeof outputLayout);

  const std::string source =
      fmt::format("time_base={}/{}:sample_rate={}:sample_fmt={}:channel_layout={}", timeBase.num, timeBase.den,
                  frame.sample_rate, av_get_sample_fmt_name(AVSampleFormat(frame.format)), sourceLayout);
  const std::string filters =
      fmt::format("atrim=start={}:end={},aformat=sample_fmts={}:sample_rates={}:channel_layouts={}", startsAt, endsAt,
                  av_get_sample_fmt_name(target.sampleFormat), target.sampleRate, outputLayout);
  return std::make_unique<FilterChain>(type_, source, filters);
}

}  // namespace converter
