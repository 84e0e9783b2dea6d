// One track of the timeline (all video clips, or all audio clips) on its way
// to its encoder: each clip is decoded, placed at its timeline time and
// brought by a filter chain to the output's size, rate and sample format.
#pragma once

#include <memory>
#include <vector>

#include "converter/clip_reader.h"
#include "converter/filter_chain.h"
#include "converter/output_plan.h"
#include "converter/timeline_clip.h"
#include "converter/timeline_track.h"
#include "converter/track_encoder.h"

namespace converter {

// The frame properties a filter chain is built for; a frame of another shape
// (a source that changes size mid-stream) needs a new chain.
struct FrameShape {
  int format = -1;
  int width = 0;
  int height = 0;
  AVRational sampleAspect{0, 1};
  int sampleRate = 0;
  int channels = 0;
  uint64_t channelMask = 0;

  static FrameShape of(const AVFrame& frame);
  bool operator==(const FrameShape& other) const;
};

class Track : public TimelineTrack {
public:
  Track(std::vector<TimelineClip> clips, const VideoTarget& target, TrackEncoder& encoder);
  // Audio past the clips, up to silenceUntil (timeline seconds), is silence.
  Track(std::vector<TimelineClip> clips, const AudioTarget& target, TrackEncoder& encoder, double silenceUntil);

  bool step() override;
  bool finished() const override { return finished_; }
  double position() const override { return encoder_.position(); }

private:
  void startClip();
  void endClip();
  void filter(AVFrame* frame);
  std::unique_ptr<FilterChain> chainFor(const AVFrame& frame, double startsAt) const;
  void closeChain(double endsAt);
  void drainChain();
  int64_t chainTimestamp(double timelineSeconds) const;

  const AVMediaType type_;
  const std::vector<TimelineClip> clips_;
  const VideoTarget* videoTarget_ = nullptr;
  const AudioTarget* audioTarget_ = nullptr;
  TrackEncoder& encoder_;
  const double silenceUntil_ = 0.0;

  size_t nextClip_ = 0;
  double clipOffset_ = 0.0;  // timeline time where the current clip starts
  std::unique_ptr<ClipReader> reader_;
  std::unique_ptr<FilterChain> chain_;
  FrameShape chainShape_;  // what the chain was built for
  AVRational chainTimeBase_{1, 1};
  Frame decoded_ = allocateFrame();
  Frame filtered_ = allocateFrame();
  bool finished_ = false;
};

}  // namespace converter
