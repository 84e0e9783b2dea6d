// Phones record the picture as the sensor sees it and note how far to turn
// it for display. The converter turns it upright the way the ffmpeg command
// line does by default.
#pragma once

#include <string>

extern "C" {
#include <libavformat/avformat.h>
}

namespace converter {

// Degrees clockwise the stream's pictures are to be turned for display, in
// [0, 360); 0 when the stream notes none.
double displayRotation(const AVStream& stream);

struct UprightTurn {
  std::string filters;    // the filters that turn a picture upright, each followed by ","
  bool sideways = false;  // width and height trade places
};

UprightTurn uprightTurn(double rotation);

}  // namespace converter
