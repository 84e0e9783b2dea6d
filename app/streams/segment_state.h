#pragma once
// The small record kept beside a partly written stream file: which track it
// is, how many of its segments (and bytes) the file already holds whole and
// how their timestamps were shifted, so that a later run continues after
// them instead of starting again.

#include <cstdint>
#include <optional>
#include <string>

#include "app/streams/stream_plan.h"

namespace streams {

struct TSegmentState {
  // Tells the track apart from another one: its size and its first and last
  // addresses.
  std::string Track;
  int32_t SegmentsDone = 0;
  int64_t Bytes = 0;
  // TTimestampRebase::Save of the segments written.
  std::string Timestamps;
  bool operator==(const TSegmentState&) const = default;
};

std::string TrackIdentity(const TTrack& track);

// None when no plain file has that name or it is not such a record.
std::optional<TSegmentState> ReadSegmentState(const std::string& path);
// Written as WriteRecordFile says: renamed into place, never through a link.
void WriteSegmentState(const std::string& path, const TSegmentState& state);

}  // namespace streams
