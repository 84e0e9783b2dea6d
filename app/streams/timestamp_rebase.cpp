#include "app/streams/timestamp_rebase.h"

#include <fmt/format.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <set>
#include <sstream>

namespace streams {

namespace {

constexpr size_t PacketSize = 188;
constexpr uint8_t SyncByte = 0x47;
constexpr int64_t TransportClock = 90000;
constexpr int64_t TimestampWrap = int64_t{1} << 33;

uint8_t byteAt(const std::string& data, size_t at) { return uint8_t(data[at]); }

// Times from a hostile peer may be anything: sums wrap instead of overflowing.
int64_t plus(int64_t a, int64_t b) { return int64_t(uint64_t(a) + uint64_t(b)); }
int64_t minus(int64_t a, int64_t b) { return int64_t(uint64_t(a) - uint64_t(b)); }

uint64_t bigEndian(const std::string& data, size_t at, size_t count) {
  uint64_t value = 0;
  for (size_t i = 0; i < count; ++i) value = value << 8 | byteAt(data, at + i);
  return value;
}

void putBigEndian(std::string& data, size_t at, size_t count, uint64_t value) {
  for (size_t i = count; i-- > 0; value >>= 8) data[at + i] = char(value & 0xff);
}

// --- MPEG-TS -----------------------------------------------------------

bool isTransportStream(const std::string& data) {
  return data.size() >= PacketSize && byteAt(data, 0) == SyncByte &&
         (data.size() < 2 * PacketSize || byteAt(data, PacketSize) == SyncByte);
}

// A PES time: 33 bits spread over five bytes between marker bits.
int64_t readPesTime(const std::string& data, size_t at) {
  return int64_t((byteAt(data, at) >> 1) & 0x07) << 30 | int64_t(byteAt(data, at + 1)) << 22 |
         int64_t(byteAt(data, at + 2) >> 1) << 15 | int64_t(byteAt(data, at + 3)) << 7 |
         int64_t(byteAt(data, at + 4) >> 1);
}

void writePesTime(std::string& data, size_t at, int64_t time) {
  time = ((time % TimestampWrap) + TimestampWrap) % TimestampWrap;
  data[at] = char((byteAt(data, at) & 0xf0) | ((time >> 29) & 0x0e) | 1);
  data[at + 1] = char(time >> 22);
  data[at + 2] = char(((time >> 14) & 0xfe) | 1);
  data[at + 3] = char(time >> 7);
  data[at + 4] = char(((time << 1) & 0xfe) | 1);
}

// Where the times of one packet sit; absent ones are 0.
struct PacketTimes {
  uint32_t Pid = 0;
  size_t Pcr = 0;
  size_t Pts = 0;
  size_t Dts = 0;
};

// Stream ids whose PES packets carry no optional header, hence no times.
bool pesHasHeader(uint8_t streamId) {
  return streamId != 0xbc && streamId != 0xbe && streamId != 0xbf && streamId != 0xf0 && streamId != 0xf1 &&
         streamId != 0xf2 && streamId != 0xf8 && streamId != 0xff;
}

void forEachPacket(const std::string& data, const std::function<void(const PacketTimes&)>& visit) {
  for (size_t at = 0; at + PacketSize <= data.size() && byteAt(data, at) == SyncByte; at += PacketSize) {
    const size_t end = at + PacketSize;
    PacketTimes times;
    times.Pid = (uint32_t(byteAt(data, at + 1) & 0x1f) << 8) | byteAt(data, at + 2);
    const bool unitStart = byteAt(data, at + 1) & 0x40;
    const uint8_t control = (byteAt(data, at + 3) >> 4) & 0x03;
    size_t payload = at + 4;
    if (control & 0x02) {
      const size_t length = byteAt(data, payload);
      if (length >= 7 && (byteAt(data, payload + 1) & 0x10)) times.Pcr = payload + 2;
      payload += 1 + length;
    }
    if ((control & 0x01) && unitStart && payload + 9 <= end && byteAt(data, payload) == 0 &&
        byteAt(data, payload + 1) == 0 && byteAt(data, payload + 2) == 1 && pesHasHeader(byteAt(data, payload + 3))) {
      const uint8_t flags = byteAt(data, payload + 7) >> 6;
      if ((flags & 0x02) && payload + 14 <= end) times.Pts = payload + 9;
      if (flags == 0x03 && payload + 19 <= end) times.Dts = payload + 14;
    }
    if (times.Pcr + times.Pts + times.Dts > 0) visit(times);
  }
}

// The PCR base counts the same 90 kHz as PES times; its extension stays.
int64_t readPcrBase(const std::string& data, size_t at) { return int64_t(bigEndian(data, at, 5) >> 7); }

void writePcrBase(std::string& data, size_t at, int64_t base) {
  base = ((base % TimestampWrap) + TimestampWrap) % TimestampWrap;
  const uint64_t rest = bigEndian(data, at, 5) & 0x7f;
  putBigEndian(data, at, 5, uint64_t(base) << 7 | rest);
}

// --- fMP4 ----------------------------------------------------------------

struct Box {
  uint32_t Type = 0;
  size_t Body = 0;
  size_t End = 0;
};

constexpr uint32_t boxType(const char (&name)[5]) {
  return uint32_t(uint8_t(name[0])) << 24 | uint32_t(uint8_t(name[1])) << 16 | uint32_t(uint8_t(name[2])) << 8 |
         uint32_t(uint8_t(name[3]));
}

// The boxes between begin and end; stops at the first that does not fit.
void forEachBox(const std::string& data, size_t begin, size_t end, const std::function<void(const Box&)>& visit) {
  for (size_t at = begin; at + 8 <= end;) {
    uint64_t size = bigEndian(data, at, 4);
    size_t header = 8;
    if (size == 1) {
      if (at + 16 > end) return;
      size = bigEndian(data, at + 8, 8);
      header = 16;
    } else if (size == 0) {
      size = end - at;
    }
    if (size < header || size > end - at) return;
    visit({uint32_t(bigEndian(data, at + 4, 4)), at + header, at + size_t(size)});
    at += size_t(size);
  }
}

bool isFragmentedMp4(const std::string& data) {
  if (data.size() < 8) return false;
  static const uint32_t opening[] = {boxType("ftyp"), boxType("styp"), boxType("moov"), boxType("moof"),
                                     boxType("sidx"), boxType("emsg"), boxType("prft"), boxType("free")};
  return std::find(std::begin(opening), std::end(opening), bigEndian(data, 4, 4)) != std::end(opening);
}

// What an init section says of one track: its timescale (trak), or the
// duration of a sample that names none (trex).
struct Declaration {
  uint32_t TrackId = 0;
  std::optional<int64_t> Timescale;
  std::optional<int64_t> DefaultDuration;
};

void forEachDeclaration(const std::string& data, const std::function<void(const Declaration&)>& visit) {
  forEachBox(data, 0, data.size(), [&](const Box& moov) {
    if (moov.Type != boxType("moov")) return;
    forEachBox(data, moov.Body, moov.End, [&](const Box& box) {
      if (box.Type == boxType("trak")) {
        uint32_t id = 0;
        int64_t timescale = 0;
        const auto read = [&](const Box& inner) {
          const bool wide = inner.Body < inner.End && byteAt(data, inner.Body) == 1;
          if (inner.Type == boxType("tkhd") && inner.Body + (wide ? 24 : 16) <= inner.End)
            id = uint32_t(bigEndian(data, inner.Body + (wide ? 20 : 12), 4));
          else if (inner.Type == boxType("mdhd") && inner.Body + (wide ? 24 : 16) <= inner.End)
            timescale = int64_t(bigEndian(data, inner.Body + (wide ? 20 : 12), 4));
        };
        // mdhd sits in mdia, one level below tkhd, and nothing deeper is
        // looked into: a walk that followed every mdia in an mdia would
        // recurse as deep as a hostile init section nests them.
        forEachBox(data, box.Body, box.End, [&](const Box& inner) {
          if (inner.Type == boxType("mdia")) forEachBox(data, inner.Body, inner.End, read);
          else read(inner);
        });
        if (id && timescale > 0) visit({id, timescale, std::nullopt});
      } else if (box.Type == boxType("mvex")) {
        forEachBox(data, box.Body, box.End, [&](const Box& trex) {
          if (trex.Type == boxType("trex") && trex.Body + 16 <= trex.End)
            visit({uint32_t(bigEndian(data, trex.Body + 4, 4)), std::nullopt,
                   int64_t(bigEndian(data, trex.Body + 12, 4))});
        });
      }
    });
  });
}

// One traf: its track, where its decode time sits and how long its samples last.
struct Fragment {
  uint32_t TrackId = 0;
  size_t DecodeTime = 0;
  bool WideDecodeTime = false;
  int64_t Duration = 0;
};

// Reads a traf; default duration comes from the track's init section.
std::optional<Fragment> readFragment(const std::string& data, const Box& traf,
                                     const std::function<int64_t(uint32_t)>& defaultDuration) {
  Fragment fragment;
  bool found = false;
  int64_t sampleDuration = 0;
  forEachBox(data, traf.Body, traf.End, [&](const Box& box) {
    if (box.Type == boxType("tfhd") && box.Body + 8 <= box.End) {
      const uint32_t flags = uint32_t(bigEndian(data, box.Body, 4)) & 0xffffff;
      fragment.TrackId = uint32_t(bigEndian(data, box.Body + 4, 4));
      found = true;
      sampleDuration = defaultDuration(fragment.TrackId);
      size_t at = box.Body + 8 + (flags & 0x01 ? 8 : 0) + (flags & 0x02 ? 4 : 0);
      if ((flags & 0x08) && at + 4 <= box.End) sampleDuration = int64_t(bigEndian(data, at, 4));
    } else if (box.Type == boxType("tfdt") && box.Body + 8 <= box.End) {
      fragment.WideDecodeTime = byteAt(data, box.Body) == 1;
      if (!fragment.WideDecodeTime || box.Body + 12 <= box.End) fragment.DecodeTime = box.Body + 4;
    } else if (box.Type == boxType("trun") && box.Body + 8 <= box.End) {
      const uint32_t flags = uint32_t(bigEndian(data, box.Body, 4)) & 0xffffff;
      const uint64_t count = bigEndian(data, box.Body + 4, 4);
      size_t at = box.Body + 8 + (flags & 0x01 ? 4 : 0) + (flags & 0x04 ? 4 : 0);
      if (!(flags & 0x100)) {
        fragment.Duration = plus(fragment.Duration, int64_t(count * uint64_t(sampleDuration)));
        return;
      }
      const size_t fields = size_t(std::popcount(flags & 0xf00));
      for (uint64_t i = 0; i < count && at + 4 <= box.End; ++i, at += 4 * fields)
        fragment.Duration = plus(fragment.Duration, int64_t(bigEndian(data, at, 4)));
    }
  });
  if (!found || fragment.DecodeTime == 0) return std::nullopt;
  return fragment;
}

int64_t decodeTimeOf(const std::string& data, const Fragment& fragment) {
  return int64_t(bigEndian(data, fragment.DecodeTime, fragment.WideDecodeTime ? 8 : 4));
}

void forEachFragment(const std::string& data, const std::function<int64_t(uint32_t)>& defaultDuration,
                     const std::function<void(const Fragment&)>& visit) {
  forEachBox(data, 0, data.size(), [&](const Box& moof) {
    if (moof.Type != boxType("moof")) return;
    forEachBox(data, moof.Body, moof.End, [&](const Box& traf) {
      if (traf.Type != boxType("traf")) return;
      if (const std::optional<Fragment> fragment = readFragment(data, traf, defaultDuration)) visit(*fragment);
    });
  });
}

}  // namespace

int64_t TTimestampRebase::offsetOf(Track& track) const {
  if (!track.Offset) track.Offset = std::llround(shift_ * double(track.Timescale));
  return *track.Offset;
}

double TTimestampRebase::endSeconds() const {
  double end = 0.0;
  for (const auto& [id, track] : tracks_)
    if (track.End && track.Timescale > 0) end = std::max(end, double(*track.End) / double(track.Timescale));
  return end;
}

std::optional<double> TTimestampRebase::earliestSeconds(const std::string& data) const {
  std::optional<double> earliest;
  const auto take = [&](double seconds) { earliest = std::min(earliest.value_or(seconds), seconds); };
  if (isTransportStream(data)) {
    forEachPacket(data, [&](const PacketTimes& times) {
      for (const size_t at : {times.Pts, times.Dts})
        if (at) take(double(readPesTime(data, at)) / TransportClock);
    });
  } else if (isFragmentedMp4(data)) {
    forEachFragment(
        data, [&](uint32_t id) { return defaultDurationOf(id); },
        [&](const Fragment& fragment) {
          const auto known = tracks_.find(fragment.TrackId);
          if (known != tracks_.end() && known->second.Timescale > 0)
            take(double(decodeTimeOf(data, fragment)) / double(known->second.Timescale));
        });
  }
  return earliest;
}

int64_t TTimestampRebase::defaultDurationOf(uint32_t id) const {
  const auto known = tracks_.find(id);
  return known == tracks_.end() ? 0 : known->second.DefaultDuration;
}

bool TTimestampRebase::keepsTrackBound(const std::string& data) const {
  std::set<uint32_t> ids;
  for (const auto& [id, track] : tracks_) ids.insert(id);
  const auto name = [&](uint32_t id) {
    if (ids.size() <= MaxTracks) ids.insert(id);
  };
  if (isTransportStream(data)) forEachPacket(data, [&](const PacketTimes& times) { name(times.Pid); });
  else if (isFragmentedMp4(data)) forEachDeclaration(data, [&](const Declaration& track) { name(track.TrackId); });
  return ids.size() <= MaxTracks;
}

void TTimestampRebase::Pass(std::string& data, bool discontinuity) {
  pending_ = pending_ || discontinuity;
  // No real stream comes near the bound, so this is a malformed segment: it
  // passes as the server sent it (rather than ending a download that may
  // still convert) and adds no track, so that the record saved after every
  // segment stays small. A discontinuity it carried waits for the next one.
  if (!keepsTrackBound(data)) return;
  if (pending_) {
    if (const std::optional<double> earliest = earliestSeconds(data)) {
      pending_ = false;
      const bool anyEnd = std::any_of(tracks_.begin(), tracks_.end(), [](const auto& t) { return t.second.End; });
      // The first media of the track keeps its own times.
      if (anyEnd) {
        shift_ = endSeconds() - *earliest;
        for (auto& [id, track] : tracks_) track.Offset.reset();
      }
    }
  }
  if (isTransportStream(data)) passTransportStream(data);
  else if (isFragmentedMp4(data)) passFragments(data);
}

void TTimestampRebase::passTransportStream(std::string& data) {
  forEachPacket(data, [&](const PacketTimes& times) {
    Track& track = tracks_[times.Pid];
    track.Timescale = TransportClock;
    const int64_t offset = offsetOf(track);
    if (times.Pcr) writePcrBase(data, times.Pcr, plus(readPcrBase(data, times.Pcr), offset));
    if (times.Dts) writePesTime(data, times.Dts, plus(readPesTime(data, times.Dts), offset));
    if (!times.Pts) return;
    const int64_t time = plus(readPesTime(data, times.Pts), offset);
    writePesTime(data, times.Pts, time);
    // Pictures come out of order; the shortest rise of the highest time is
    // one picture's length.
    const int64_t highest = track.End ? minus(*track.End, track.Step) : time;
    const int64_t rise = minus(time, highest);
    if (rise > 0 && (track.Step == 0 || rise < track.Step)) track.Step = rise;
    track.End = plus(std::max(highest, time), track.Step);
  });
}

void TTimestampRebase::passFragments(std::string& data) {
  forEachDeclaration(data, [&](const Declaration& declaration) {
    Track& track = tracks_[declaration.TrackId];
    if (declaration.Timescale) track.Timescale = *declaration.Timescale;
    if (declaration.DefaultDuration) track.DefaultDuration = *declaration.DefaultDuration;
  });
  forEachFragment(
      data, [&](uint32_t id) { return defaultDurationOf(id); },
      [&](const Fragment& fragment) {
        // A track no init section declared has no timescale to shift by.
        const auto known = tracks_.find(fragment.TrackId);
        if (known == tracks_.end() || known->second.Timescale <= 0) return;
        Track& track = known->second;
        int64_t time = plus(decodeTimeOf(data, fragment), offsetOf(track));
        // A narrow decode time that cannot hold the shifted one is left as it is.
        if (time < 0 || (!fragment.WideDecodeTime && time > int64_t(UINT32_MAX))) time = decodeTimeOf(data, fragment);
        putBigEndian(data, fragment.DecodeTime, fragment.WideDecodeTime ? 8 : 4, uint64_t(time));
        track.End = std::max(track.End.value_or(0), plus(time, fragment.Duration));
      });
}

std::string TTimestampRebase::Save() const {
  std::string line = fmt::format("{} {}", pending_ ? 1 : 0, shift_);
  const auto optional = [](const std::optional<int64_t>& value) {
    return value ? std::to_string(*value) : std::string("-");
  };
  for (const auto& [id, track] : tracks_)
    line += fmt::format(" {}:{}:{}:{}:{}:{}", id, track.Timescale, track.DefaultDuration, optional(track.End),
                        track.Step, optional(track.Offset));
  return line;
}

std::optional<TTimestampRebase> TTimestampRebase::Restore(const std::string& line) {
  if (line.size() > MaxSavedLength) return std::nullopt;
  std::istringstream words(line);
  TTimestampRebase rebase;
  int pending = 0;
  if (!(words >> pending >> rebase.shift_) || (pending != 0 && pending != 1) || !std::isfinite(rebase.shift_))
    return std::nullopt;
  rebase.pending_ = pending == 1;
  for (std::string word; words >> word;) {
    std::istringstream fields(word);
    std::string id, timescale, duration, end, step, offset;
    if (!std::getline(fields, id, ':') || !std::getline(fields, timescale, ':') ||
        !std::getline(fields, duration, ':') || !std::getline(fields, end, ':') || !std::getline(fields, step, ':') ||
        !std::getline(fields, offset))
      return std::nullopt;
    try {
      Track& track = rebase.tracks_[uint32_t(std::stoul(id))];
      track.Timescale = std::stoll(timescale);
      track.DefaultDuration = std::stoll(duration);
      if (end != "-") track.End = std::stoll(end);
      track.Step = std::stoll(step);
      if (offset != "-") track.Offset = std::stoll(offset);
    } catch (const std::exception&) {
      return std::nullopt;
    }
    if (rebase.tracks_.size() > MaxTracks) return std::nullopt;
  }
  return rebase;
}

}  // namespace streams
