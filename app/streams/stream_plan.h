#pragma once
// The plan of a streamed video: the quality chosen (and its separate audio,
// if any), each as the ordered list of segments that make up its file. The
// playlist and manifest readers produce the parts of it; the segment fetcher
// writes one track of it into one file.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace streams {

// The most segments of a plan, its video and separate audio together, and
// the largest playlist or manifest text we read.
inline constexpr size_t MaxSegments = 100000;
inline constexpr size_t MaxPlaylistBytes = size_t{16} << 20;

struct TByteRange {
  int64_t Offset = 0;
  int64_t Length = 0;
  bool operator==(const TByteRange&) const = default;
};

// AES-128-CBC over the whole segment, PKCS7 padded.
struct TSegmentKey {
  std::string Address;
  std::array<uint8_t, 16> IV{};
  bool operator==(const TSegmentKey&) const = default;
};

struct TSegment {
  std::string Address;
  std::optional<TByteRange> Range;
  std::optional<TSegmentKey> Key;
  // The media before this segment was cut differently (timestamps, codec
  // settings); the converter must not take them as one run.
  bool Discontinuity = false;
  bool operator==(const TSegment&) const = default;
};

// One file's worth: the init section (fMP4) and the media segments.
struct TTrack {
  std::optional<TSegment> Init;
  std::vector<TSegment> Segments;
  bool operator==(const TTrack&) const = default;
};

// One quality of a stream: an HLS variant or a DASH representation. Width,
// height and bandwidth are 0 when the stream does not say.
struct TStreamVariant {
  std::string Id;
  int64_t Bandwidth = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  std::string Codecs;
  std::string MimeType;
  // HLS: the media playlist to read for the track; empty when Track is filled.
  std::string PlaylistAddress;
  // HLS: the group of separate audio renditions this variant plays with.
  std::string AudioGroup;
  TTrack Track;
};

struct TStreamPlan {
  TStreamVariant Video;
  // Separate audio, to be joined with the video by the converter.
  std::optional<TStreamVariant> Audio;
  // "1280x720, 2.4 Mbit/s", for the status line.
  std::string Description;
};

}  // namespace streams
