#include "converter/media_file.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "converter/conversion_error.h"
#include "converter/display_rotation.h"
#include "converter/messages.h"
#include "converter/plain_file.h"

namespace converter {
namespace {

bool decodable(const AVStream& stream) {
  return stream.codecpar->codec_id != AV_CODEC_ID_NONE && avcodec_find_decoder(stream.codecpar->codec_id) != nullptr;
}

double fileStart(const AVFormatContext& file) {
  return file.start_time == AV_NOPTS_VALUE ? 0.0 : file.start_time / double(AV_TIME_BASE);
}

// Reads every packet of the two streams; the end of the latest one is where
// playing stops.
double measureDuration(AVFormatContext& file, int videoIndex, int audioIndex) {
  for (unsigned i = 0; i < file.nb_streams; ++i) {
    const bool wanted = int(i) == videoIndex || int(i) == audioIndex;
    file.streams[i]->discard = wanted ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
  }
  Packet packet = allocatePacket();
  double end = 0.0;
  while (av_read_frame(&file, packet.get()) >= 0) {
    const AVStream& stream = *file.streams[packet->stream_index];
    const int64_t timestamp = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if ((int(packet->stream_index) == videoIndex || int(packet->stream_index) == audioIndex) &&
        timestamp != AV_NOPTS_VALUE) {
      double length = packet->duration * av_q2d(stream.time_base);
      if (length <= 0.0 && stream.codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
        const AVRational rate = av_guess_frame_rate(&file, file.streams[packet->stream_index], nullptr);
        if (rate.num > 0) length = av_q2d(av_inv_q(rate));
      }
      end = std::max(end, fileSeconds(file, stream, timestamp) + length);
    }
    av_packet_unref(packet.get());
  }
  return end;
}

// Playlists and session descriptions: a demuxer for one of them reads the
// files or addresses it names, so a server could put any local file of its
// choosing into the output by sending one in place of a video.
bool namesOtherFiles(const AVInputFormat& format) {
  static constexpr std::array<std::string_view, 5> Playlists = {"concat", "dash", "hls", "imf", "sdp"};
  return std::find(Playlists.begin(), Playlists.end(), std::string_view(format.name)) != Playlists.end();
}

}  // namespace

InputContext openMediaFile(const std::string& path) {
  const std::string cannotOpen = std::string(converter_messages::CannotOpenInput) + " '" + path + "'";
  const AVInputFormat* format = nullptr;
  {
    IOContext probed = openPlainFile(path, AVIO_FLAG_READ, cannotOpen);
    check(av_probe_input_buffer2(probed.get(), &format, plainFileUrl(path).c_str(), nullptr, 0, 0), cannotOpen);
  }
  if (namesOtherFiles(*format))
    fail(std::string(converter_messages::PlaylistRefused) + " '" + path + "' (" + format->name + ")");
  // Opened with the demuxer just checked; a demuxer it might start on its
  // own must be that one again, and read local files only.
  OptionList options;
  options.set("protocol_whitelist", PlainFileProtocols);
  options.set("format_whitelist", format->name);
  AVFormatContext* opened = nullptr;
  check(avformat_open_input(&opened, plainFileUrl(path).c_str(), format, options.address()), cannotOpen);
  InputContext file(opened);
  check(avformat_find_stream_info(file.get(), nullptr),
        std::string(converter_messages::CannotReadStreams) + " '" + path + "'");
  return file;
}

int findVideoStream(const AVFormatContext& file, int videoStreamNumber) {
  int seen = 0;
  for (unsigned i = 0; i < file.nb_streams; ++i) {
    const AVStream& stream = *file.streams[i];
    if (stream.codecpar->codec_type != AVMEDIA_TYPE_VIDEO || !decodable(stream)) continue;
    if (stream.disposition & AV_DISPOSITION_ATTACHED_PIC) continue;  // cover art, not video
    if (stream.codecpar->width <= 0 || stream.codecpar->height <= 0) continue;
    if (seen++ == videoStreamNumber) return int(i);
  }
  return -1;
}

int findAudioStream(const AVFormatContext& file) {
  const int best = av_find_best_stream(const_cast<AVFormatContext*>(&file), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (best < 0 || !decodable(*file.streams[best])) return -1;
  return file.streams[best]->codecpar->sample_rate > 0 ? best : -1;
}

double fileSeconds(const AVFormatContext& file, const AVStream& stream, int64_t timestamp) {
  return timestamp * av_q2d(stream.time_base) - fileStart(file);
}

int64_t streamTimestamp(const AVFormatContext& file, const AVStream& stream, double seconds) {
  return std::llround((seconds + fileStart(file)) / av_q2d(stream.time_base));
}

MediaInfo probeMedia(const std::string& path, int videoStreamNumber) {
  InputContext file = openMediaFile(path);
  MediaInfo info;
  const int videoIndex = findVideoStream(*file, videoStreamNumber);
  const int audioIndex = findAudioStream(*file);
  if (videoIndex >= 0) {
    AVStream* stream = file->streams[videoIndex];
    info.hasVideo = true;
    info.width = stream->codecpar->width;
    info.height = stream->codecpar->height;
    info.sampleAspect = av_guess_sample_aspect_ratio(file.get(), stream, nullptr);
    info.frameRate = av_guess_frame_rate(file.get(), stream, nullptr);
    info.rotation = displayRotation(*stream);
    info.videoCodec = stream->codecpar->codec_id;
    if (uprightTurn(info.rotation).sideways) {
      std::swap(info.width, info.height);
      if (info.sampleAspect.num > 0) info.sampleAspect = av_inv_q(info.sampleAspect);
    }
  }
  if (audioIndex >= 0) {
    const AVCodecParameters& audio = *file->streams[audioIndex]->codecpar;
    info.hasAudio = true;
    info.sampleRate = audio.sample_rate;
    info.channels = audio.ch_layout.nb_channels;
    info.audioCodec = audio.codec_id;
    info.sampleFormat = AVSampleFormat(audio.format);
  }
  if (!info.hasVideo && !info.hasAudio) fail(std::string(converter_messages::NoMediaStreams) + " '" + path + "'");
  info.streamCount = file->nb_streams;
  info.container = file->iformat->name;
  info.duration = measureDuration(*file, videoIndex, audioIndex);
  if (info.duration <= 0.0) fail(std::string(converter_messages::NothingToPlay) + " '" + path + "'");
  return info;
}

}  // namespace converter
