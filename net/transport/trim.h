#pragma once
// Trimming as the reply readers need it: blanks and control characters off
// both ends.

#include <string_view>

inline std::string_view TrimBlanksAndControls(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}
