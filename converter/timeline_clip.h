// A piece of a file placed on the timeline: the span from start to end (file
// seconds) of one of its streams. Clips of a track play one after another.
#pragma once

#include <string>

#include "converter/media_file.h"

namespace converter {

struct TimelineClip {
  std::string path;
  int streamNumber = 0;  // which of the file's video streams; 0 for audio
  double start = 0.0;
  double end = 0.0;
  MediaInfo source;  // what the file held when the clip was added

  double length() const { return end - start; }
};

}  // namespace converter
