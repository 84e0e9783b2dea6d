// Any bytes as the segments of a joined track: the rewriting never reads or
// writes outside a segment, changes no segment's size, and what it saves for
// a continued file reads back as the same state.

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/streams/timestamp_rebase.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  // The first byte cuts the rest into two segments, the second after a
  // discontinuity when its low bit says so.
  const size_t cut = text.size() * data[0] / 255;
  std::string segments[] = {text.substr(0, cut), text.substr(cut)};
  streams::TTimestampRebase rebase;
  for (size_t i = 0; i < 2; ++i) {
    const size_t before = segments[i].size();
    rebase.Pass(segments[i], i == 1 && (data[0] & 1));
    fuzzCheck(segments[i].size() == before, "a segment keeps its size", text);
  }
  const std::string saved = rebase.Save();
  const std::optional<streams::TTimestampRebase> restored = streams::TTimestampRebase::Restore(saved);
  fuzzCheck(restored && restored->Save() == saved, "the saved state reads back", saved);
  return 0;
}
