#pragma once
// Keeps the timestamps of a joined track rising where the stream says its
// media was cut differently (a discontinuity): the segments after one are
// shifted so that they start where the media before them ended. MPEG-TS
// segments have their PES and PCR times rewritten, fMP4 fragments their
// decode times; other bytes pass untouched. The segments come in file order,
// whole, on one thread.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace streams {

class TTimestampRebase {
public:
  // The most tracks kept. A real stream has a handful (pictures, a sound or
  // two, captions, timed metadata); a segment naming more passes unshifted.
  static constexpr size_t MaxTracks = 16;
  // The longest line Save writes: the shift, and six numbers per track.
  static constexpr size_t MaxSavedLength = 32 + MaxTracks * 120;

  // Rewrites one segment (or init section) in place before it is written.
  void Pass(std::string& data, bool discontinuity);

  // One line that Restore reads back: a continued file goes on with the
  // shifts its segments so far were written with. Restore refuses a line
  // longer than MaxSavedLength or with more than MaxTracks tracks.
  std::string Save() const;
  static std::optional<TTimestampRebase> Restore(const std::string& line);

  // One timed track: an MPEG-TS PID at 90 kHz, or an fMP4 track.
  struct Track {
    int64_t Timescale = 0;
    // fMP4: the init section's duration of a sample that names none.
    int64_t DefaultDuration = 0;
    // The first timestamp after what was written so far (output times).
    std::optional<int64_t> End;
    // MPEG-TS: the shortest rise between two PES times, the last one's length.
    int64_t Step = 0;
    // Added to the source's times since the last discontinuity.
    std::optional<int64_t> Offset;
  };

private:
  void passTransportStream(std::string& data);
  void passFragments(std::string& data);
  // The source times of data's earliest sample, in seconds; none without.
  std::optional<double> earliestSeconds(const std::string& data) const;
  // False when data names tracks that would take the kept ones past MaxTracks.
  bool keepsTrackBound(const std::string& data) const;
  int64_t defaultDurationOf(uint32_t id) const;
  int64_t offsetOf(Track& track) const;
  double endSeconds() const;

  std::map<uint32_t, Track> tracks_;
  // A discontinuity met by a segment without times (an init section) waits
  // for the next one.
  bool pending_ = false;
  // Added to the source's seconds since the last discontinuity.
  double shift_ = 0.0;
};

}  // namespace streams
