#pragma once
// A static DASH manifest (MPD) read into the qualities of a plan: every video
// and audio representation with what it says of itself, and how its track of
// segments is made, periods joined in order. A manifest may offer dozens of
// representations of a hundred thousand segments each, of which one video
// and one audio are fetched, so a track is expanded into its segments only
// when it is asked for. Reading is a pure function of the text and the
// address it came from; live manifests, protected sets, foreign schemes,
// malformed durations, oversized manifests and tracks are refused with
// EVideoStreamRefused.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "app/streams/stream_plan.h"

namespace streams {

class TDashManifest {
public:
  // Each without its Track: see VideoTrack and AudioTrack.
  std::vector<TStreamVariant> Video;
  std::vector<TStreamVariant> Audio;

  // The whole track of Video[index] or Audio[index]. Its segments are taken
  // out of budget, what the plan may still hold; a track that does not fit
  // is refused.
  TTrack VideoTrack(size_t index, size_t& budget) const;
  TTrack AudioTrack(size_t index, size_t& budget) const;

private:
  friend TDashManifest ReadDashManifest(const std::string& text, const std::string& address);
  // The document and, for every quality, where its segments come from.
  struct TSources;
  std::shared_ptr<const TSources> sources_;
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
