// The texts of the window-layout errors; %1 is the file, %2 the control, %3 the key.
#pragma once

#include "platform/translation_marks.h"

namespace taskpane_messages {
inline constexpr const char* LayoutMissing = QT_TRANSLATE_NOOP("quillfen", "Layout file \"%1\" cannot be read");
inline constexpr const char* LayoutNotJson = QT_TRANSLATE_NOOP("quillfen", "Layout file \"%1\" is not a layout: %2");
inline constexpr const char* LayoutUnknownControl =
    QT_TRANSLATE_NOOP("quillfen", "Layout file \"%1\": unknown control \"%2\"");
inline constexpr const char* LayoutUnknownProperty =
    QT_TRANSLATE_NOOP("quillfen", "Layout file \"%1\": control \"%2\" has no property \"%3\"");
inline constexpr const char* LayoutWrongKind = QT_TRANSLATE_NOOP(
    "quillfen", "Layout file \"%1\": control \"%2\", property \"%3\" holds a value of the wrong kind");
inline constexpr const char* LayoutNotWritten = QT_TRANSLATE_NOOP("quillfen", "Cannot create file \"%1\"");
}  // namespace taskpane_messages
