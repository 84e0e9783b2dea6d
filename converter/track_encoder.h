// The encoder of one output stream and its way into the multiplexer. Audio is
// placed by sample count and cut into the frame size the encoder needs,
// whatever sizes arrive, so clips of any source join without gaps.
#pragma once

#include "converter/av_handles.h"
#include "converter/output_plan.h"

namespace converter {

class TrackEncoder {
public:
  TrackEncoder(AVFormatContext& output, const VideoTarget& target);
  TrackEncoder(AVFormatContext& output, const AudioTarget& target);

  // Encodes the frame (its content is taken) and writes what comes out.
  // Video timestamps are in frameTimeBase; audio is placed by sample count.
  void encode(AVFrame* frame, AVRational frameTimeBase);
  // Fills audio with silence up to the timeline time, where a source leaves
  // a gap or stops short of its clip's end.
  void padAudioTo(double seconds);
  // Flushes the encoder; nothing may be encoded after this.
  void finish();

  // Seconds of output taken so far.
  double position() const;

private:
  void open(const AVCodec& encoder, const std::string& options);
  void encodeAudio(AVFrame* frame);
  void sendAudioFrame(int samples);
  void send(AVFrame* frame);

  AVFormatContext& output_;
  CodecContext encoder_;
  AVStream* stream_ = nullptr;
  Packet packet_ = allocatePacket();
  AudioFifo samples_;  // only for audio encoders with a fixed frame size
  int64_t lastVideoTimestamp_ = AV_NOPTS_VALUE;
  int64_t samplesSent_ = 0;   // handed to the encoder
  int64_t samplesTaken_ = 0;  // handed to this track, including those still queued
};

}  // namespace converter
