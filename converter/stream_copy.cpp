#include "converter/stream_copy.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "converter/conversion_error.h"
#include "converter/media_file.h"
#include "converter/messages.h"

namespace converter {

StreamCopy::StreamCopy(AVFormatContext& output, AVMediaType type, std::vector<TimelineClip> clips)
    : output_(output), type_(type), clips_(std::move(clips)) {
  openClip();
  const std::string what = std::string(converter_messages::CannotCopy) + " '" + clips_.front().path + "'";
  stream_ = avformat_new_stream(&output_, nullptr);
  if (!stream_) check(AVERROR(ENOMEM), what);
  check(avcodec_parameters_copy(stream_->codecpar, source_->codecpar), what);
  // The container names the codec its own way; raw pictures alone are
  // named by their pixel layout, which only the source's tag tells.
  if (stream_->codecpar->codec_id != AV_CODEC_ID_RAWVIDEO) stream_->codecpar->codec_tag = 0;
  stream_->time_base = source_->time_base;
  stream_->sample_aspect_ratio = source_->sample_aspect_ratio;
  stream_->avg_frame_rate = source_->avg_frame_rate;
  // Side data such as the display rotation stays with the pictures.
  for (int i = 0; i < source_->nb_side_data; ++i) {
    const AVPacketSideData& data = source_->side_data[i];
    uint8_t* copy = av_stream_new_side_data(stream_, data.type, data.size);
    if (!copy) check(AVERROR(ENOMEM), what);
    std::memcpy(copy, data.data, data.size);
  }
}

void StreamCopy::openClip() {
  const TimelineClip& clip = clips_[nextClip_];
  file_ = openMediaFile(clip.path);
  const int index = type_ == AVMEDIA_TYPE_VIDEO ? findVideoStream(*file_, clip.streamNumber) : findAudioStream(*file_);
  if (index < 0) fail(std::string(converter_messages::NoSuchStream) + " '" + clip.path + "'");
  for (unsigned i = 0; i < file_->nb_streams; ++i)
    file_->streams[i]->discard = int(i) == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
  source_ = file_->streams[index];
  if (clip.start > 0.0) {
    if (av_seek_frame(file_.get(), index, streamTimestamp(*file_, *source_, clip.start), AVSEEK_FLAG_BACKWARD) < 0)
      av_seek_frame(file_.get(), index, 0, AVSEEK_FLAG_BACKWARD);
  }
  // fileSeconds(t) - start + offset, as a timestamp: t + shift.
  shift_ =
      std::llround((clipOffset_ - clip.start) / av_q2d(source_->time_base)) - streamTimestamp(*file_, *source_, 0.0);
  keyFrameSeen_ = type_ != AVMEDIA_TYPE_VIDEO;
}

bool StreamCopy::step() {
  if (finished_) return false;
  if (!file_) {
    if (nextClip_ == clips_.size()) {
      finished_ = true;
      return false;
    }
    openClip();
  }
  if (!copyPacket()) {
    clipOffset_ += clips_[nextClip_].length();
    ++nextClip_;
    file_.reset();
  }
  return true;
}

// The next packet of the clip's span goes out; false at the span's end.
bool StreamCopy::copyPacket() {
  const TimelineClip& clip = clips_[nextClip_];
  while (true) {
    const int result = av_read_frame(file_.get(), packet_.get());
    if (result == AVERROR(ENOMEM)) check(result, converter_messages::CannotDecode);
    // The end of the file, or where a cut-off file stops making sense.
    if (result < 0) return false;
    const int64_t timestamp = packet_->dts != AV_NOPTS_VALUE ? packet_->dts : packet_->pts;
    const bool wanted = packet_->stream_index == source_->index && timestamp != AV_NOPTS_VALUE;
    if (!wanted) {
      av_packet_unref(packet_.get());
      continue;
    }
    const double seconds = fileSeconds(*file_, *source_, timestamp);
    if (seconds >= clip.end) {
      av_packet_unref(packet_.get());
      return false;
    }
    const double ends = seconds + packet_->duration * av_q2d(source_->time_base);
    // Video starts at a key frame; sound that ends before a span cut from
    // within the file is left out. A span from the file's start keeps what
    // comes before time 0: an encoder's priming packet, which an edit list
    // hides from playing.
    keyFrameSeen_ = keyFrameSeen_ || (packet_->flags & AV_PKT_FLAG_KEY);
    if (!keyFrameSeen_ || (type_ == AVMEDIA_TYPE_AUDIO && clip.start > 0.0 && ends <= clip.start)) {
      av_packet_unref(packet_.get());
      continue;
    }
    position_ = std::max(position_, std::min(ends, clip.end) - clip.start + clipOffset_);
    write();
    return true;
  }
}

void StreamCopy::write() {
  if (packet_->pts != AV_NOPTS_VALUE) packet_->pts += shift_;
  if (packet_->dts != AV_NOPTS_VALUE) packet_->dts += shift_;
  av_packet_rescale_ts(packet_.get(), source_->time_base, stream_->time_base);
  // Where two clips meet, the later one's first packets may reach back.
  if (packet_->dts != AV_NOPTS_VALUE) {
    if (lastTimestamp_ != AV_NOPTS_VALUE && packet_->dts <= lastTimestamp_) {
      packet_->dts = lastTimestamp_ + 1;
      if (packet_->pts != AV_NOPTS_VALUE) packet_->pts = std::max(packet_->pts, packet_->dts);
    }
    lastTimestamp_ = packet_->dts;
  }
  packet_->stream_index = stream_->index;
  packet_->pos = -1;
  check(av_interleaved_write_frame(&output_, packet_.get()), converter_messages::CannotWriteOutput);
}

}  // namespace converter
