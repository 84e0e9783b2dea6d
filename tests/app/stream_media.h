// Streamed video for the tests, written at test time by the ffmpeg command
// line into an nginx document root: HLS in TS and fMP4 segments with two
// variants, the same encrypted with AES-128, and a DASH set with its sound
// in a track of its own.
#pragma once

#include <string>

namespace app_test {

// nginx's types for playlists, manifests and segments, for ServerConfig.
extern const char* const StreamTypes;

// Four seconds of 320x240 and 160x120 H.264/AAC in one-second segments:
// <folder>/master.m3u8 leading to <folder>/v0/index.m3u8 (the tall one)
// and <folder>/v1/index.m3u8. fmp4 writes fMP4 segments with an init
// section; keyAddress set encrypts every segment with AES-128 whose key
// the playlists name at that address.
void WriteHlsStream(const std::string& root, const std::string& folder, bool fmp4, const std::string& keyAddress = {});

// <folder>/index.m3u8: two parts of two seconds each, made one after the
// other by separate ffmpeg runs so that each starts its timestamps at 0,
// joined by a hand-written media playlist with a discontinuity between them.
// fmp4 writes fMP4 segments, each part with its own init section.
void WriteJoinedHls(const std::string& root, const std::string& folder, bool fmp4);

// The file's length in seconds, as ffprobe reads it.
double MediaSeconds(const std::string& path);

// <folder>/manifest.mpd: 320x240 H.264 and AAC in separate adaptation sets.
void WriteDashStream(const std::string& root, const std::string& folder);

// The decoded pictures' checksums of the file's video, in order: equal
// for two files whose video was copied, not re-encoded.
std::string PictureChecksums(const std::string& path);

// ffmpeg's complaints when it decodes the whole file; empty for a clean one.
std::string DecodingErrors(const std::string& path);

}  // namespace app_test
