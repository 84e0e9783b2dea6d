#pragma once
// The small record kept beside a file fetched as parallel ranges while it has
// gaps: which file and version it is, and how far each of its parts is
// written, so that a later run fetches only the bytes still missing.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace streams {

struct TRangePart {
  int64_t First = 0;
  int64_t Last = 0;
  // Bytes from First on already in the file.
  int64_t Done = 0;
  bool operator==(const TRangePart&) const = default;
};

struct TRangesState {
  std::string Address;
  // What If-Range names: the version the parts so far belong to.
  std::string Validator;
  std::string ContentType;
  int64_t Total = 0;
  // The parts in order from byte 0, each whole up to its Done; the bytes
  // after the last part are still to come.
  std::vector<TRangePart> Parts;
  bool operator==(const TRangesState&) const = default;
};

// None when no plain file has that name or it is not such a record, or when
// its parts do not follow each other from byte 0.
std::optional<TRangesState> ReadRangesState(const std::string& path);
// Written as WriteRecordFile says: renamed into place, never through a link.
void WriteRangesState(const std::string& path, const TRangesState& state);

}  // namespace streams
