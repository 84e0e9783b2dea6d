// Marks a text for the translation tools in code that has no Qt: lupdate reads
// the mark from the source, and a front end looks the text up when it shows
// it. With Qt's headers present the same macro comes from them, spelled alike.
#pragma once

#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif
