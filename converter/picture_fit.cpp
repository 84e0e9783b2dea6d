#include "converter/picture_fit.h"

#include <algorithm>
#include <cmath>

namespace converter {
namespace {

double pixelShape(AVRational sampleAspect) {
  return sampleAspect.num > 0 && sampleAspect.den > 0 ? av_q2d(sampleAspect) : 1.0;
}

// Even sizes and offsets keep 4:2:0 chroma aligned.
int even(double value) { return std::max(2, int(std::lround(value / 2.0)) * 2); }

}  // namespace

PictureFit fitPicture(int sourceWidth, int sourceHeight, AVRational sourceSampleAspect, int frameWidth, int frameHeight,
                      AVRational frameSampleAspect) {
  const double sourceShape = sourceWidth * pixelShape(sourceSampleAspect) / sourceHeight;
  const double frameShape = frameWidth * pixelShape(frameSampleAspect) / frameHeight;
  PictureFit fit{frameWidth, frameHeight, 0, 0};
  if (sourceShape > frameShape) fit.height = std::min(frameHeight, even(frameHeight * frameShape / sourceShape));
  else fit.width = std::min(frameWidth, even(frameWidth * sourceShape / frameShape));
  fit.x = (frameWidth - fit.width) / 2 / 2 * 2;
  fit.y = (frameHeight - fit.height) / 2 / 2 * 2;
  return fit;
}

}  // namespace converter
