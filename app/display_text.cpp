#include "app/display_text.h"

namespace {

constexpr std::string_view Replacement = "\uFFFD";

// The length of the well-formed UTF-8 character text starts with, 0 when it
// starts with none: overlong forms (an ESC in two bytes), surrogate halves
// and code points past U+10FFFF are none.
size_t characterLength(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  size_t length = 0;
  // The range of the second byte; the others are any continuation byte.
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i)
    if ((byte(i) & 0xC0) != 0x80) return 0;
  return length;
}

// C0 controls and DEL, and the C1 controls U+0080..U+009F, which some
// terminals obey in UTF-8 too.
bool isControl(std::string_view character) {
  const auto lead = static_cast<unsigned char>(character[0]);
  if (character.size() == 1) return lead < 0x20 || lead == 0x7F;
  return lead == 0xC2 && static_cast<unsigned char>(character[1]) < 0xA0;
}

}  // namespace

std::string DisplayText(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const std::string_view rest = text.substr(i);
    const size_t length = characterLength(rest);
    if (length == 0) {
      shown += Replacement;
      ++i;
      continue;
    }
    const std::string_view character = rest.substr(0, length);
    const bool layout = character == "\t" || character == "\n" || rest.starts_with("\r\n");
    shown += isControl(character) && !layout ? Replacement : character;
    i += length;
  }
  return shown;
}
