#include "converter/whole_file_copy.h"

#include <sstream>

#include "converter/mp4_layout.h"

namespace converter {

std::optional<std::string> wholeSourceFile(const std::string& muxer, const std::vector<TimelineClip>& videoClips,
                                           const std::vector<TimelineClip>& audioClips) {
  if (muxer != "matroska" && muxer != "flv" && muxer != "mp4") return std::nullopt;
  if (videoClips.size() > 1 || audioClips.size() > 1) return std::nullopt;
  std::vector<const TimelineClip*> clips;
  for (const auto* track : {&videoClips, &audioClips})
    if (!track->empty()) clips.push_back(&track->front());
  if (clips.empty()) return std::nullopt;
  const std::string& path = clips.front()->path;
  for (const TimelineClip* clip : clips)
    if (clip->path != path || clip->streamNumber != 0 || clip->start > 0.0 || clip->end < clip->source.duration)
      return std::nullopt;
  // Every stream of the file is on the timeline, nothing else is.
  if (clips.front()->source.streamCount != clips.size()) return std::nullopt;
  bool ownContainer = false;
  std::istringstream names(clips.front()->source.container);
  for (std::string name; std::getline(names, name, ',');) ownContainer = ownContainer || name == muxer;
  if (!ownContainer) return std::nullopt;
  // A server's file or a joined stream may be fragmented or have its index
  // last, which the remux puts right.
  if (muxer == "mp4" && !isWholeFastStartMp4(path)) return std::nullopt;
  return path;
}

}  // namespace converter
