#include "converter/track_encoder.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

#include "converter/conversion_error.h"
#include "converter/messages.h"

namespace converter {

TrackEncoder::TrackEncoder(AVFormatContext& output, const VideoTarget& target) : output_(output) {
  encoder_.reset(avcodec_alloc_context3(target.encoder));
  if (!encoder_) check(AVERROR(ENOMEM), converter_messages::CannotOpenEncoder);
  encoder_->width = target.width;
  encoder_->height = target.height;
  encoder_->pix_fmt = target.pixelFormat;
  encoder_->sample_aspect_ratio = target.sampleAspect;
  encoder_->framerate = target.frameRate;
  encoder_->time_base = av_inv_q(target.frameRate);
  if (target.quality > 0) {
    encoder_->flags |= AV_CODEC_FLAG_QSCALE;
    encoder_->global_quality = FF_QP2LAMBDA * target.quality;
  }
  open(*target.encoder, target.options);
  stream_->avg_frame_rate = target.frameRate;
  stream_->sample_aspect_ratio = target.sampleAspect;
}

TrackEncoder::TrackEncoder(AVFormatContext& output, const AudioTarget& target) : output_(output) {
  encoder_.reset(avcodec_alloc_context3(target.encoder));
  if (!encoder_) check(AVERROR(ENOMEM), converter_messages::CannotOpenEncoder);
  encoder_->sample_rate = target.sampleRate;
  encoder_->sample_fmt = target.sampleFormat;
  av_channel_layout_default(&encoder_->ch_layout, target.channels);
  encoder_->time_base = AVRational{1, target.sampleRate};
  open(*target.encoder, target.options);
  if (encoder_->frame_size > 0 && !(target.encoder->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE)) {
    samples_.reset(av_audio_fifo_alloc(encoder_->sample_fmt, target.channels, encoder_->frame_size));
    if (!samples_) check(AVERROR(ENOMEM), converter_messages::CannotOpenEncoder);
  }
}

void TrackEncoder::open(const AVCodec& encoder, const std::string& options) {
  const std::string what = std::string(converter_messages::CannotOpenEncoder) + " '" + encoder.name + "'";
  if (output_.oformat->flags & AVFMT_GLOBALHEADER) encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  OptionList settings(options.c_str());
  settings.set("threads", "auto");
  check(avcodec_open2(encoder_.get(), &encoder, settings.address()), what);
  if (const std::string unknown = settings.firstLeftOver(); !unknown.empty())
    fail(std::string(converter_messages::UnknownEncoderOption) + " '" + unknown + "' (" + encoder.name + ")");

  stream_ = avformat_new_stream(&output_, nullptr);
  if (!stream_) check(AVERROR(ENOMEM), what);
  stream_->time_base = encoder_->time_base;
  check(avcodec_parameters_from_context(stream_->codecpar, encoder_.get()), what);
}

void TrackEncoder::encode(AVFrame* frame, AVRational frameTimeBase) {
  if (encoder_->codec_type == AVMEDIA_TYPE_AUDIO) {
    encodeAudio(frame);
    return;
  }
  const int64_t timestamp = av_rescale_q(frame->pts, frameTimeBase, encoder_->time_base);
  // Where two clips meet, a frame may land on a time already written.
  if (lastVideoTimestamp_ != AV_NOPTS_VALUE && timestamp <= lastVideoTimestamp_) {
    av_frame_unref(frame);
    return;
  }
  lastVideoTimestamp_ = timestamp;
  frame->pts = timestamp;
  frame->pict_type = AV_PICTURE_TYPE_NONE;
  // A fixed quantiser is read from each frame; without it the encoder falls
  // back to its finest one.
  frame->quality = encoder_->global_quality;
  send(frame);
  av_frame_unref(frame);
}

void TrackEncoder::padAudioTo(double seconds) {
  constexpr int64_t SilenceFrameSamples = 4096;
  int64_t missing = std::llround(seconds * encoder_->sample_rate) - samplesTaken_;
  while (missing > 0) {
    Frame silence = allocateFrame();
    silence->nb_samples = int(std::min(missing, SilenceFrameSamples));
    silence->format = encoder_->sample_fmt;
    silence->sample_rate = encoder_->sample_rate;
    check(av_channel_layout_copy(&silence->ch_layout, &encoder_->ch_layout), converter_messages::CannotEncode);
    check(av_frame_get_buffer(silence.get(), 0), converter_messages::CannotEncode);
    av_samples_set_silence(silence->extended_data, 0, silence->nb_samples, encoder_->ch_layout.nb_channels,
                           encoder_->sample_fmt);
    missing -= silence->nb_samples;
    encodeAudio(silence.get());
  }
}

void TrackEncoder::encodeAudio(AVFrame* frame) {
  samplesTaken_ += frame->nb_samples;
  if (!samples_) {
    frame->pts = samplesSent_;
    samplesSent_ += frame->nb_samples;
    send(frame);
    av_frame_unref(frame);
    return;
  }
  const int written =
      av_audio_fifo_write(samples_.get(), reinterpret_cast<void**>(frame->extended_data), frame->nb_samples);
  av_frame_unref(frame);
  check(written, converter_messages::CannotEncode);
  while (av_audio_fifo_size(samples_.get()) >= encoder_->frame_size) sendAudioFrame(encoder_->frame_size);
}

void TrackEncoder::sendAudioFrame(int samples) {
  Frame chunk = allocateFrame();
  chunk->nb_samples = encoder_->frame_size;
  chunk->format = encoder_->sample_fmt;
  chunk->sample_rate = encoder_->sample_rate;
  check(av_channel_layout_copy(&chunk->ch_layout, &encoder_->ch_layout), converter_messages::CannotEncode);
  check(av_frame_get_buffer(chunk.get(), 0), converter_messages::CannotEncode);
  check(av_audio_fifo_read(samples_.get(), reinterpret_cast<void**>(chunk->extended_data), samples),
        converter_messages::CannotEncode);
  if (samples < encoder_->frame_size) {
    if (encoder_->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) {
      chunk->nb_samples = samples;
    } else {
      av_samples_set_silence(chunk->extended_data, samples, encoder_->frame_size - samples,
                             encoder_->ch_layout.nb_channels, encoder_->sample_fmt);
    }
  }
  chunk->pts = samplesSent_;
  samplesSent_ += chunk->nb_samples;
  send(chunk.get());
}

void TrackEncoder::finish() {
  if (samples_ && av_audio_fifo_size(samples_.get()) > 0) sendAudioFrame(av_audio_fifo_size(samples_.get()));
  send(nullptr);
}

void TrackEncoder::send(AVFrame* frame) {
  check(avcodec_send_frame(encoder_.get(), frame),
        std::string(converter_messages::CannotEncode) + " (" + encoder_->codec->name + ")");
  while (true) {
    const int result = avcodec_receive_packet(encoder_.get(), packet_.get());
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
    check(result, std::string(converter_messages::CannotEncode) + " (" + encoder_->codec->name + ")");
    av_packet_rescale_ts(packet_.get(), encoder_->time_base, stream_->time_base);
    packet_->stream_index = stream_->index;
    check(av_interleaved_write_frame(&output_, packet_.get()), converter_messages::CannotWriteOutput);
  }
}

double TrackEncoder::position() const {
  if (encoder_->codec_type == AVMEDIA_TYPE_AUDIO) return samplesTaken_ / double(encoder_->sample_rate);
  if (lastVideoTimestamp_ == AV_NOPTS_VALUE) return 0.0;
  return (lastVideoTimestamp_ + 1) * av_q2d(encoder_->time_base);
}

}  // namespace converter
