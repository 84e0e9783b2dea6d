// Any text as an HLS playlist: reading never reads outside the text, refuses
// only with its own error, and what it accepts keeps its promises: no more
// segments than the limit, only http(s) addresses, a master with variants.

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/streams/hls_playlist.h"
#include "app/streams/stream_address.h"
#include "app/streams/stream_errors.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  streams::THlsPlaylist playlist;
  try {
    playlist = streams::ReadHlsPlaylist(text, "http://h.test/a/list.m3u8?x=1");
  } catch (const EVideoStreamRefused&) {
    return 0;
  }
  fuzzCheck(!playlist.IsMaster || !playlist.Variants.empty(), "a master has variants", text);
  fuzzCheck(playlist.Media.Segments.size() <= streams::MaxSegments, "the segment limit holds", text);
  for (const auto& variant : playlist.Variants)
    fuzzCheck(IsHttpAddress(variant.PlaylistAddress), "variants are http(s)", text);
  for (const auto& segment : playlist.Media.Segments) {
    fuzzCheck(IsHttpAddress(segment.Address), "segments are http(s)", text);
    fuzzCheck(!segment.Key || IsHttpAddress(segment.Key->Address), "keys are http(s)", text);
    fuzzCheck(!segment.Range || (segment.Range->Offset >= 0 && segment.Range->Length >= 0), "ranges are whole", text);
  }
  return 0;
}
