#include "app/streams/stream_loader.h"

#include <fmt/format.h>

#include <algorithm>
#include <set>

#include "app/streams/dash_manifest.h"
#include "app/streams/hls_playlist.h"
#include "app/streams/messages.h"
#include "app/streams/quality_choice.h"
#include "app/streams/stream_errors.h"
#include "net/http/uri.h"
#include "platform/text.h"

namespace streams {

namespace {

// A master may lead to another master; no real stream goes deeper.
constexpr int MaxPlaylistDepth = 3;

// Every address met is remembered, so a loop is refused instead of followed.
THlsPlaylist readHls(const TFetchedText& fetched, std::set<std::string>& visited, int depth) {
  if (depth > MaxPlaylistDepth)
    throw EVideoStreamRefused(fmt::format(stream_messages::NestedTooDeep, MaxPlaylistDepth));
  visited.insert(fetched.FinalAddress);
  return ReadHlsPlaylist(fetched.Text, fetched.FinalAddress);
}

TFetchedText fetchNew(const std::string& address, const TTextFetcher& fetch, std::set<std::string>& visited) {
  if (visited.count(address)) throw EVideoStreamRefused(fmt::format(stream_messages::LeadsBackToItself, address));
  visited.insert(address);
  TFetchedText fetched = fetch(address);
  if (fetched.FinalAddress != address && visited.count(fetched.FinalAddress))
    throw EVideoStreamRefused(fmt::format(stream_messages::LeadsBackToItself, fetched.FinalAddress));
  return fetched;
}

// The media playlist behind a variant or rendition, through nested masters.
TTrack mediaTrack(const std::string& address, const TTextFetcher& fetch, std::set<std::string>& visited,
                  const TQualityRule& rule) {
  TFetchedText fetched = fetchNew(address, fetch, visited);
  for (int depth = 1;; ++depth) {
    THlsPlaylist playlist = readHls(fetched, visited, depth);
    if (!playlist.IsMaster) return std::move(playlist.Media);
    fetched = fetchNew(ChooseQuality(playlist.Variants, rule).PlaylistAddress, fetch, visited);
  }
}

TStreamPlan hlsPlan(const TFetchedText& first, const TTextFetcher& fetch, const TQualityRule& rule) {
  std::set<std::string> visited;
  THlsPlaylist playlist = readHls(first, visited, 0);
  TStreamPlan plan;
  if (!playlist.IsMaster) {
    plan.Video.Track = std::move(playlist.Media);
  } else {
    plan.Video = ChooseQuality(playlist.Variants, rule);
    if (const THlsAudioRendition* audio = ChooseAudioRendition(playlist.AudioRenditions, plan.Video.AudioGroup)) {
      TStreamVariant track;
      track.Id = audio->Name;
      track.PlaylistAddress = audio->PlaylistAddress;
      track.Track = mediaTrack(audio->PlaylistAddress, fetch, visited, rule);
      plan.Audio = std::move(track);
    }
    plan.Video.Track = mediaTrack(plan.Video.PlaylistAddress, fetch, visited, rule);
    // Each playlist was read within the limit; the plan holds both.
    if (plan.Video.Track.Segments.size() + (plan.Audio ? plan.Audio->Track.Segments.size() : 0) > MaxSegments)
      throw EVideoStreamRefused(fmt::format(stream_messages::TooManySegments, MaxSegments));
  }
  plan.Description = DescribeVariant(plan.Video);
  return plan;
}

// Qualities are chosen before any track is expanded, and only the chosen
// ones are, out of one budget for the whole plan: a manifest may offer
// dozens of representations of a hundred thousand segments each.
TStreamPlan dashPlan(const TFetchedText& first, const TQualityRule& rule) {
  const TDashManifest manifest = ReadDashManifest(first.Text, first.FinalAddress);
  size_t budget = MaxSegments;
  TStreamPlan plan;
  const TStreamVariant& video = ChooseQuality(manifest.Video, rule);
  plan.Video = video;
  plan.Video.Track = manifest.VideoTrack(size_t(&video - manifest.Video.data()), budget);
  if (!manifest.Audio.empty()) {
    const auto audio = std::max_element(manifest.Audio.begin(), manifest.Audio.end(),
                                        [](const auto& a, const auto& b) { return a.Bandwidth < b.Bandwidth; });
    plan.Audio = *audio;
    plan.Audio->Track = manifest.AudioTrack(size_t(audio - manifest.Audio.begin()), budget);
  }
  plan.Description = DescribeVariant(plan.Video);
  return plan;
}

}  // namespace

std::optional<TStreamKind> StreamKindOf(const std::string& address, const std::string& contentType) {
  const std::string type = LowerCase(Trim(contentType.substr(0, contentType.find(';'))));
  if (type == "application/vnd.apple.mpegurl" || type == "application/x-mpegurl" || type == "audio/mpegurl" ||
      type == "audio/x-mpegurl")
    return TStreamKind::Hls;
  if (type == "application/dash+xml") return TStreamKind::Dash;
  const std::string document = LowerCase(TIdURI(address).Document);
  if (document.ends_with(".m3u8")) return TStreamKind::Hls;
  if (document.ends_with(".mpd")) return TStreamKind::Dash;
  return std::nullopt;
}

TStreamOffer LoadStreamOffer(TStreamKind kind, const TFetchedText& first) {
  TStreamOffer offer;
  if (kind == TStreamKind::Dash) {
    const TDashManifest manifest = ReadDashManifest(first.Text, first.FinalAddress);
    offer.Qualities = manifest.Video;
    for (const TStreamVariant& audio : manifest.Audio) offer.Audio.push_back({{}, audio.Id, {}, audio.Bandwidth});
    return offer;
  }
  std::set<std::string> visited;
  THlsPlaylist playlist = readHls(first, visited, 0);
  if (!playlist.IsMaster) {
    // Numbered as a master's variants are.
    offer.Qualities.resize(1);
    offer.Qualities[0].Id = std::to_string(0);
    return offer;
  }
  offer.Qualities = std::move(playlist.Variants);
  for (const THlsAudioRendition& audio : playlist.AudioRenditions)
    offer.Audio.push_back({audio.GroupId, audio.Name, audio.Language, 0});
  return offer;
}

TStreamPlan LoadStreamPlan(TStreamKind kind, const TFetchedText& first, const TTextFetcher& fetch,
                           const TQualityRule& rule) {
  return kind == TStreamKind::Hls ? hlsPlan(first, fetch, rule) : dashPlan(first, rule);
}

}  // namespace streams
