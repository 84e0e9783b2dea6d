#include "converter/output_types.h"

#include "converter/output_type.h"

namespace converter {
namespace {

constexpr AVRational ChosenRate{0, 1};
constexpr AVRational SquarePixels{0, 1};
constexpr AVRational Ntsc{30000, 1001};
constexpr AVRational Pal{25, 1};
constexpr AVRational Television{4, 3};
constexpr VideoFormatRow NoVideo{nullptr, AV_PIX_FMT_NONE, 0, 0, ChosenRate, SquarePixels, 2, 0, ""};

// Disc formats follow their standards: size, rate, bit rates and the
// multiplexer's packet size and rate are fixed. The others keep the chosen
// size and rate; program streams need a bit rate to schedule their packets,
// the rest use a fixed quantiser, so quality does not depend on size.
constexpr OutputTypeRow OutputTypes[OutputTypeCount] = {
    {"VCD_NTSC",
     "vcd",
     "packetsize=2324:muxrate=1411200:preload=440000",
     {"mpeg1video", AV_PIX_FMT_YUV420P, 352, 240, Ntsc, Television, 2, 0,
      "b=1150000:minrate=1150000:maxrate=1150000:bufsize=327680:g=18"},
     {"mp2", 44100, 2, "b=224000"}},
    {"VCD_PAL",
     "vcd",
     "packetsize=2324:muxrate=1411200:preload=440000",
     {"mpeg1video", AV_PIX_FMT_YUV420P, 352, 288, Pal, Television, 2, 0,
      "b=1150000:minrate=1150000:maxrate=1150000:bufsize=327680:g=15"},
     {"mp2", 44100, 2, "b=224000"}},
    {"SVCD_NTSC",
     "svcd",
     "packetsize=2324",
     {"mpeg2video", AV_PIX_FMT_YUV420P, 480, 480, Ntsc, Television, 2, 0,
      "b=2040000:maxrate=2516000:bufsize=1835008:g=18:scan_offset=1"},
     {"mp2", 44100, 2, "b=224000"}},
    {"SVCD_PAL",
     "svcd",
     "packetsize=2324",
     {"mpeg2video", AV_PIX_FMT_YUV420P, 480, 576, Pal, Television, 2, 0,
      "b=2040000:maxrate=2516000:bufsize=1835008:g=15:scan_offset=1"},
     {"mp2", 44100, 2, "b=224000"}},
    {"DVD_NTSC",
     "dvd",
     "packetsize=2048:muxrate=10080000",
     {"mpeg2video", AV_PIX_FMT_YUV420P, 720, 480, Ntsc, Television, 2, 0,
      "b=6000000:maxrate=9000000:bufsize=1835008:g=18"},
     {"ac3", 48000, 2, "b=448000"}},
    {"DVD_PAL",
     "dvd",
     "packetsize=2048:muxrate=10080000",
     {"mpeg2video", AV_PIX_FMT_YUV420P, 720, 576, Pal, Television, 2, 0,
      "b=6000000:maxrate=9000000:bufsize=1835008:g=15"},
     {"ac3", 48000, 2, "b=448000"}},
    {"MPEG 1",
     "mpeg",
     "",
     {"mpeg1video", AV_PIX_FMT_YUV420P, 0, 0, ChosenRate, SquarePixels, 2, 0,
      "b=1800000:maxrate=2500000:bufsize=327680:g=15", MpegOneFrameRates},
     {"mp2", 0, 2, "b=192000", MpegOneSampleRates}},
    {"MPEG 2",
     "vob",
     "",
     {"mpeg2video",
      AV_PIX_FMT_YUV420P,
      0,
      0,
      ChosenRate,
      SquarePixels,
      2,
      0,
      "b=4000000:maxrate=9000000:bufsize=1835008:g=15",
      nullptr,
      {5, 1}},
     {"mp2", 0, 2, "b=192000", MpegOneSampleRates}},
    // AVI: the pair used when no compressor is chosen.
    {"AVI",
     "avi",
     "",
     {"mpeg4", AV_PIX_FMT_YUV420P, 0, 0, ChosenRate, SquarePixels, 2, 4, ""},
     {"libmp3lame", 0, 2, "b=128000"}},
    // WMV: size, rate and bit rates come from the Windows Media profile.
    {"WMV",
     "asf",
     "",
     {"wmv2", AV_PIX_FMT_YUV420P, 0, 0, ChosenRate, SquarePixels, 2, 0, ""},
     {"wmav2", 0, 2, "", WmaSampleRates}},
    {"QT",
     "mov",
     "",
     {"libx264", AV_PIX_FMT_YUV420P, 0, 0, ChosenRate, SquarePixels, 2, 0, ""},
     {"aac", 0, 2, "b=128000"}},
    {"RM", "rm", "", {"rv20", AV_PIX_FMT_YUV420P, 0, 0, ChosenRate, SquarePixels, 4, 4, ""}, {"ac3", 0, 2, "b=192000"}},
    // The player decodes H.264 baseline up to level 3.0.
    {"iPod",
     "ipod",
     "",
     {"libx264", AV_PIX_FMT_YUV420P, 0, 0, ChosenRate, SquarePixels, 2, 0,
      "profile=baseline:level=3.0:maxrate=1500000:bufsize=2000000"},
     {"aac", 0, 2, "b=128000"}},
    // The handheld's screen size; it plays main-profile H.264 and 48 kHz AAC.
    {.name = "PSP",
     .muxer = "psp",
     .muxerOptions = "",
     .video = {"libx264", AV_PIX_FMT_YUV420P, 480, 272, ChosenRate, SquarePixels, 2, 0,
               "profile=main:level=3.0:maxrate=1500000:bufsize=2000000"},
     .audio = {"aac", 48000, 2, "b=128000"},
     .addsSilence = true},
    // Flash video carries MP3 only at 44.1, 22.05 or 11.025 kHz.
    {"FLV",
     "flv",
     "",
     {"flv", AV_PIX_FMT_YUV420P, 0, 0, ChosenRate, SquarePixels, 2, 4, ""},
     {"libmp3lame", 44100, 2, "b=128000"}},
    // H.263 codes only its standard picture sizes; QCIF suits a phone screen.
    {"3GP",
     "3gp",
     "",
     {"h263", AV_PIX_FMT_YUV420P, 176, 144, ChosenRate, SquarePixels, 2, 4, ""},
     {"aac", 22050, 1, "b=48000"}},
    // The index goes to the front, so the file plays while it downloads.
    {.name = "MP4",
     .muxer = "mp4",
     .muxerOptions = "movflags=+faststart",
     .video = {"libx264", AV_PIX_FMT_YUV420P, 0, 0, ChosenRate, SquarePixels, 2, 0, "crf=23:preset=medium"},
     .audio = {"aac", 0, 2, "b=160000"},
     .needsVideo = true},
    // Constant quality: a quality level and no bit rate. Speed 4 takes a
    // third of the default's time for a file a few percent larger.
    {.name = "WebM",
     .muxer = "webm",
     .muxerOptions = "",
     .video = {"libvpx-vp9", AV_PIX_FMT_YUV420P, 0, 0, ChosenRate, SquarePixels, 2, 0,
               "crf=32:b=0:row-mt=1:cpu-used=4"},
     .audio = {"libopus", 0, 2, "b=128000"},
     .needsVideo = true},
    // Variable bit rate at quality 2: the encoder reads it as a quantiser
    // scaled by FF_QP2LAMBDA (118).
    {.name = "MP3",
     .muxer = "mp3",
     .muxerOptions = "",
     .video = NoVideo,
     .audio = {"libmp3lame", 0, 2, "flags=+qscale:global_quality=236"},
     .titled = true},
    {.name = "Opus",
     .muxer = "opus",
     .muxerOptions = "",
     .video = NoVideo,
     .audio = {"libopus", 0, 2, "b=128000"},
     .titled = true},
    {.name = "Original",
     .muxer = "",
     .muxerOptions = "",
     .video = NoVideo,
     .audio = {nullptr, 0, 0, ""},
     .copiesStreams = true},
};

}  // namespace

const OutputTypeRow* findOutputType(int outputType) {
  if (outputType < 0 || outputType >= OutputTypeCount) return nullptr;
  return &OutputTypes[outputType];
}

}  // namespace converter

std::string OutputTypeName(TOutputType type) {
  const converter::OutputTypeRow* row = converter::findOutputType(type);
  return row ? row->name : std::string();
}
