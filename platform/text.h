#pragma once
// The small 8-bit text operations every layer needs: trimming of blanks and
// control characters, ASCII case, and lines. Text is bytes; letters beyond
// ASCII are left alone.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Trimming removes every byte up to and including the blank (blanks and
// control characters).
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);

// Appends a code point as UTF-8; one that is no character (0, a surrogate,
// past U+10FFFF) becomes U+FFFD.
void AppendUtf8(std::string& out, uint32_t code);

// The lines of a text ended by CR LF, LF or a lone CR; a last line without
// an end counts, an end at the very end starts no empty line.
std::vector<std::string> SplitLines(std::string_view text);
