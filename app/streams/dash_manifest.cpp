#include "app/streams/dash_manifest.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <functional>
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

// A template's segments one duration apart, numbered on from Number.
struct TemplateRun {
  int64_t Number = 0;
  int64_t Time = 0;
  int64_t Duration = 0;
  int64_t Count = 0;
};

// The runs of a template in one period, in order, each value checked as it
// is read: a count is known without a segment made.
void forEachRun(const Levels& levels, const PeriodTiming& timing,
                const std::function<void(const TemplateRun&)>& visit) {
  const int64_t timescale = templateNumber(levels, "timescale", 1);
  const int64_t startNumber = templateNumber(levels, "startNumber", 1);
  const int64_t offset = templateNumber(levels, "presentationTimeOffset", 0);
  if (timescale <= 0) refuseValue("timescale", "0");
  const auto periodEnd = [&]() -> double {
    if (!timing.Duration) throw EVideoStreamRefused(stream_messages::UnknownDuration);
    return double(offset) + *timing.Duration * double(timescale);
  };

  if (const TXmlElement* timeline = levels.TemplateTimeline()) {
    const std::vector<const TXmlElement*> entries = timeline->ChildrenNamed("S");
    int64_t count = 0;
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
        const double segments = std::ceil((end - double(time)) / double(duration));
        checkCount(size_t(count) + size_t(std::clamp(segments, 0.0, double(MaxSegments) + 1)));
        repeat = std::max<int64_t>(int64_t(segments) - 1, -1);
      } else {
        repeat = whole(repeatText, "r");
        checkCount(size_t(count) + size_t(std::min<int64_t>(repeat, int64_t(MaxSegments))) + 1);
      }
      // $Time$ after the run must be a number we can write.
      if (repeat + 1 > (std::numeric_limits<int64_t>::max() - time) / duration)
        refuseValue("d", entry.AttributeOr("d"));
      visit({startNumber + count, time, duration, repeat + 1});
      count += repeat + 1;
      time += (repeat + 1) * duration;
    }
    return;
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
  visit({startNumber, offset, duration, std::max<int64_t>(int64_t(count), 0)});
}

// Where one quality's segments come from in one period: the representation's
// place in the kept document, its base address and the period's length.
struct PeriodPart {
  Levels Where;
  std::string Base;
  PeriodTiming Timing;
  // The representation's own, for its template: a later period may go on
  // with another representation than the first period's.
  std::string Id;
  int64_t Bandwidth = 0;
  std::optional<TSegment> Init;
  size_t Count = 0;
};

TSegment listSegment(const TXmlElement& url, const std::string& base) {
  TSegment segment{ResolveHttpAddress(base, url.AttributeOr("media")), std::nullopt, std::nullopt, false};
  if (const std::string* range = url.Attribute("mediaRange")) segment.Range = rangeOf(*range);
  return segment;
}

// The part's media segments, appended to out; without out only counted,
// which a template does without making one.
size_t segmentsOf(const PeriodPart& part, std::vector<TSegment>* out) {
  if (part.Where.Lowest("SegmentTemplate")) {
    const std::optional<std::string> media = part.Where.TemplateAttribute("media");
    if (!media) throw EVideoStreamRefused(fmt::format(stream_messages::BadTemplate, "no media attribute"));
    size_t count = 0;
    forEachRun(part.Where, part.Timing, [&](const TemplateRun& run) {
      count += size_t(run.Count);
      for (int64_t k = 0; out && k < run.Count; ++k)
        out->push_back({ResolveHttpAddress(
                            part.Base, ExpandSegmentTemplate(*media, {part.Id, run.Number + k,
                                                                      run.Time + k * run.Duration, part.Bandwidth})),
                        std::nullopt, std::nullopt, false});
    });
    return count;
  }
  if (const TXmlElement* list = part.Where.Lowest("SegmentList")) {
    const std::vector<const TXmlElement*> urls = list->ChildrenNamed("SegmentURL");
    checkCount(urls.size());
    for (const TXmlElement* url : urls) {
      TSegment segment = listSegment(*url, part.Base);
      if (out) out->push_back(std::move(segment));
    }
    return urls.size();
  }
  // SegmentBase, or nothing: the one file holds everything.
  TSegment whole{ResolveHttpAddress(part.Base, ""), std::nullopt, std::nullopt, false};
  if (out) out->push_back(std::move(whole));
  return 1;
}

std::optional<TSegment> initOf(const PeriodPart& part) {
  if (part.Where.Lowest("SegmentTemplate")) {
    const std::optional<std::string> init = part.Where.TemplateAttribute("initialization");
    if (!init) return std::nullopt;
    return TSegment{ResolveHttpAddress(part.Base, ExpandSegmentTemplate(*init, {part.Id, 0, 0, part.Bandwidth})),
                    std::nullopt, std::nullopt, false};
  }
  const TXmlElement* list = part.Where.Lowest("SegmentList");
  const TXmlElement* init = list ? list->Child("Initialization") : nullptr;
  if (!init) return std::nullopt;
  TSegment section{ResolveHttpAddress(part.Base, init->AttributeOr("sourceURL")), std::nullopt, std::nullopt, false};
  if (const std::string* range = init->Attribute("range")) section.Range = rangeOf(*range);
  return section;
}

struct Quality {
  TStreamVariant Variant;
  PeriodPart Part;
};

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
  std::vector<Quality> Video;
  std::vector<Quality> Audio;
  bool ProtectedVideo = false;
  bool ProtectedAudio = false;
};

// Every representation is checked and its segments counted here, while only
// the chosen ones are ever made.
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
      PeriodPart part{levels, baseOf(*representation, setBase), timing, variant.Id, variant.Bandwidth, std::nullopt, 0};
      part.Count = segmentsOf(part, nullptr);
      part.Init = initOf(part);
      (kind == Kind::Video ? qualities.Video : qualities.Audio).push_back({std::move(variant), std::move(part)});
    }
  }
  return qualities;
}

// Positions of the parts, lowest bandwidth first.
std::vector<size_t> byBandwidth(const std::vector<PeriodPart>& parts) {
  std::vector<size_t> order(parts.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return parts[a].Bandwidth < parts[b].Bandwidth; });
  return order;
}

// The parts that make up the track of the first period's quality at index:
// each later period goes on with its representation of the same id, else
// with the one of the same rank by bandwidth. Joined only for the quality
// asked for, so that many periods of many representations cost nothing
// until one is chosen.
std::vector<const PeriodPart*> partsOf(const std::vector<std::vector<PeriodPart>>& periods, size_t index) {
  const PeriodPart& first = periods.front().at(index);
  const std::vector<size_t> ranked = byBandwidth(periods.front());
  const size_t rank = size_t(std::find(ranked.begin(), ranked.end(), index) - ranked.begin());
  std::vector<const PeriodPart*> parts{&first};
  for (size_t p = 1; p < periods.size(); ++p) {
    const std::vector<PeriodPart>& next = periods[p];
    if (next.empty()) continue;
    const auto same =
        std::find_if(next.begin(), next.end(), [&](const PeriodPart& part) { return part.Id == first.Id; });
    parts.push_back(same != next.end() ? &*same : &next[byBandwidth(next)[std::min(rank, next.size() - 1)]]);
  }
  return parts;
}

// A new init section goes into the file where it takes effect.
bool initBetweenPeriods(const PeriodPart& first, const PeriodPart& next) {
  return next.Init && !(next.Init == first.Init);
}

TTrack expandTrack(const std::vector<std::vector<PeriodPart>>& periods, size_t index, size_t& budget) {
  const std::vector<const PeriodPart*> parts = partsOf(periods, index);
  size_t count = 0;
  for (size_t i = 0; i < parts.size(); ++i)
    count += parts[i]->Count + (i > 0 && initBetweenPeriods(*parts[0], *parts[i]) ? 1 : 0);
  if (count > budget) throw EVideoStreamRefused(fmt::format(stream_messages::TooManySegments, MaxSegments));
  budget -= count;
  TTrack track;
  track.Init = parts[0]->Init;
  track.Segments.reserve(count);
  for (size_t i = 0; i < parts.size(); ++i) {
    const size_t start = track.Segments.size();
    if (i > 0 && initBetweenPeriods(*parts[0], *parts[i])) track.Segments.push_back(*parts[i]->Init);
    segmentsOf(*parts[i], &track.Segments);
    if (i > 0 && track.Segments.size() > start) track.Segments[start].Discontinuity = true;
  }
  return track;
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

struct TDashManifest::TSources {
  // The parts point into it.
  std::unique_ptr<TXmlElement> Document;
  // Period by period, every representation's part; the qualities are the
  // first period's.
  std::vector<std::vector<PeriodPart>> Video;
  std::vector<std::vector<PeriodPart>> Audio;
};

TTrack TDashManifest::VideoTrack(size_t index, size_t& budget) const {
  return expandTrack(sources_->Video, index, budget);
}

TTrack TDashManifest::AudioTrack(size_t index, size_t& budget) const {
  return expandTrack(sources_->Audio, index, budget);
}

TDashManifest ReadDashManifest(const std::string& text, const std::string& address) {
  if (text.size() > MaxPlaylistBytes)
    throw EVideoStreamRefused(fmt::format(stream_messages::TextTooLarge, MaxPlaylistBytes));
  auto sources = std::make_shared<TDashManifest::TSources>();
  sources->Document = ReadXmlDocument(text);
  const TXmlElement& root = *sources->Document;
  if (root.Name != "MPD") throw EVideoStreamRefused(stream_messages::NotAManifest);
  if (root.AttributeOr("type", "static") == "dynamic") throw EVideoStreamRefused(stream_messages::LiveManifest);
  const std::optional<double> total = durationOf(root, "mediaPresentationDuration");
  const std::string mpdBase = baseOf(root, address);
  const std::vector<const TXmlElement*> periods = root.ChildrenNamed("Period");

  bool protectedVideo = false;
  bool protectedAudio = false;
  double start = 0;
  TDashManifest manifest;
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
    // The qualities are the first period's; every period keeps its parts.
    const auto keep = [&](std::vector<Quality>& read, std::vector<TStreamVariant>& variants,
                          std::vector<std::vector<PeriodPart>>& parts) {
      parts.emplace_back();
      for (Quality& quality : read) {
        if (i == 0) variants.push_back(std::move(quality.Variant));
        parts.back().push_back(std::move(quality.Part));
      }
    };
    keep(qualities.Video, manifest.Video, sources->Video);
    keep(qualities.Audio, manifest.Audio, sources->Audio);
    if (timing.Duration) start += *timing.Duration;
  }
  if ((manifest.Video.empty() && protectedVideo) || (manifest.Audio.empty() && protectedAudio))
    throw EVideoStreamRefused(stream_messages::ProtectedManifest);
  if (manifest.Video.empty()) throw EVideoStreamRefused(stream_messages::NoVariants);
  manifest.sources_ = std::move(sources);
  return manifest;
}

}  // namespace streams
