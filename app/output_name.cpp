#include "app/output_name.h"

#include <array>
#include <cctype>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <utility>

#include "app/display_text.h"
#include "platform/text.h"

namespace {
constexpr size_t MaxNameBytes = 200;

// A field's value as a file name shows it.
std::string fieldText(const std::string& value, bool restricted) {
  if (value.empty()) return "NA";
  std::string text = SafeFileName(value);
  if (!restricted) return text;
  std::string plain;
  for (const char c : text) {
    if (std::isalnum(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 0x80) plain += c;
    else if (c == ' ') plain += '_';
    else if (c == '-' || c == '_' || c == '.') plain += c;
  }
  return plain.empty() ? "NA" : plain;
}

// The first count characters, never half of one.
std::string firstCharacters(const std::string& text, size_t count) {
  size_t end = 0;
  for (size_t characters = 0; end < text.size(); ++end) {
    if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80 && characters++ == count) break;
  }
  return text.substr(0, end);
}
}  // namespace

std::string OutputNameOf(const std::string& output) {
  if (output.empty()) return DefaultNameTemplate;
  std::error_code unknown;
  if (!output.ends_with('/') && !std::filesystem::is_directory(output, unknown)) return output;
  // The folder's own "%" signs are no fields.
  std::string folder;
  for (const char c : output) folder += c == '%' ? "%%" : std::string(1, c);
  return folder + (output.ends_with('/') ? "" : "/") + DefaultNameTemplate;
}

std::string NameWithExtension(const std::string& name, const std::string& extension) {
  if (extension.empty()) return name;
  // What the formats and the copied containers end in.
  constexpr std::array<std::string_view, 16> MediaExtensions = {
      "3gp", "avi", "flv", "m4a", "mkv", "mov", "mp3", "mp4", "mpeg", "mpg", "ogg", "opus", "rm", "ts", "webm", "wmv"};
  const size_t slash = name.find_last_of('/');
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == slash + 1)
    return name + "." + extension;
  const std::string current = LowerCase(name.substr(dot + 1));
  if (current == LowerCase(extension)) return name;
  for (const std::string_view known : MediaExtensions)
    if (current == known) return name.substr(0, dot + 1) + extension;
  return name + "." + extension;
}

bool IsNameTemplate(const std::string& text) { return text.find("%(") != std::string::npos; }

namespace {
// fieldCount: how many of the fields below the template may name.
std::string expand(const std::string& nameTemplate, const TNameFields& fields, bool restricted, size_t fieldCount) {
  const std::pair<std::string_view, const std::string*> all[] = {
      {"title", &fields.Title},
      {"ext", &fields.Extension},
      {"id", &fields.Id},
      {"format", &fields.Format},
      {"webpage_url_domain", &fields.Domain},
      {"width", &fields.Width},
      {"height", &fields.Height},
      {"resolution", &fields.Resolution},
      {"upload_date", &fields.UploadDate},
  };
  const std::span known(all, fieldCount);
  const auto refuse = [&] {
    std::string names;
    for (const auto& [name, value] : known) names += "%(" + std::string(name) + ")s, ";
    names.resize(names.size() - 2);
    throw EBadNameTemplate("The output template '" + nameTemplate + "' has a field other than " + names + " and %%");
  };
  std::string result;
  for (size_t i = 0; i < nameTemplate.size(); ++i) {
    if (nameTemplate[i] != '%') {
      result += nameTemplate[i];
      continue;
    }
    if (nameTemplate.compare(i, 2, "%%") == 0) {
      result += '%';
      ++i;
      continue;
    }
    // %(name)s or %(name).Ns
    const size_t close = nameTemplate.find(')', i);
    if (nameTemplate.compare(i, 2, "%(") != 0 || close == std::string::npos) refuse();
    const std::string_view name = std::string_view(nameTemplate).substr(i + 2, close - i - 2);
    size_t end = close + 1;
    std::optional<size_t> width;
    if (end < nameTemplate.size() && nameTemplate[end] == '.') {
      size_t digits = end + 1;
      while (digits < nameTemplate.size() && std::isdigit(static_cast<unsigned char>(nameTemplate[digits]))) ++digits;
      if (digits == end + 1 || digits - end > 4) refuse();
      width = size_t(std::stoul(nameTemplate.substr(end + 1, digits - end - 1)));
      end = digits;
    }
    if (end >= nameTemplate.size() || nameTemplate[end] != 's') refuse();
    const std::string* value = nullptr;
    for (const auto& [knownName, knownValue] : known)
      if (knownName == name) value = knownValue;
    if (!value) refuse();
    // The title is "video" when there is none, and the extension is ours.
    std::string text = value == &fields.Title       ? SafeFileName(*value)
                       : value == &fields.Extension ? *value
                                                    : fieldText(*value, false);
    if (restricted) text = fieldText(text, true);
    if (width) text = firstCharacters(text, *width);
    result += text;
    i = end;
  }
  return result;
}

}  // namespace

std::string ExpandNameTemplate(const std::string& nameTemplate, const TNameFields& fields, bool restricted) {
  return expand(nameTemplate, fields, restricted, 9);
}

// Names kept for the queue, which knows the title and the extension only.
std::string ExpandNameTemplate(const std::string& nameTemplate, const std::string& title,
                               const std::string& extension) {
  TNameFields fields;
  fields.Title = title;
  fields.Extension = extension;
  return expand(nameTemplate, fields, false, 2);
}

std::string NumberedCopyName(const std::string& name, int copy) {
  const size_t slash = name.find_last_of('/');
  const size_t dot = name.rfind('.');
  const size_t stem = dot == std::string::npos || (slash != std::string::npos && dot < slash) ? name.size() : dot;
  return name.substr(0, stem) + " (" + std::to_string(copy) + ")" + name.substr(stem);
}

std::string SafeFileName(const std::string& title) {
  // Controls of either kind and bytes that are not UTF-8 come back as
  // replacement characters, which go here like blanks.
  constexpr std::string_view Replaced = "\xEF\xBF\xBD";
  const std::string shown = DisplayText(title);
  std::string name;
  bool blank = false;
  for (size_t i = 0; i < shown.size(); ++i) {
    const char c = shown[i];
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || shown.compare(i, Replaced.size(), Replaced) == 0) {
      if (byte > 0x20) i += Replaced.size() - 1;
      blank = true;
      continue;
    }
    if (blank && !name.empty()) name += ' ';
    blank = false;
    name += c == '/' ? '_' : c;
  }
  if (!name.empty() && name.front() == '.') name.front() = '_';
  if (name.size() > MaxNameBytes) {
    size_t cut = MaxNameBytes;
    // Step back over continuation bytes to the start of the cut character.
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
    while (!name.empty() && name.back() == ' ') name.pop_back();
  }
  return name.empty() ? "video" : name;
}
