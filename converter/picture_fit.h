// Where a source picture goes in the output frame: as large as fits with its
// shape kept, centred, the rest padded. Shapes are compared as displayed, so
// non-square pixels on either side (a 4:3 disc frame) are accounted for.
#pragma once

extern "C" {
#include <libavutil/rational.h>
}

namespace converter {

struct PictureFit {
  int width;  // of the scaled picture, in output pixels
  int height;
  int x;  // its top-left corner in the output frame
  int y;

  bool operator==(const PictureFit&) const = default;
};

// A sample aspect of 0/x counts as square pixels.
PictureFit fitPicture(int sourceWidth, int sourceHeight, AVRational sourceSampleAspect, int frameWidth, int frameHeight,
                      AVRational frameSampleAspect);

}  // namespace converter
