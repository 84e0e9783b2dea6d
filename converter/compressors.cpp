#include "converter/compressors.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace converter {
namespace {

constexpr AVRational ChosenRate{0, 1};
constexpr AVRational SquarePixels{0, 1};

const CompressorEntry<VideoFormatRow> VideoCatalogue[] = {
    {"MJPEG Compressor", {"mjpeg", AV_PIX_FMT_YUVJ420P, 0, 0, ChosenRate, SquarePixels, 2, 3, ""}},
    {"MPEG-4 Video Compressor", {"mpeg4", AV_PIX_FMT_YUV420P, 0, 0, ChosenRate, SquarePixels, 2, 4, ""}},
    {"H.264 Video Compressor", {"libx264", AV_PIX_FMT_YUV420P, 0, 0, ChosenRate, SquarePixels, 2, 0, ""}},
    {"MPEG-1 Video Compressor",
     {"mpeg1video", AV_PIX_FMT_YUV420P, 0, 0, ChosenRate, SquarePixels, 2, 4, "", MpegOneFrameRates}},
    {"MPEG-2 Video Compressor", {"mpeg2video", AV_PIX_FMT_YUV420P, 0, 0, ChosenRate, SquarePixels, 2, 4, ""}},
    {"WMV 7 Compressor", {"wmv1", AV_PIX_FMT_YUV420P, 0, 0, ChosenRate, SquarePixels, 2, 4, ""}},
    {"WMV 8 Compressor", {"wmv2", AV_PIX_FMT_YUV420P, 0, 0, ChosenRate, SquarePixels, 2, 4, ""}},
    {"Huffyuv Lossless Compressor", {"huffyuv", AV_PIX_FMT_YUV422P, 0, 0, ChosenRate, SquarePixels, 2, 0, ""}},
    {"FFV1 Lossless Compressor", {"ffv1", AV_PIX_FMT_YUV420P, 0, 0, ChosenRate, SquarePixels, 2, 0, ""}},
    // Uncompressed frames take their depth from the video sample size.
    {"Full Frames (Uncompressed)", {"rawvideo", AV_PIX_FMT_NONE, 0, 0, ChosenRate, SquarePixels, 2, 0, ""}},
};

const CompressorEntry<AudioFormatRow> AudioCatalogue[] = {
    {"PCM", {"pcm_s16le", 0, 2, ""}},
    {"PCM A-Law", {"pcm_alaw", 0, 2, ""}},
    {"PCM u-Law", {"pcm_mulaw", 0, 2, ""}},
    {"IMA ADPCM", {"adpcm_ima_wav", 0, 2, ""}},
    {"MPEG Layer-2", {"mp2", 0, 2, "b=192000", MpegOneSampleRates}},
    {"MPEG Layer-3", {"libmp3lame", 0, 2, "b=128000"}},
    {"AC-3", {"ac3", 0, 2, "b=192000"}},
    {"WMA 2", {"wmav2", 0, 2, "b=128000", WmaSampleRates}},
};

bool aviCarries(const char* encoderName) {
  const AVCodec* encoder = avcodec_find_encoder_by_name(encoderName);
  return encoder &&
         avformat_query_codec(av_guess_format("avi", nullptr, nullptr), encoder->id, FF_COMPLIANCE_NORMAL) == 1;
}

template <class Format, size_t Size>
std::vector<const CompressorEntry<Format>*> availableOf(const CompressorEntry<Format> (&catalogue)[Size]) {
  std::vector<const CompressorEntry<Format>*> available;
  for (const auto& entry : catalogue)
    if (aviCarries(entry.format.encoder)) available.push_back(&entry);
  return available;
}

}  // namespace

template <>
TCompressors<VideoFormatRow>::TCompressors() : available_(availableOf(VideoCatalogue)) {}
template <>
TCompressors<AudioFormatRow>::TCompressors() : available_(availableOf(AudioCatalogue)) {}

template <class Format>
std::string TCompressors<Format>::CompressorName(int16_t index) const {
  const Format* found = format(index);
  return found ? available_[index]->name : "";
}

template <class Format>
const Format* TCompressors<Format>::format(int16_t index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return &available_[index]->format;
}

template class TCompressors<VideoFormatRow>;
template class TCompressors<AudioFormatRow>;

}  // namespace converter
