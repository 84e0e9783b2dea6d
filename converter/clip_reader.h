// Decoded frames of one stream of a file, limited to a clip's span. Damaged
// packets, such as the cut-off end of a stopped download, are skipped, so
// whatever can be decoded comes out.
#pragma once

#include <string>

#include "converter/av_handles.h"

namespace converter {

class ClipReader {
public:
  // streamNumber picks among the file's video streams (0 = the first); audio
  // takes the file's main audio stream. start and end are file seconds.
  ClipReader(const std::string& path, AVMediaType type, int streamNumber, double start, double end);

  // The next frame that overlaps the span, or false once the span or the
  // file has ended.
  bool read(AVFrame* frame);

  // Where the frame starts and how long it lasts, in file seconds.
  double secondsOf(const AVFrame& frame) const;
  double lengthOf(const AVFrame& frame) const;

  AVRational timeBase() const { return stream_->time_base; }

private:
  bool receiveFrame(AVFrame* frame);
  void feedDecoder();

  InputContext file_;
  AVStream* stream_ = nullptr;
  CodecContext decoder_;
  Packet packet_ = allocatePacket();
  double start_;
  double end_;
  AVRational frameRate_{0, 1};
  bool inputEnded_ = false;
  bool spanEnded_ = false;
};

}  // namespace converter
