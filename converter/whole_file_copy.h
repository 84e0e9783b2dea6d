// Original of a timeline that is one source file from start to end, whose own
// container is the one its streams would be copied into (for MP4, laid out
// as Original writes one): remuxing would rewrite the same packets into the
// same kind of file, so the file's bytes are the output, at the speed of a
// file copy or a rename.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "converter/timeline_clip.h"

namespace converter {

// The file whose bytes are the output, or none when the timeline is not one
// whole file in muxer's container.
std::optional<std::string> wholeSourceFile(const std::string& muxer, const std::vector<TimelineClip>& videoClips,
                                           const std::vector<TimelineClip>& audioClips);

}  // namespace converter
