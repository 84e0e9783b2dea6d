// Opening a media file for reading and finding out what it holds: its
// streams and how long it really plays. A stopped download is shorter than
// the length its header announces, so the length is measured from the
// packets that are actually there.
#pragma once

#include <string>

#include "converter/av_handles.h"

namespace converter {

struct MediaInfo {
  double duration = 0.0;  // seconds from the file's start to its last packet's end
  bool hasVideo = false;  // the chosen video stream exists and can be decoded
  bool hasAudio = false;
  int width = 0;  // of the upright picture
  int height = 0;
  AVRational sampleAspect{0, 1};
  double rotation = 0.0;  // degrees clockwise that turn the stored picture upright
  AVRational frameRate{0, 1};
  int sampleRate = 0;
  int channels = 0;
  AVSampleFormat sampleFormat = AV_SAMPLE_FMT_NONE;
  AVCodecID videoCodec = AV_CODEC_ID_NONE;
  AVCodecID audioCodec = AV_CODEC_ID_NONE;
  unsigned streamCount = 0;  // of every kind, those not used included
  std::string container{};   // the demuxer's names, comma-separated
};

// Opens the file as a plain local file and reads its stream parameters;
// throws on failure and for a playlist, whose entries are never read. Every
// media file the converter reads is opened here.
InputContext openMediaFile(const std::string& path);

// Index of the videoStreamNumber-th decodable video stream (0 = the first),
// or of the best decodable audio stream; -1 when there is none.
int findVideoStream(const AVFormatContext& file, int videoStreamNumber);
int findAudioStream(const AVFormatContext& file);

// Seconds of a timestamp of the stream, counted from the file's start, and back.
double fileSeconds(const AVFormatContext& file, const AVStream& stream, int64_t timestamp);
int64_t streamTimestamp(const AVFormatContext& file, const AVStream& stream, double seconds);

MediaInfo probeMedia(const std::string& path, int videoStreamNumber);

}  // namespace converter
