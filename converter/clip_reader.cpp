#include "converter/clip_reader.h"

#include "converter/conversion_error.h"
#include "converter/media_file.h"
#include "converter/messages.h"

namespace converter {

ClipReader::ClipReader(const std::string& path, AVMediaType type, int streamNumber, double start, double end)
    : file_(openMediaFile(path)), start_(start), end_(end) {
  const int index = type == AVMEDIA_TYPE_VIDEO ? findVideoStream(*file_, streamNumber) : findAudioStream(*file_);
  if (index < 0) fail(std::string(converter_messages::NoSuchStream) + " '" + path + "'");
  for (unsigned i = 0; i < file_->nb_streams; ++i)
    file_->streams[i]->discard = int(i) == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
  stream_ = file_->streams[index];
  frameRate_ = av_guess_frame_rate(file_.get(), stream_, nullptr);

  const AVCodec* codec = avcodec_find_decoder(stream_->codecpar->codec_id);
  decoder_.reset(avcodec_alloc_context3(codec));
  if (!decoder_) check(AVERROR(ENOMEM), converter_messages::CannotOpenDecoder);
  check(avcodec_parameters_to_context(decoder_.get(), stream_->codecpar), converter_messages::CannotOpenDecoder);
  decoder_->pkt_timebase = stream_->time_base;
  OptionList options("threads=auto");
  check(avcodec_open2(decoder_.get(), codec, options.address()), converter_messages::CannotOpenDecoder);

  if (start_ > 0.0) {
    const int64_t target = streamTimestamp(*file_, *stream_, start_);
    // Landing before the span is fine: frames before it are skipped below.
    if (av_seek_frame(file_.get(), index, target, AVSEEK_FLAG_BACKWARD) < 0)
      av_seek_frame(file_.get(), index, 0, AVSEEK_FLAG_BACKWARD);
  }
}

double ClipReader::secondsOf(const AVFrame& frame) const {
  return fileSeconds(*file_, *stream_, frame.best_effort_timestamp);
}

double ClipReader::lengthOf(const AVFrame& frame) const {
  if (stream_->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) return frame.nb_samples / double(frame.sample_rate);
  if (frame.pkt_duration > 0) return frame.pkt_duration * av_q2d(stream_->time_base);
  return frameRate_.num > 0 ? av_q2d(av_inv_q(frameRate_)) : 0.0;
}

bool ClipReader::read(AVFrame* frame) {
  while (!spanEnded_) {
    if (receiveFrame(frame)) {
      if (frame->best_effort_timestamp == AV_NOPTS_VALUE) {
        av_frame_unref(frame);  // a frame that cannot be placed in time
        continue;
      }
      const double begins = secondsOf(*frame);
      if (begins >= end_) break;
      if (begins + lengthOf(*frame) <= start_) {
        av_frame_unref(frame);
        continue;
      }
      return true;
    }
    if (spanEnded_) break;
    feedDecoder();
  }
  spanEnded_ = true;
  return false;
}

bool ClipReader::receiveFrame(AVFrame* frame) {
  const int result = avcodec_receive_frame(decoder_.get(), frame);
  if (result == 0) return true;
  if (result == AVERROR_EOF) spanEnded_ = true;
  else if (result == AVERROR(ENOMEM)) check(result, converter_messages::CannotDecode);
  // Any other failure spoils one frame of a damaged file; decoding goes on.
  return false;
}

void ClipReader::feedDecoder() {
  if (inputEnded_) {
    spanEnded_ = true;  // drained and still nothing
    return;
  }
  const int result = av_read_frame(file_.get(), packet_.get());
  if (result < 0) {
    // The end of the file, or the point where a cut-off file stops making
    // sense: either way, play out what the decoder holds.
    if (result == AVERROR(ENOMEM)) check(result, converter_messages::CannotDecode);
    inputEnded_ = true;
    avcodec_send_packet(decoder_.get(), nullptr);
    return;
  }
  if (packet_->stream_index == stream_->index) {
    const int sent = avcodec_send_packet(decoder_.get(), packet_.get());
    if (sent == AVERROR(ENOMEM)) check(sent, converter_messages::CannotDecode);
  }
  av_packet_unref(packet_.get());
}

}  // namespace converter
