#include "converter/display_rotation.h"

#include <cmath>

#include <fmt/format.h>

extern "C" {
#include <libavutil/display.h>
}

namespace converter {
namespace {

bool near(double rotation, double degrees) { return std::fabs(rotation - degrees) < 1.0; }

}  // namespace

double displayRotation(const AVStream& stream) {
  const auto* matrix =
      reinterpret_cast<const int32_t*>(av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr));
  if (!matrix) return 0.0;
  // The matrix turns counter-clockwise; a turn just short of a full circle is none.
  const double clockwise = -av_display_rotation_get(matrix);
  if (std::isnan(clockwise)) return 0.0;
  return clockwise - 360.0 * std::floor(clockwise / 360.0 + 0.9 / 360.0);
}

UprightTurn uprightTurn(double rotation) {
  if (near(rotation, 90.0)) return {"transpose=clock,", true};
  if (near(rotation, 180.0)) return {"hflip,vflip,", false};
  if (near(rotation, 270.0)) return {"transpose=cclock,", true};
  if (std::fabs(rotation) > 1.0) return {fmt::format("rotate={}*PI/180,", rotation), false};
  return {};
}

}  // namespace converter
