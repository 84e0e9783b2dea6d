// The source picture keeps its shape in any output frame: it is scaled as
// large as fits and centred, and the rest is padded.

#include <gtest/gtest.h>

#include "converter/picture_fit.h"

namespace converter {
namespace {

struct FitCase {
  const char* what;
  int sourceWidth;
  int sourceHeight;
  AVRational sourceAspect;
  int frameWidth;
  int frameHeight;
  AVRational frameAspect;
  PictureFit expected;
};

const FitCase FitCases[] = {
    {"same shape fills the frame", 320, 240, {1, 1}, 640, 480, {1, 1}, {640, 480, 0, 0}},
    {"wide source gets bars above and below", 640, 360, {1, 1}, 320, 240, {1, 1}, {320, 180, 0, 30}},
    {"tall source gets bars left and right", 240, 320, {1, 1}, 320, 240, {1, 1}, {180, 240, 70, 0}},
    {"unknown source aspect counts as square", 320, 240, {0, 1}, 640, 480, {1, 1}, {640, 480, 0, 0}},
    // A 4:3 disc frame of non-square pixels shows a 4:3 source full frame.
    {"4:3 source on a PAL DVD frame", 320, 240, {1, 1}, 720, 576, {16, 15}, {720, 576, 0, 0}},
    {"16:9 source on a PAL DVD frame", 640, 360, {1, 1}, 720, 576, {16, 15}, {720, 432, 0, 72}},
    {"anamorphic source keeps its displayed shape", 720, 576, {64, 45}, 640, 480, {1, 1}, {640, 360, 0, 60}},
};

TEST(ConverterPictureFit, TableOfSourcesAndFrames) {
  for (const FitCase& c : FitCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(fitPicture(c.sourceWidth, c.sourceHeight, c.sourceAspect, c.frameWidth, c.frameHeight, c.frameAspect),
              c.expected);
  }
}

}  // namespace
}  // namespace converter
