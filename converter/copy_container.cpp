#include "converter/copy_container.h"

#include <algorithm>
#include <initializer_list>

#include <fmt/format.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include "converter/messages.h"

namespace converter {
namespace {

struct Family {
  std::initializer_list<AVCodecID> video;
  std::initializer_list<AVCodecID> audio;
  CopyContainer container;
};

const Family Families[] = {
    {{AV_CODEC_ID_H264}, {AV_CODEC_ID_AAC}, {"mp4", "movflags=+faststart", "mp4", ""}},
    {{AV_CODEC_ID_VP8, AV_CODEC_ID_VP9}, {AV_CODEC_ID_OPUS, AV_CODEC_ID_VORBIS}, {"webm", "", "webm", ""}},
    {{AV_CODEC_ID_FLV1}, {AV_CODEC_ID_MP3}, {"flv", "", "flv", ""}},
};
const CopyContainer AnythingElse{"matroska", "", "mkv", ""};

// The codec of a track, AV_CODEC_ID_NONE for an empty one.
AVCodecID codecOf(const std::vector<TimelineClip>& clips, AVMediaType type) {
  if (clips.empty()) return AV_CODEC_ID_NONE;
  return type == AVMEDIA_TYPE_VIDEO ? clips.front().source.videoCodec : clips.front().source.audioCodec;
}

bool among(AVCodecID codec, std::initializer_list<AVCodecID> codecs) {
  return codec == AV_CODEC_ID_NONE || std::find(codecs.begin(), codecs.end(), codec) != codecs.end();
}

bool alike(const MediaInfo& a, const MediaInfo& b, AVMediaType type) {
  if (type == AVMEDIA_TYPE_VIDEO)
    return a.videoCodec == b.videoCodec && a.width == b.width && a.height == b.height && a.rotation == b.rotation;
  return a.audioCodec == b.audioCodec && a.sampleRate == b.sampleRate && a.channels == b.channels;
}

std::string streamName(const TimelineClip& clip, AVMediaType type) {
  const AVCodecID codec = type == AVMEDIA_TYPE_VIDEO ? clip.source.videoCodec : clip.source.audioCodec;
  return fmt::format("the {} stream ({}) of '{}'", type == AVMEDIA_TYPE_VIDEO ? "video" : "audio",
                     avcodec_get_name(codec), clip.path);
}

// Why the track cannot be copied into the container, or empty.
std::string misfitOf(const std::vector<TimelineClip>& clips, AVMediaType type, const CopyContainer& container) {
  if (clips.empty()) return "";
  const AVCodecID codec = codecOf(clips, type);
  if (avformat_query_codec(av_guess_format(container.muxer.c_str(), nullptr, nullptr), codec, FF_COMPLIANCE_NORMAL) !=
      1)
    return fmt::format("{} {} does not fit a .{} file", converter_messages::StreamDoesNotFit,
                       streamName(clips.front(), type), container.extension);
  // One output stream takes only packets of one format.
  for (const TimelineClip& clip : clips)
    if (!alike(clip.source, clips.front().source, type))
      return fmt::format("{} {} differs from {} before it", converter_messages::StreamDoesNotFit,
                         streamName(clip, type), streamName(clips.front(), type));
  return "";
}

}  // namespace

CopyContainer containerForCopies(const std::vector<TimelineClip>& videoClips,
                                 const std::vector<TimelineClip>& audioClips) {
  const AVCodecID video = codecOf(videoClips, AVMEDIA_TYPE_VIDEO);
  const AVCodecID audio = codecOf(audioClips, AVMEDIA_TYPE_AUDIO);
  CopyContainer chosen = AnythingElse;
  for (const Family& family : Families) {
    if (among(video, family.video) && among(audio, family.audio)) {
      chosen = family.container;
      break;
    }
  }
  std::string misfit = misfitOf(videoClips, AVMEDIA_TYPE_VIDEO, chosen);
  if (misfit.empty()) misfit = misfitOf(audioClips, AVMEDIA_TYPE_AUDIO, chosen);
  if (!misfit.empty()) return CopyContainer{"", "", "", misfit};
  return chosen;
}

}  // namespace converter
