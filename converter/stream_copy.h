// A track whose packets go into the output as they are, without decoding:
// each clip's packets from the key frame at or before its start to its end,
// placed at the clip's timeline time.
#pragma once

#include <vector>

#include "converter/av_handles.h"
#include "converter/timeline_clip.h"
#include "converter/timeline_track.h"

namespace converter {

class StreamCopy : public TimelineTrack {
public:
  // Adds the output stream in the format of the first clip's stream.
  StreamCopy(AVFormatContext& output, AVMediaType type, std::vector<TimelineClip> clips);

  bool step() override;
  bool finished() const override { return finished_; }
  double position() const override { return position_; }

private:
  void openClip();
  bool copyPacket();
  void write();

  AVFormatContext& output_;
  const AVMediaType type_;
  const std::vector<TimelineClip> clips_;
  AVStream* stream_ = nullptr;

  size_t nextClip_ = 0;
  double clipOffset_ = 0.0;  // timeline time where the current clip starts
  InputContext file_;
  AVStream* source_ = nullptr;
  int64_t shift_ = 0;  // from the clip's timestamps to the timeline's, in its time base
  bool keyFrameSeen_ = false;
  Packet packet_ = allocatePacket();
  int64_t lastTimestamp_ = AV_NOPTS_VALUE;  // decoding time of the last packet written
  double position_ = 0.0;
  bool finished_ = false;
};

}  // namespace converter
