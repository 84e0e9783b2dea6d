#include "app/output_name.h"

#include <array>
#include <filesystem>
#include <string_view>

#include "app/display_text.h"
#include "platform/text.h"

namespace {
constexpr size_t MaxNameBytes = 200;
constexpr const char* TitleField = "%(title)s";
constexpr const char* ExtensionField = "%(ext)s";
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

std::string ExpandNameTemplate(const std::string& nameTemplate, const std::string& title,
                               const std::string& extension) {
  std::string result;
  for (size_t i = 0; i < nameTemplate.size(); ++i) {
    if (nameTemplate[i] != '%') {
      result += nameTemplate[i];
    } else if (nameTemplate.compare(i, 2, "%%") == 0) {
      result += '%';
      ++i;
    } else if (nameTemplate.compare(i, 9, TitleField) == 0) {
      result += SafeFileName(title);
      i += 8;
    } else if (nameTemplate.compare(i, 7, ExtensionField) == 0) {
      result += extension;
      i += 6;
    } else {
      throw EBadNameTemplate("The output template '" + nameTemplate + "' has a field other than " + TitleField + ", " +
                             ExtensionField + " and %%");
    }
  }
  return result;
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
