// The settings of a Windows Media output: one video and one audio stream,
// either of which may be absent (an audio-only profile has no video).
#pragma once

extern "C" {
#include <libavutil/rational.h>
}

namespace converter {

struct WmvSettings {
  bool hasVideo = false;
  int width = 0;
  int height = 0;
  AVRational frameRate{0, 1};
  int videoBitRate = 0;     // bits per second
  int keyFrameSeconds = 0;  // the longest gap between key frames
  bool hasAudio = false;
  int audioBitRate = 0;
  int sampleRate = 0;
  int channels = 0;
};

}  // namespace converter
