#include "net/http/text_helpers.h"

#include <algorithm>

namespace {
bool isTrimmed(char c) { return static_cast<unsigned char>(c) <= ' '; }
char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

size_t TextPos(std::string_view sought, std::string_view text) {
  if (sought.empty()) return 0;
  const size_t found = text.find(sought);
  return found == std::string_view::npos ? 0 : found + 1;
}

std::string TrimLeft(std::string_view text) {
  size_t first = 0;
  while (first < text.size() && isTrimmed(text[first])) ++first;
  return std::string(text.substr(first));
}

std::string TrimRight(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && isTrimmed(text[end - 1])) --end;
  return std::string(text.substr(0, end));
}

std::string Trim(std::string_view text) { return TrimLeft(TrimRight(text)); }

std::string UpperCase(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(), upper);
  return result;
}

std::string LowerCase(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(), lower);
  return result;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return upper(x) == upper(y); });
}
