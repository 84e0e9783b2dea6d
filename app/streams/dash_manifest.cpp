#include "app/streams/dash_manifest.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "app/streams/iso_duration.h"
#include "app/streams/messages.h"
#include "app/streams/stream_address.h"
#include "app/streams/stream_errors.h"
#include "app/streams/xml_document.h"
#include "net/http/uri.h"

namespace streams {

namespace {

[[noreturn]] void refuseValue(const char* what, const std::string& value) {
  throw EVideoStreamRefused(fmt::format(stream_messages::BadManifestValue, what, value));
}

int64_t whole(const std::string& text, const char* what) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
    refuseValue(what, text);
  return std::stoll(text);
}

int64_t wholeOr(const TXmlElement& element, const char* name, int64_t fallback) {
  const std::string* value = element.Attribute(name);
  return value ? whole(*value, name) : fallback;
}

std::optional<double> durationOf(const TXmlElement& element, const char* name) {
  const std::string* value = element.Attribute(name);
  if (!value) return std::nullopt;
  return ReadIsoDuration(*value);
}

void checkCount(size_t count) {
  if (count > MaxSegments) throw EVideoStreamRefused(fmt::format(stream_messages::TooManySegments, MaxSegments));
}

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The element's first BaseURL resolved against the level above.
std::string baseOf(const TXmlElement& element, const std::string& above) {
  const TXmlElement* base = element.Child("BaseURL");
  return base ? ResolveReference(above, trimmed(base->Text)) : above;
}

// "a-b" -> offset a, length b - a + 1.
TByteRange rangeOf(const std::string& text) {
  const size_t dash = text.find('-');
  if (dash == std::string::npos) refuseValue("range", text);
  const int64_t first = whole(text.substr(0, dash), "range");
  const int64_t last = whole(text.substr(dash + 1), "range");
  if (last < first) refuseValue("range", text);
  return {first, last - first + 1};
}

// One level of the hierarchy (Period, AdaptationSet, Representation) with
// what it says about segments; the lower level wins attribute by attribute.
struct Levels {
  std::vector<const TXmlElement*> Chain;  // outermost first

  const TXmlElement* Lowest(const char* name) const {
    for (auto level = Chain.rbegin(); level != Chain.rend(); ++level)
      if (const TXmlElement* found = (*level)->Child(name)) return found;
    return nullptr;
  }
  std::optional<std::string> TemplateAttribute(const char* name) const {
    for (auto level = Chain.rbegin(); level != Chain.rend(); ++level)
      if (const TXmlElement* found = (*level)->Child("SegmentTemplate"))
        if (const std::string* value = found->Attribute(name)) return *value;
    return std::nullopt;
  }
  const TXmlElement* TemplateTimeline() const {
    for (auto level = Chain.rbegin(); level != Chain.rend(); ++level)
      if (const TXmlElement* found = (*level)->Child("SegmentTemplate"))
        if (const TXmlElement* timeline = found->Child("SegmentTimeline")) return timeline;
    return nullptr;
  }
  // The representation's own value, else its set's.
  std::string Attribute(const char* name) const {
    for (auto level = Chain.rbegin(); level != Chain.rend(); ++level)
      if (const std::string* value = (*level)->Attribute(name)) return *value;
    return {};
  }
};

struct PeriodTiming {
  // Seconds; none when neither the period nor the manifest says.
  std::optional<double> Duration;
};

int64_t templateNumber(const Levels& levels, const char* name, int64_t fallback) {
  const std::optional<std::string> value = levels.TemplateAttribute(name);
  return value ? whole(*value, name) : fallback;
}

TTrack templateTrack(const Levels& levels, const TStreamVariant& variant, const std::string& base,
                     const PeriodTiming& timing) {
  const std::optional<std::string> media = levels.TemplateAttribute("media");
  if (!media) throw EVideoStreamRefused(fmt::format(stream_messages::BadTemplate, "no media attribute"));
  const int64_t timescale = templateNumber(levels, "timescale", 1);
  const int64_t startNumber = templateNumber(levels, "startNumber", 1);
  const int64_t offset = templateNumber(levels, "presentationTimeOffset", 0);
  if (timescale <= 0) refuseValue("timescale", "0");
  TTrack track;
  if (const std::optional<std::string> init = levels.TemplateAttribute("initialization"))
    track.Init = TSegment{ResolveHttpAddress(base, ExpandSegmentTemplate(*init, {variant.Id, 0, 0, variant.Bandwidth})),
                          std::nullopt, std::nullopt, false};
  const auto add = [&](int64_t number, int64_t time) {
    checkCount(track.Segments.size() + 1);
    track.Segments.push_back(
        {ResolveHttpAddress(base, ExpandSegmentTemplate(*media, {variant.Id, number, time, variant.Bandwidth})),
         std::nullopt, std::nullopt, false});
  };
  const auto periodEnd = [&]() -> double {
    if (!timing.Duration) throw EVideoStreamRefused(stream_messages::UnknownDuration);
    return double(offset) + *timing.Duration * double(timescale);
  };

  if (const TXmlElement* timeline = levels.TemplateTimeline()) {
    const std::vector<const TXmlElement*> entries = timeline->ChildrenNamed("S");
    int64_t time = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
      const TXmlElement& entry = *entries[i];
      time = wholeOr(entry, "t", time);
      const int64_t duration = whole(entry.AttributeOr("d"), "d");
      if (duration <= 0) refuseValue("d", entry.AttributeOr("d"));
      const std::string repeatText = entry.AttributeOr("r", "0");
      // r=-1: repeat up to the next entry's start or the period's end.
      int64_t repeat;
      if (repeatText == "-1") {
        const double end = i + 1 < entries.size() && entries[i + 1]->Attribute("t")
                               ? double(whole(*entries[i + 1]->Attribute("t"), "t"))
                               : periodEnd();
        const double count = std::ceil((end - double(time)) / double(duration));
        checkCount(track.Segments.size() + size_t(std::clamp(count, 0.0, double(MaxSegments) + 1)));
        repeat = std::max<int64_t>(int64_t(count) - 1, -1);
      } else {
        repeat = whole(repeatText, "r");
        checkCount(track.Segments.size() + size_t(std::min<int64_t>(repeat, int64_t(MaxSegments))) + 1);
      }
      for (int64_t k = 0; k <= repeat; ++k) {
        add(startNumber + int64_t(track.Segments.size()), time);
        if (time > std::numeric_limits<int64_t>::max() - duration) refuseValue("d", entry.AttributeOr("d"));
        time += duration;
      }
    }
    return track;
  }

  const std::optional<std::string> durationText = levels.TemplateAttribute("duration");
  if (!durationText)
    throw EVideoStreamRefused(fmt::format(stream_messages::BadTemplate, "neither duration nor timeline"));
  const int64_t duration = whole(*durationText, "duration");
  if (duration <= 0) refuseValue("duration", *durationText);
  const double count = std::ceil((periodEnd() - double(offset)) / double(duration));
  checkCount(size_t(std::clamp(count, 0.0, double(MaxSegments) + 1)));
  // $Time$ of the last segment must be a number we can write.
  if (double(offset) + count * double(duration) > 9e18) refuseValue("duration", *durationText);
  for (int64_t i = 0; i < int64_t(count); ++i) add(startNumber + i, offset + i * duration);
  return track;
}

TTrack listTrack(const TXmlElement& list, const std::string& base) {
  TTrack track;
  if (const TXmlElement* init = list.Child("Initialization")) {
    TSegment section{ResolveHttpAddress(base, init->AttributeOr("sourceURL")), std::nullopt, std::nullopt, false};
    if (const std::string* range = init->Attribute("range")) section.Range = rangeOf(*range);
    track.Init = section;
  }
  const std::vector<const TXmlElement*> urls = list.ChildrenNamed("SegmentURL");
  checkCount(urls.size());
  for (const TXmlElement* url : urls) {
    TSegment segment{ResolveHttpAddress(base, url->AttributeOr("media")), std::nullopt, std::nullopt, false};
    if (const std::string* range = url->Attribute("mediaRange")) segment.Range = rangeOf(*range);
    track.Segments.push_back(std::move(segment));
  }
  return track;
}

enum class Kind { Video, Audio, Other };

Kind kindOf(const TXmlElement& set) {
  std::string type = set.AttributeOr("contentType");
  if (type.empty()) type = set.AttributeOr("mimeType");
  if (type.empty())
    if (const TXmlElement* first = set.Child("Representation")) type = first->AttributeOr("mimeType");
  if (type.rfind("video", 0) == 0) return Kind::Video;
  if (type.rfind("audio", 0) == 0) return Kind::Audio;
  return Kind::Other;
}

bool isProtected(const TXmlElement& set) {
  if (set.Child("ContentProtection")) return true;
  for (const TXmlElement* representation : set.ChildrenNamed("Representation"))
    if (representation->Child("ContentProtection")) return true;
  return false;
}

struct PeriodQualities {
  std::vector<TStreamVariant> Video;
  std::vector<TStreamVariant> Audio;
  bool ProtectedVideo = false;
  bool ProtectedAudio = false;
};

PeriodQualities readPeriod(const TXmlElement& period, const std::string& mpdBase, const PeriodTiming& timing) {
  PeriodQualities qualities;
  const std::string periodBase = baseOf(period, mpdBase);
  for (const TXmlElement* set : period.ChildrenNamed("AdaptationSet")) {
    const Kind kind = kindOf(*set);
    if (kind == Kind::Other) continue;
    if (isProtected(*set)) {
      (kind == Kind::Video ? qualities.ProtectedVideo : qualities.ProtectedAudio) = true;
      continue;
    }
    const std::string setBase = baseOf(*set, periodBase);
    for (const TXmlElement* representation : set->ChildrenNamed("Representation")) {
      const Levels levels{{&period, set, representation}};
      TStreamVariant variant;
      variant.Id = representation->AttributeOr("id");
      variant.Bandwidth = wholeOr(*representation, "bandwidth", 0);
      const std::string width = levels.Attribute("width");
      const std::string height = levels.Attribute("height");
      if (!width.empty()) variant.Width = int32_t(std::min<int64_t>(whole(width, "width"), 1000000));
      if (!height.empty()) variant.Height = int32_t(std::min<int64_t>(whole(height, "height"), 1000000));
      variant.Codecs = levels.Attribute("codecs");
      variant.MimeType = levels.Attribute("mimeType");
      const std::string base = baseOf(*representation, setBase);
      if (levels.Lowest("SegmentTemplate")) {
        variant.Track = templateTrack(levels, variant, base, timing);
      } else if (const TXmlElement* list = levels.Lowest("SegmentList")) {
        variant.Track = listTrack(*list, base);
      } else {
        // SegmentBase, or nothing: the one file holds everything.
        variant.Track.Segments.push_back({ResolveHttpAddress(base, ""), std::nullopt, std::nullopt, false});
      }
      (kind == Kind::Video ? qualities.Video : qualities.Audio).push_back(std::move(variant));
    }
  }
  return qualities;
}

// Positions of the variants, lowest bandwidth first.
std::vector<size_t> byBandwidth(const std::vector<TStreamVariant>& variants) {
  std::vector<size_t> order(variants.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return variants[a].Bandwidth < variants[b].Bandwidth; });
  return order;
}

// A later period continues each quality with its representation of the
// same id, else with the one of the same rank by bandwidth.
void joinPeriod(std::vector<TStreamVariant>& joined, const std::vector<TStreamVariant>& next) {
  if (next.empty()) return;
  const std::vector<size_t> nextRanked = byBandwidth(next);
  const std::vector<size_t> joinedRanked = byBandwidth(joined);
  for (size_t rank = 0; rank < joinedRanked.size(); ++rank) {
    TStreamVariant& variant = joined[joinedRanked[rank]];
    const auto same = std::find_if(next.begin(), next.end(), [&](const auto& v) { return v.Id == variant.Id; });
    const TStreamVariant& continuation =
        same != next.end() ? *same : next[nextRanked[std::min(rank, nextRanked.size() - 1)]];
    std::vector<TSegment> segments;
    // A new init section goes into the file where it takes effect.
    if (continuation.Track.Init && !(continuation.Track.Init == variant.Track.Init))
      segments.push_back(*continuation.Track.Init);
    segments.insert(segments.end(), continuation.Track.Segments.begin(), continuation.Track.Segments.end());
    if (!segments.empty()) segments.front().Discontinuity = true;
    checkCount(variant.Track.Segments.size() + segments.size());
    variant.Track.Segments.insert(variant.Track.Segments.end(), segments.begin(), segments.end());
  }
}

}  // namespace

std::string ExpandSegmentTemplate(const std::string& text, const TTemplateValues& values) {
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    const size_t open = text.find('$', at);
    if (open == std::string::npos) break;
    const size_t close = text.find('$', open + 1);
    if (close == std::string::npos) throw EVideoStreamRefused(fmt::format(stream_messages::BadTemplate, text));
    out += text.substr(at, open - at);
    at = close + 1;
    const std::string identifier = text.substr(open + 1, close - open - 1);
    if (identifier.empty()) {
      out += '$';
      continue;
    }
    const size_t percent = identifier.find('%');
    const std::string name = identifier.substr(0, percent);
    size_t width = 1;
    if (percent != std::string::npos) {
      const std::string format = identifier.substr(percent);
      // "%0<width>d", the only format the template may carry.
      if (format.size() < 3 || format.size() > 5 || format[1] != '0' || format.back() != 'd' ||
          format.find_first_not_of("0123456789", 1) != format.size() - 1)
        throw EVideoStreamRefused(fmt::format(stream_messages::BadTemplate, text));
      width = std::stoul(format.substr(1, format.size() - 2));
    }
    std::string value;
    if (name == "RepresentationID" && percent == std::string::npos) value = values.RepresentationId;
    else if (name == "Number") value = std::to_string(values.Number);
    else if (name == "Time") value = std::to_string(values.Time);
    else if (name == "Bandwidth") value = std::to_string(values.Bandwidth);
    else throw EVideoStreamRefused(fmt::format(stream_messages::BadTemplate, text));
    if (value.size() < width) value.insert(0, width - value.size(), '0');
    out += value;
  }
  return out + text.substr(std::min(at, text.size()));
}

TDashManifest ReadDashManifest(const std::string& text, const std::string& address) {
  if (text.size() > MaxPlaylistBytes)
    throw EVideoStreamRefused(fmt::format(stream_messages::TextTooLarge, MaxPlaylistBytes));
  const std::unique_ptr<TXmlElement> root = ReadXmlDocument(text);
  if (root->Name != "MPD") throw EVideoStreamRefused(stream_messages::NotAManifest);
  if (root->AttributeOr("type", "static") == "dynamic") throw EVideoStreamRefused(stream_messages::LiveManifest);
  const std::optional<double> total = durationOf(*root, "mediaPresentationDuration");
  const std::string mpdBase = baseOf(*root, address);
  const std::vector<const TXmlElement*> periods = root->ChildrenNamed("Period");

  TDashManifest manifest;
  bool protectedVideo = false;
  bool protectedAudio = false;
  double start = 0;
  for (size_t i = 0; i < periods.size(); ++i) {
    start = durationOf(*periods[i], "start").value_or(start);
    PeriodTiming timing{durationOf(*periods[i], "duration")};
    if (!timing.Duration && i + 1 < periods.size())
      if (const std::optional<double> nextStart = durationOf(*periods[i + 1], "start"))
        timing.Duration = *nextStart - start;
    if (!timing.Duration && i + 1 == periods.size() && total) timing.Duration = *total - start;
    PeriodQualities qualities = readPeriod(*periods[i], mpdBase, timing);
    protectedVideo = protectedVideo || qualities.ProtectedVideo;
    protectedAudio = protectedAudio || qualities.ProtectedAudio;
    if (i == 0) {
      manifest.Video = std::move(qualities.Video);
      manifest.Audio = std::move(qualities.Audio);
    } else {
      joinPeriod(manifest.Video, qualities.Video);
      joinPeriod(manifest.Audio, qualities.Audio);
    }
    if (timing.Duration) start += *timing.Duration;
  }
  if ((manifest.Video.empty() && protectedVideo) || (manifest.Audio.empty() && protectedAudio))
    throw EVideoStreamRefused(stream_messages::ProtectedManifest);
  if (manifest.Video.empty()) throw EVideoStreamRefused(stream_messages::NoVariants);
  return manifest;
}

}  // namespace streams
