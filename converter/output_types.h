// What each output type writes: container, encoders and the settings a user
// of that format expects. One row per TVideoEdit output type, and the same row
// shapes describe the AVI compressors.
#pragma once

extern "C" {
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
}

namespace converter {

struct VideoFormatRow {
  const char* encoder;        // FFmpeg encoder name; nullptr: the type writes no video
  AVPixelFormat pixelFormat;  // AV_PIX_FMT_NONE: chosen by the video sample size
  int width;                  // 0: the chosen size
  int height;
  AVRational frameRate;      // {0, 1}: the chosen rate
  AVRational displayAspect;  // {0, 1}: square pixels
  int sizeMultiple;          // the encoder takes only multiples of this
  int quality;               // fixed quantiser; 0 leaves rate control to the options
  const char* options;       // encoder options, "key=value:key=value"
  // The rates the format carries, {0, 0}-terminated; nullptr: those the
  // encoder names, or any.
  const AVRational* frameRates = nullptr;
  // Below this rate a frame outgrows the row's rate-control buffer.
  AVRational slowestRate{0, 1};
};

// MPEG-1 video: the encoder's own list adds rates that only some decoders know.
inline constexpr AVRational MpegOneFrameRates[] = {{24000, 1001}, {24, 1},       {25, 1}, {30000, 1001}, {30, 1},
                                                   {50, 1},       {60000, 1001}, {60, 1}, {0, 0}};

struct AudioFormatRow {
  const char* encoder;
  int sampleRate;  // 0: the source's rate, or the nearest the format takes
  int channels;
  const char* options;
  // The rates the format takes at the row's bit rate, 0-terminated;
  // nullptr: those the encoder names.
  const int* sampleRates = nullptr;
};

// MPEG-1 audio: the half rates of MPEG-2 audio stop at 160 kbit/s.
inline constexpr int MpegOneSampleRates[] = {32000, 44100, 48000, 0};
// Windows Media Audio stops at 48 kHz.
inline constexpr int WmaSampleRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 0};

struct OutputTypeRow {
  const char* name;
  const char* muxer;
  const char* muxerOptions;
  VideoFormatRow video;
  AudioFormatRow audio;
  // The container takes no video without sound: a source without any gets
  // a silent track.
  bool addsSilence = false;
  // A type made for video refuses a timeline of sound alone.
  bool needsVideo = false;
  // The file's name, without folder and extension, becomes its title tag.
  bool titled = false;
  // The sources' streams are copied, not re-encoded, into the container that
  // fits them; muxer and encoders are then unused.
  bool copiesStreams = false;
};

inline constexpr int OutputTypeCount = 21;

// The row of an output type, or nullptr when the value is not one.
const OutputTypeRow* findOutputType(int outputType);

}  // namespace converter
