#pragma once
// HLS playlists (RFC 8216) read into the parts of a plan: a master playlist
// gives the variants and the separate audio renditions; a media playlist
// gives one track of segments with their byte ranges, keys and init section.
// Pure functions of the text and the address it came from; anything we
// cannot save (live, protected, foreign schemes, oversized) is refused with
// EVideoStreamRefused.

#include <string>
#include <vector>

#include "app/streams/stream_plan.h"

namespace streams {

// An EXT-X-MEDIA rendition of TYPE=AUDIO. Without an address its sound is
// inside the variants' own segments.
struct THlsAudioRendition {
  std::string GroupId;
  std::string Name;
  std::string Language;
  bool Default = false;
  std::string PlaylistAddress;
  bool operator==(const THlsAudioRendition&) const = default;
};

struct THlsPlaylist {
  bool IsMaster = false;
  // Master: the variants (PlaylistAddress set, Track empty).
  std::vector<TStreamVariant> Variants;
  std::vector<THlsAudioRendition> AudioRenditions;
  // Media: the segments.
  TTrack Media;
};

THlsPlaylist ReadHlsPlaylist(const std::string& text, const std::string& address);

// The rendition a variant plays with: the group's DEFAULT=YES one, else the
// group's first; none when the group is empty or has no address of its own.
const THlsAudioRendition* ChooseAudioRendition(const std::vector<THlsAudioRendition>& renditions,
                                               const std::string& group);

}  // namespace streams
