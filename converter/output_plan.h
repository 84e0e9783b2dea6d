// Turns the chosen output type and settings, together with what the sources
// hold, into the exact streams to write: encoder, size, rate and options.
// Where a format or codec fixes a value it wins over the chosen one.
#pragma once

#include <optional>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "converter/copy_container.h"
#include "converter/media_file.h"
#include "converter/output_types.h"
#include "converter/wmv_settings.h"

namespace converter {

struct OutputSettings {
  int outputType = -1;  // an index into the output type table
  int width = 0;        // 0: the source's, or its shape kept with the other side given
  int height = 0;
  double frameRate = 0.0;  // 0: the source's
  int videoSampleSize = 24;
  const VideoFormatRow* videoCompressor = nullptr;  // nullptr: the output type's own
  const AudioFormatRow* audioCompressor = nullptr;
  std::optional<WmvSettings> wmv;  // for the WMV output type
  CopyContainer copyContainer;     // for a type that copies the streams, where they go
  std::string title;               // the title tag; empty: the output file's name
};

struct VideoTarget {
  const AVCodec* encoder = nullptr;
  AVPixelFormat pixelFormat = AV_PIX_FMT_NONE;
  int width = 0;
  int height = 0;
  AVRational sampleAspect{1, 1};
  AVRational frameRate{25, 1};
  int quality = 0;
  std::string options;
};

struct AudioTarget {
  const AVCodec* encoder = nullptr;
  int sampleRate = 0;
  int channels = 2;
  AVSampleFormat sampleFormat = AV_SAMPLE_FMT_NONE;
  std::string options;
};

struct OutputPlan {
  std::string muxer;
  std::string muxerOptions;
  std::optional<VideoTarget> video;
  std::optional<AudioTarget> audio;
  bool silentAudio = false;  // the audio stream is silence the container needs
  bool copyStreams = false;  // packets go out as they came, so the targets hold nothing
  bool titled = false;       // the type carries a title tag
  std::string title;         // its text; empty: the file's name
};

// videoSource / audioSource describe the first clip of each timeline track,
// or are nullptr when the track is empty. Throws ConversionError.
OutputPlan planOutput(const OutputSettings& settings, const MediaInfo* videoSource, const MediaInfo* audioSource);

}  // namespace converter
