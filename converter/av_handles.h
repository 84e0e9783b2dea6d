// Owning handles for the FFmpeg objects the converter creates: each frees its
// object with the library's own release call, so every early return and every
// error path cleans up.
#pragma once

#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/frame.h>
}

namespace converter {

struct InputContextRelease {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct OutputContextRelease {
  void operator()(AVFormatContext* context) const {
    if (context->pb && !(context->oformat->flags & AVFMT_NOFILE)) avio_closep(&context->pb);
    avformat_free_context(context);
  }
};
struct IOContextRelease {
  void operator()(AVIOContext* io) const { avio_closep(&io); }
};
struct CodecContextRelease {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameRelease {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketRelease {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FilterGraphRelease {
  void operator()(AVFilterGraph* graph) const { avfilter_graph_free(&graph); }
};
struct FilterInOutRelease {
  void operator()(AVFilterInOut* inOut) const { avfilter_inout_free(&inOut); }
};
struct AudioFifoRelease {
  void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};

using InputContext = std::unique_ptr<AVFormatContext, InputContextRelease>;
using OutputContext = std::unique_ptr<AVFormatContext, OutputContextRelease>;
using IOContext = std::unique_ptr<AVIOContext, IOContextRelease>;
using CodecContext = std::unique_ptr<AVCodecContext, CodecContextRelease>;
using Frame = std::unique_ptr<AVFrame, FrameRelease>;
using Packet = std::unique_ptr<AVPacket, PacketRelease>;
using FilterGraph = std::unique_ptr<AVFilterGraph, FilterGraphRelease>;
using FilterInOut = std::unique_ptr<AVFilterInOut, FilterInOutRelease>;
using AudioFifo = std::unique_ptr<AVAudioFifo, AudioFifoRelease>;

Frame allocateFrame();
Packet allocatePacket();

// Key/value options for an encoder or a muxer; whatever the library does not
// take is left in the list, so a mistyped option is noticed.
class OptionList {
public:
  OptionList() = default;
  explicit OptionList(const char* keyValuePairs);
  OptionList(const OptionList&) = delete;
  OptionList& operator=(const OptionList&) = delete;
  ~OptionList() { av_dict_free(&entries_); }

  void set(const char* key, const std::string& value);
  AVDictionary** address() { return &entries_; }
  // The first key still in the list, or empty when the library took them all.
  std::string firstLeftOver() const;

private:
  AVDictionary* entries_ = nullptr;
};

}  // namespace converter
