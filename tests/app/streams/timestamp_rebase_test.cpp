// Joined segments keep rising times across a discontinuity, and what the
// rebasing keeps (saved into the segment record after every segment) stays
// small whatever tracks a server's segments name.
#include "app/streams/timestamp_rebase.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using streams::TTimestampRebase;

std::string bytes(std::initializer_list<int> values) {
  std::string text;
  for (const int value : values) text += char(value);
  return text;
}

std::string bigEndian(uint64_t value, int count) {
  std::string text(size_t(count), '\0');
  for (int i = count; i-- > 0; value >>= 8) text[size_t(i)] = char(value & 0xff);
  return text;
}

// One MPEG-TS packet opening a PES packet of pid with a presentation time.
std::string packet(uint32_t pid, int64_t pts) {
  std::string data = bytes({0x47, 0x40 | int(pid >> 8), int(pid & 0xff), 0x10, 0, 0, 1, 0xe0, 0, 0, 0x80, 0x80, 5});
  data += bytes({0x21 | int(pts >> 29 & 0x0e), int(pts >> 22 & 0xff), int(pts >> 14 & 0xfe) | 1, int(pts >> 7 & 0xff),
                 int(pts << 1 & 0xfe) | 1});
  data.resize(188, char(0xff));
  return data;
}

std::string box(const char* type, const std::string& body) { return bigEndian(8 + body.size(), 4) + type + body; }
std::string fullBox(const char* type, int version, const std::string& body) {
  return box(type, bytes({version, 0, 0, 0}) + body);
}

// depth boxes of type, each the only content of the one around it, around inside.
std::string nested(const char* type, size_t depth, const std::string& inside) {
  std::string data;
  data.reserve(8 * depth + inside.size());
  for (size_t level = depth; level > 0; --level) data += bigEndian(8 * level + inside.size(), 4) + type;
  return data + inside;
}

struct Declared {
  uint32_t Id;
  uint32_t Timescale;
  uint32_t DefaultDuration;
};

// An init section: each track's id, timescale and default sample duration.
std::string init(const std::vector<Declared>& tracks) {
  std::string traks, trexes;
  for (const Declared& track : tracks) {
    traks += box("trak", fullBox("tkhd", 0, bigEndian(0, 8) + bigEndian(track.Id, 4)) +
                             box("mdia", fullBox("mdhd", 0, bigEndian(0, 8) + bigEndian(track.Timescale, 4))));
    trexes += fullBox("trex", 0, bigEndian(track.Id, 4) + bigEndian(1, 4) + bigEndian(track.DefaultDuration, 4));
  }
  return box("moov", traks + box("mvex", trexes));
}

// One traf: samples of the track's default duration from decodeTime on.
std::string traf(uint32_t id, uint64_t decodeTime, uint32_t samples) {
  return box("traf", fullBox("tfhd", 0, bigEndian(id, 4)) + fullBox("tfdt", 1, bigEndian(decodeTime, 8)) +
                         fullBox("trun", 0, bigEndian(samples, 4)));
}

struct Segment {
  std::string Data;
  bool Discontinuity = false;
  // What the rebasing makes of it; empty for unchanged.
  std::string Expected = {};
};

struct RebaseCase {
  const char* behaviour;
  std::vector<Segment> segments;
};

std::vector<RebaseCase> rebaseCases() {
  const std::string pictures = packet(256, 0) + packet(256, 3000);
  // 1 s pictures at 1 kHz and 1024-sample sound at 48 kHz; the sound of the
  // first segment ends last, at 96256 / 48000 s.
  const std::string fmp4Init = init({{1, 1000, 1000}, {2, 48000, 1024}});
  const std::string fmp4First = box("moof", traf(1, 0, 2) + traf(2, 0, 94));
  const std::string fmp4Cut = box("moof", traf(1, 50000, 2) + traf(2, 2400000, 94));
  const std::string fmp4Joined = box("moof", traf(1, 2005, 2) + traf(2, 96256, 94));

  std::string manyPids, trafs;
  for (uint32_t pid = 1000; pid < 8000; ++pid) manyPids += packet(pid, 0);
  std::vector<Declared> declared;
  for (uint32_t id = 1000; id < 101000; ++id) {
    trafs += traf(id, 0, 1);
    declared.push_back({id, 1000, 1000});
  }
  const std::string manyTrafs = box("moof", trafs);
  const std::string manyTraks = init(declared);
  // 2.4 MB redeclaring track 1 at one tick a second, its mdhd under 300,000 mdia boxes.
  const std::string deepTrak =
      box("moov", box("trak", fullBox("tkhd", 0, bigEndian(0, 8) + bigEndian(1, 4)) +
                                  nested("mdia", 300000, fullBox("mdhd", 0, bigEndian(0, 8) + bigEndian(1, 4)))));

  return {
      {"TS pictures after a discontinuity follow on from the last one",
       {{pictures}, {packet(256, 900000) + packet(256, 903000), true, packet(256, 6000) + packet(256, 9000)}}},
      {"fMP4 pictures and sound move together to where the longest ended",
       {{fmp4Init}, {fmp4First}, {fmp4Cut, true, fmp4Joined}}},
      {"without a discontinuity nothing moves", {{fmp4Init}, {fmp4First}, {fmp4Cut}}},
      {"a TS segment naming 7000 PIDs passes untouched; its discontinuity waits for the next segment",
       {{pictures},
        {manyPids, true},
        {packet(256, 900000) + packet(256, 903000), false, packet(256, 6000) + packet(256, 9000)}}},
      {"a fragment naming 100,000 tracks keeps nothing of them",
       {{fmp4Init}, {fmp4First}, {manyTrafs}, {fmp4Cut, true, fmp4Joined}}},
      {"an init section declaring 100,000 tracks passes untouched; its discontinuity waits for the next segment",
       {{fmp4Init}, {fmp4First}, {manyTraks, true}, {fmp4Cut, false, fmp4Joined}}},
      {"an init section nesting 300,000 mdia boxes passes untouched and changes no track",
       {{fmp4Init}, {fmp4First}, {deepTrak}, {fmp4Cut, true, fmp4Joined}}},
  };
}

TEST(TimestampRebase, SegmentsAndTheRecordSavedAfterEach) {
  for (const RebaseCase& c : rebaseCases()) {
    SCOPED_TRACE(c.behaviour);
    TTimestampRebase rebase;
    for (size_t i = 0; i < c.segments.size(); ++i) {
      SCOPED_TRACE("segment " + std::to_string(i));
      const Segment& segment = c.segments[i];
      std::string data = segment.Data;
      rebase.Pass(data, segment.Discontinuity);
      EXPECT_TRUE(data == (segment.Expected.empty() ? segment.Data : segment.Expected));
      EXPECT_LT(rebase.Save().size(), 4096u);
    }
  }
}

}  // namespace
