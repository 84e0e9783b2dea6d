#pragma once
// From the first playlist or manifest to the plan: recognises a stream by
// its address or type, reads it, chooses the quality by the front end's
// rule, and only then reads the tracks chosen: the media playlists that an
// HLS master leads to (the chosen variant's and its audio rendition's), or
// the chosen representations of a DASH manifest, whose tracks together stay
// within MaxSegments. A playlist that leads back to itself is refused.
// Fetching is the caller's, so proxy, cookies and TLS stay with the job's
// client.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/streams/stream_plan.h"

namespace streams {

enum class TStreamKind { Hls, Dash };

// .m3u8 / .mpd at the end of the address's path, or the answer's type.
std::optional<TStreamKind> StreamKindOf(const std::string& address, const std::string& contentType);

struct TFetchedText {
  std::string Text;
  // After redirects: relative addresses resolve against it.
  std::string FinalAddress;
};
using TTextFetcher = std::function<TFetchedText(const std::string& address)>;

// Without either height: the highest bandwidth.
struct TQualityRule {
  // The command line's --max-height.
  std::optional<int32_t> MaxHeight;
  // The window's output height; takes precedence.
  std::optional<int32_t> OutputHeight;
};

// first is the text already fetched from its final address. Raises
// EVideoStreamRefused as the readers do.
TStreamPlan LoadStreamPlan(TStreamKind kind, const TFetchedText& first, const TTextFetcher& fetch,
                           const TQualityRule& rule);

}  // namespace streams
