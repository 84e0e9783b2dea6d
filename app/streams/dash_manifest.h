#pragma once
// A static DASH manifest (MPD) read into the qualities of a plan: every video
// and audio representation with its whole track of segments, periods joined
// in order. A pure function of the text and the address it came from; live
// manifests, protected sets, foreign schemes, malformed durations and
// oversized manifests are refused with EVideoStreamRefused.

#include <string>
#include <vector>

#include "app/streams/stream_plan.h"

namespace streams {

struct TDashManifest {
  std::vector<TStreamVariant> Video;
  std::vector<TStreamVariant> Audio;
};

TDashManifest ReadDashManifest(const std::string& text, const std::string& address);

// A SegmentTemplate text with its identifiers filled in: $RepresentationID$,
// $Number$, $Time$, $Bandwidth$ (each with an optional %0<width>d) and $$.
struct TTemplateValues {
  std::string RepresentationId;
  int64_t Number = 0;
  int64_t Time = 0;
  int64_t Bandwidth = 0;
};
std::string ExpandSegmentTemplate(const std::string& text, const TTemplateValues& values);

}  // namespace streams
