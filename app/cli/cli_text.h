// The command line's own words in the user's language. Each is marked where
// it is written with QT_TRANSLATE_NOOP("quillfen-cli", ...) for lupdate.
#pragma once

#include <string>

#include <fmt/core.h>

#include "app/translation/translations.h"

inline std::string CliText(const char* text) { return TranslatedText("quillfen-cli", text); }

// One of the command line's own patterns in the user's language, filled.
template <class... Values>
std::string CliFormat(const char* pattern, const Values&... values) {
  return fmt::format(fmt::runtime(CliText(pattern)), values...);
}

// A pattern of the program's message table in the user's language, filled.
template <class... Values>
std::string MessageFormat(const char* pattern, const Values&... values) {
  return fmt::format(fmt::runtime(TranslatedMessage(pattern)), values...);
}
