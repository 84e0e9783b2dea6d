#pragma once
// The small 8-bit text operations the HTTP layer repeats everywhere: 1-based
// search, trimming of blanks and control characters, ASCII case. Text is
// bytes; letters beyond ASCII are left alone.

#include <cstddef>
#include <string>
#include <string_view>

// 1-based position of the first occurrence of sought in text; 0 when it does
// not occur or sought is empty.
size_t TextPos(std::string_view sought, std::string_view text);

// Trimming removes every byte up to and including the blank (blanks and
// control characters).
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
