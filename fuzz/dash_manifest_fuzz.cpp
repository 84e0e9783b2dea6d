// Any text as a DASH manifest: the XML reader and the manifest reader never
// read outside the text, refuse only with their own error, and what they
// accept keeps its promises: video present, tracks within the segment
// limit, only http(s) addresses.

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/streams/dash_manifest.h"
#include "app/streams/stream_address.h"
#include "app/streams/stream_errors.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  streams::TDashManifest manifest;
  try {
    manifest = streams::ReadDashManifest(text, "https://h.test/m/manifest.mpd");
  } catch (const EVideoStreamRefused&) {
    return 0;
  }
  fuzzCheck(!manifest.Video.empty(), "accepted manifests have video", text);
  // The first and the last quality of each kind made into their tracks, as
  // the program makes the one it chooses, each within a budget of its own.
  // The budget is smaller than the program's: making tracks of a hundred
  // thousand segments would only slow the search down, and a refusal is an
  // answer like any other.
  constexpr size_t Budget = 10000;
  for (const bool video : {true, false})
    for (const size_t index : {size_t{0}, (video ? manifest.Video : manifest.Audio).size() - 1}) {
      if (index >= (video ? manifest.Video : manifest.Audio).size()) continue;
      size_t budget = Budget;
      streams::TTrack track;
      try {
        track = video ? manifest.VideoTrack(index, budget) : manifest.AudioTrack(index, budget);
      } catch (const EVideoStreamRefused&) {
        continue;
      }
      fuzzCheck(track.Segments.size() <= Budget, "the segment budget holds", text);
      fuzzCheck(!track.Init || IsHttpAddress(track.Init->Address), "init is http(s)", text);
      for (const auto& segment : track.Segments)
        fuzzCheck(IsHttpAddress(segment.Address), "segments are http(s)", text);
    }
  return 0;
}
