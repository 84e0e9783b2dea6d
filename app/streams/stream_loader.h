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
#include <vector>

#include "app/streams/quality_choice.h"
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

// A sound track offered beside the qualities: an HLS audio rendition, or a
// DASH audio representation (named by its id, its language unknown).
struct TOfferedAudio {
  std::string Group;
  std::string Name;
  std::string Language;
  int64_t Bandwidth = 0;
};

// What a stream offers to choose from, read without any of its tracks: a
// media playlist is one quality that says nothing of itself.
struct TStreamOffer {
  std::vector<TStreamVariant> Qualities;
  std::vector<TOfferedAudio> Audio;
};

TStreamOffer LoadStreamOffer(TStreamKind kind, const TFetchedText& first);

// first is the text already fetched from its final address. Raises
// EVideoStreamRefused as the readers do.
TStreamPlan LoadStreamPlan(TStreamKind kind, const TFetchedText& first, const TTextFetcher& fetch,
                           const TQualityRule& rule);

}  // namespace streams
