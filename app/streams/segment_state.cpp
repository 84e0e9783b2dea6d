#include "app/streams/segment_state.h"

#include <sstream>

#include "app/streams/record_file.h"
#include "app/streams/timestamp_rebase.h"

namespace streams {

namespace {
constexpr const char* Heading = "quillfen segments 2";

std::string oneLine(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text;
}
}  // namespace

std::string TrackIdentity(const TTrack& track) {
  std::string identity = std::to_string(track.Segments.size()) + (track.Init ? " init " + track.Init->Address : "");
  if (!track.Segments.empty()) identity += " " + track.Segments.front().Address + " " + track.Segments.back().Address;
  return oneLine(identity);
}

std::optional<TSegmentState> ReadSegmentState(const std::string& path) {
  const std::optional<std::string> text = ReadRecordFile(path);
  if (!text) return std::nullopt;
  std::istringstream file(*text);
  std::string heading, done, bytes;
  TSegmentState state;
  if (!std::getline(file, heading) || heading != Heading || !std::getline(file, state.Track) ||
      !std::getline(file, done) || !std::getline(file, bytes) || !std::getline(file, state.Timestamps))
    return std::nullopt;
  if (done.empty() || done.size() > 9 || done.find_first_not_of("0123456789") != std::string::npos || bytes.empty() ||
      bytes.size() > 18 || bytes.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  state.SegmentsDone = int32_t(std::stol(done));
  state.Bytes = std::stoll(bytes);
  // No plan has more segments (and an init section), and the shifts must
  // read back: anything else was not written by this program.
  if (size_t(state.SegmentsDone) > MaxSegments + 1 || !TTimestampRebase::Restore(state.Timestamps)) return std::nullopt;
  return state;
}

void WriteSegmentState(const std::string& path, const TSegmentState& state) {
  const std::string text = std::string(Heading) + "\n" + oneLine(state.Track) + "\n" +
                           std::to_string(state.SegmentsDone) + "\n" + std::to_string(state.Bytes) + "\n" +
                           oneLine(state.Timestamps) + "\n";
  WriteRecordFile(path, text);
}

}  // namespace streams
