#include "app/translation/composed_message.h"

#include <optional>
#include <vector>

#include <fmt/args.h>
#include <fmt/format.h>

namespace {

// A pattern as the texts between its fields and the fields' argument numbers:
// literals has one entry more than fields.
struct TPattern {
  std::vector<std::string> literals{""};
  std::vector<size_t> fields;
  size_t literalSize = 0;
};

TPattern parse(const std::string& pattern) {
  TPattern parsed;
  size_t nextAutomatic = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if ((c == '{' || c == '}') && i + 1 < pattern.size() && pattern[i + 1] == c) {
      parsed.literals.back() += c;
      ++i;
    } else if (c == '{') {
      const size_t close = pattern.find('}', i);
      if (close == std::string::npos) break;
      const std::string number = pattern.substr(i + 1, close - i - 1);
      // A field with a format of its own ("{:.1f}") counts as an automatic one.
      const bool numbered = !number.empty() && number.find_first_not_of("0123456789") == std::string::npos;
      parsed.fields.push_back(numbered ? std::stoul(number) : nextAutomatic++);
      parsed.literals.emplace_back();
      i = close;
    } else {
      parsed.literals.back() += c;
    }
  }
  for (const std::string& literal : parsed.literals) parsed.literalSize += literal.size();
  return parsed;
}

// The field values when text fits the pattern: the first and last texts
// anchor both ends, each text between is taken at its first place.
std::optional<std::vector<std::string>> match(const TPattern& pattern, const std::string& text) {
  const std::string& first = pattern.literals.front();
  const std::string& last = pattern.literals.back();
  if (pattern.fields.empty() || text.size() < first.size() + last.size() || !text.starts_with(first) ||
      !text.ends_with(last))
    return std::nullopt;
  const size_t end = text.size() - last.size();
  std::vector<std::string> values;
  size_t position = first.size();
  for (size_t i = 1; i + 1 < pattern.literals.size(); ++i) {
    const size_t found = text.find(pattern.literals[i], position);
    if (found == std::string::npos || found + pattern.literals[i].size() > end) return std::nullopt;
    values.push_back(text.substr(position, found - position));
    position = found + pattern.literals[i].size();
  }
  values.push_back(text.substr(position, end - position));
  return values;
}

}  // namespace

std::string TranslateComposed(const std::string& text, std::span<const char* const> patterns,
                              const std::function<std::string(const std::string&)>& lookup) {
  if (std::string exact = lookup(text); exact != text) return exact;
  // Where several patterns fit ("{} bytes." and "{} bytes of {} bytes."), the
  // one with the most fixed text is the one that made it.
  const char* chosen = nullptr;
  TPattern chosenParsed;
  std::vector<std::string> values;
  for (const char* pattern : patterns) {
    TPattern parsed = parse(pattern);
    if (chosen && parsed.literalSize <= chosenParsed.literalSize) continue;
    if (std::optional<std::vector<std::string>> fitting = match(parsed, text)) {
      chosen = pattern;
      chosenParsed = std::move(parsed);
      values = std::move(*fitting);
    }
  }
  if (!chosen) return text;
  const std::string translated = lookup(chosen);
  if (translated == chosen) return text;
  // Arguments by number; a field the pattern repeats keeps its first value.
  std::vector<std::optional<std::string>> arguments;
  for (size_t i = 0; i < chosenParsed.fields.size(); ++i) {
    const size_t field = chosenParsed.fields[i];
    if (arguments.size() <= field) arguments.resize(field + 1);
    // A value may itself be a table text, such as the name of a frame side.
    if (!arguments[field]) arguments[field] = lookup(values[i]);
  }
  fmt::dynamic_format_arg_store<fmt::format_context> store;
  for (const std::optional<std::string>& argument : arguments) store.push_back(argument.value_or(""));
  try {
    return fmt::vformat(translated, store);
  } catch (const fmt::format_error&) {
    return text;
  }
}
