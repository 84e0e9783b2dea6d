// What the command line shows of what an address offers, its video not
// fetched: the qualities as a table for people, everything as one JSON
// object for programs, or one field of it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/download_job.h"

// The findings with what the front end adds: the address it was given, the
// site's video id, the output format and the name the output would get.
struct TFindingsView {
  const TVideoFindings* Findings = nullptr;
  std::string WebpageUrl;
  std::string Id;
  std::string Format;
  std::string Domain;
  std::string Extension;
  std::string FileName;
};

// One row a quality: id, resolution, bit rate, codecs and the sound tracks
// it plays with (name and language); a plain file's row names its type.
// translate gives the headings in the user's language.
std::string QualityTable(const TVideoFindings& findings, const std::function<std::string(const char*)>& translate);

// One line, ended by a newline.
std::string FindingsJson(const TFindingsView& view);

// The fields --print knows, in the order the JSON object holds them.
const std::vector<std::string>& PrintableFields();

// A field's value, "NA" when the address does not tell it; none for a field
// not in PrintableFields.
std::optional<std::string> FindingsField(const TFindingsView& view, const std::string& field);

// The extension Original's output would most likely get: a DASH quality's
// container, MP4 for HLS, else the file's own extension.
std::string LikelyOriginalExtension(const TVideoFindings& findings);

// The quality the job would take; none when the stream offers none.
const streams::TStreamVariant* ChosenQuality(const TVideoFindings& findings);
