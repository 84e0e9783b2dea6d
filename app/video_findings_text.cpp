#include "app/video_findings_text.h"

#include <algorithm>

#include <fmt/format.h>

#include "app/streams/quality_choice.h"
#include "net/http/uri.h"
#include "platform/text.h"
#include "platform/translation_marks.h"

namespace {

using streams::TOfferedAudio;
using streams::TStreamVariant;

const char* const Headings[] = {
    QT_TRANSLATE_NOOP("quillfen-cli", "ID"),      QT_TRANSLATE_NOOP("quillfen-cli", "RESOLUTION"),
    QT_TRANSLATE_NOOP("quillfen-cli", "BITRATE"), QT_TRANSLATE_NOOP("quillfen-cli", "CODECS"),
    QT_TRANSLATE_NOOP("quillfen-cli", "AUDIO"),
};

// Characters, for the table's columns: a language's name may be UTF-8.
size_t characters(const std::string& text) {
  return size_t(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string resolution(const TStreamVariant& quality) {
  return quality.Width > 0 && quality.Height > 0 ? fmt::format("{}x{}", quality.Width, quality.Height) : "";
}

// The sound tracks a quality plays with: an HLS variant those of its group,
// a DASH quality every audio representation.
std::vector<const TOfferedAudio*> audioOf(const TVideoFindings& findings, const TStreamVariant& quality) {
  std::vector<const TOfferedAudio*> tracks;
  for (const TOfferedAudio& audio : findings.Offer.Audio)
    if (audio.Group == quality.AudioGroup) tracks.push_back(&audio);
  return tracks;
}

std::string audioText(const TOfferedAudio& audio) {
  std::string text = audio.Name;
  if (!audio.Language.empty()) text += " (" + audio.Language + ")";
  if (audio.Bandwidth > 0) text += ", " + streams::BitRateText(audio.Bandwidth);
  return text;
}

std::string jsonString(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    switch (c) {
      case '"': quoted += "\\\""; break;
      case '\\': quoted += "\\\\"; break;
      case '\n': quoted += "\\n"; break;
      case '\r': quoted += "\\r"; break;
      case '\t': quoted += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) quoted += fmt::format("\\u{:04x}", int(c));
        else quoted += c;
    }
  }
  return quoted + "\"";
}

std::string jsonNumber(int64_t value) { return value > 0 ? std::to_string(value) : "null"; }

// A field as JSON holds it: a string, a number, or null when unknown.
struct TField {
  const char* Name;
  std::optional<std::string> Value;
  bool Number = false;
};

std::optional<std::string> known(const std::string& text) { return text.empty() ? std::nullopt : std::optional(text); }

std::optional<std::string> knownNumber(int64_t value) {
  return value > 0 ? std::optional(std::to_string(value)) : std::nullopt;
}

std::vector<TField> fieldsOf(const TFindingsView& view) {
  const TVideoFindings& findings = *view.Findings;
  const TStreamVariant* chosen = ChosenQuality(findings);
  const char* stream = !findings.Stream ? nullptr : *findings.Stream == streams::TStreamKind::Hls ? "hls" : "dash";
  return {
      {"webpage_url", known(view.WebpageUrl)},
      {"title", known(findings.Title)},
      {"id", known(view.Id)},
      {"url", known(findings.Address)},
      {"stream", stream ? std::optional<std::string>(stream) : std::nullopt},
      {"format_id", chosen ? known(chosen->Id) : std::nullopt},
      {"width", chosen ? knownNumber(chosen->Width) : std::nullopt, true},
      {"height", chosen ? knownNumber(chosen->Height) : std::nullopt, true},
      {"resolution", chosen ? known(resolution(*chosen)) : std::nullopt},
      {"upload_date", known(findings.UploadDate)},
      {"format", known(view.Format)},
      {"ext", known(view.Extension)},
      {"filename", known(view.FileName)},
      {"webpage_url_domain", known(view.Domain)},
  };
}

}  // namespace

std::string QualityTable(const TVideoFindings& findings, const std::function<std::string(const char*)>& translate) {
  std::vector<std::vector<std::string>> rows(1);
  for (const char* heading : Headings) rows[0].push_back(translate(heading));
  for (const TStreamVariant& quality : findings.Offer.Qualities) {
    std::string audio;
    for (const TOfferedAudio* track : audioOf(findings, quality))
      audio += (audio.empty() ? "" : "; ") + audioText(*track);
    rows.push_back({quality.Id, resolution(quality), streams::BitRateText(quality.Bandwidth),
                    quality.Codecs.empty() ? quality.MimeType : quality.Codecs, audio});
  }
  std::vector<size_t> widths(rows[0].size());
  for (const auto& row : rows)
    for (size_t column = 0; column < row.size(); ++column)
      widths[column] = std::max(widths[column], characters(row[column]));
  std::string table;
  for (const auto& row : rows) {
    std::string line;
    for (size_t column = 0; column < row.size(); ++column)
      line += row[column] + std::string(widths[column] - characters(row[column]) + 2, ' ');
    table += line.substr(0, line.find_last_not_of(' ') + 1) + "\n";
  }
  return table;
}

std::string FindingsJson(const TFindingsView& view) {
  std::string json = "{";
  for (const TField& field : fieldsOf(view)) {
    json += jsonString(field.Name) + ": ";
    json += !field.Value ? "null" : field.Number ? *field.Value : jsonString(*field.Value);
    json += ", ";
  }
  json += "\"formats\": [";
  const TVideoFindings& findings = *view.Findings;
  for (size_t i = 0; i < findings.Offer.Qualities.size(); ++i) {
    const TStreamVariant& quality = findings.Offer.Qualities[i];
    json +=
        fmt::format("{}{{\"format_id\": {}, \"width\": {}, \"height\": {}, \"tbr\": {}, \"codecs\": {}, \"audio\": [",
                    i ? ", " : "", jsonString(quality.Id), jsonNumber(quality.Width), jsonNumber(quality.Height),
                    jsonNumber((quality.Bandwidth + 500) / 1000), jsonString(quality.Codecs));
    const std::vector<const TOfferedAudio*> tracks = audioOf(findings, quality);
    for (size_t t = 0; t < tracks.size(); ++t)
      json += fmt::format("{}{{\"name\": {}, \"language\": {}}}", t ? ", " : "", jsonString(tracks[t]->Name),
                          tracks[t]->Language.empty() ? "null" : jsonString(tracks[t]->Language));
    json += "]}";
  }
  return json + "]}\n";
}

const std::vector<std::string>& PrintableFields() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> all;
    const TVideoFindings none;
    TFindingsView view;
    view.Findings = &none;
    for (const TField& field : fieldsOf(view)) all.emplace_back(field.Name);
    return all;
  }();
  return names;
}

std::optional<std::string> FindingsField(const TFindingsView& view, const std::string& field) {
  for (const TField& known : fieldsOf(view))
    if (field == known.Name) return known.Value.value_or("NA");
  return std::nullopt;
}

const streams::TStreamVariant* ChosenQuality(const TVideoFindings& findings) {
  return findings.Chosen ? &findings.Offer.Qualities[*findings.Chosen] : nullptr;
}

std::string LikelyOriginalExtension(const TVideoFindings& findings) {
  if (findings.Stream) {
    const TStreamVariant* chosen = ChosenQuality(findings);
    const std::string type = chosen ? chosen->MimeType : "";
    return type.starts_with("video/") && type != "video/mp2t" ? type.substr(6) : "mp4";
  }
  const std::string document = TIdURI(findings.Address).Document;
  const size_t dot = document.rfind('.');
  return dot == std::string::npos ? "mp4" : LowerCase(document.substr(dot + 1));
}
