// Finished messages back into a language: the pattern that made a text is
// found among similar ones, its translation is filled with the same values
// in the translation's order, and texts that fit nothing or whose
// translation is broken stay as they are.
#include <gtest/gtest.h>

#include <map>

#include "app/translation/composed_message.h"

namespace {

const char* const Patterns[] = {"{} bytes.",
                                "{} bytes of {} bytes.",
                                "Cannot fetch {}: {}",
                                "'{}' is not a valid {}: it must be a whole number",
                                "Connection lost; continuing from byte {2} (retry {0} of {1})",
                                "Untranslated {}"};

const std::map<std::string, std::string> Translations = {
    {"Done", "Fertig"},
    {"{} bytes.", "{} Bytes."},
    {"{} bytes of {} bytes.", "{1} Bytes gesamt, {0} bisher."},
    {"Cannot fetch {}: {}", "{} nicht geholt: {}"},
    {"'{}' is not a valid {}: it must be a whole number", "'{}' ist keine gültige {}"},
    {"frame width", "Bildbreite"},
    {"Connection lost; continuing from byte {2} (retry {0} of {1})", "Versuch {0}/{1} ab Byte {2}{5}"},
};

std::string lookup(const std::string& text) {
  const auto found = Translations.find(text);
  return found == Translations.end() ? text : found->second;
}

struct ComposedCase {
  const char* text;
  const char* expected;
};

const ComposedCase Cases[] = {
    {"Done", "Fertig"},
    // The longer pattern made it, though the shorter one fits too.
    {"5 bytes of 10 bytes.", "10 Bytes gesamt, 5 bisher."},
    {"7 bytes.", "7 Bytes."},
    // A value holding the next fixed text keeps it: the first ": " splits.
    {"Cannot fetch http://h:80/a: b: c", "http://h:80/a nicht geholt: b: c"},
    // A value that is itself a table text is translated too.
    {"'0' is not a valid frame width: it must be a whole number", "'0' ist keine gültige Bildbreite"},
    {"Untranslated 5", "Untranslated 5"},
    {"Nothing like it", "Nothing like it"},
    {"bytes.", "bytes."},
    // A translation naming a field the pattern lacks cannot be filled.
    {"Connection lost; continuing from byte 9 (retry 1 of 3)",
     "Connection lost; continuing from byte 9 (retry 1 of 3)"},
};

TEST(ComposedMessage, TableOfTexts) {
  for (const ComposedCase& c : Cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TranslateComposed(c.text, Patterns, lookup), c.expected);
  }
}

}  // namespace
