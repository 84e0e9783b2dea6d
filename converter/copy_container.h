// Where the original streams go when nothing is re-encoded: the container
// that fits their codecs (MP4 for H.264 and AAC, WebM for VP8, VP9, Opus and
// Vorbis, FLV for Sorenson and MP3, Matroska for anything else), provided it
// can carry each of them and each track's clips share one stream format.
#pragma once

#include <string>
#include <vector>

#include "converter/timeline_clip.h"

namespace converter {

struct CopyContainer {
  std::string muxer;  // empty when the streams do not fit
  std::string muxerOptions;
  std::string extension;
  std::string misfit;  // why they do not fit, naming the stream
};

CopyContainer containerForCopies(const std::vector<TimelineClip>& videoClips,
                                 const std::vector<TimelineClip>& audioClips);

}  // namespace converter
