// Every text the transfer layer raises, in one place.
#pragma once

#include "platform/translation_marks.h"

namespace transfer_messages {
inline constexpr const char* AnswerCut = QT_TRANSLATE_NOOP("quillfen", "the answer ended after {} of {} bytes");
inline constexpr const char* WrongRange =
    QT_TRANSLATE_NOOP("quillfen", "the server answered another byte range than the one asked for");
inline constexpr const char* OtherVersion =
    QT_TRANSLATE_NOOP("quillfen", "the server holds another version of the file than the one begun");
inline constexpr const char* WorkFileNotPlain = QT_TRANSLATE_NOOP(
    "quillfen", "The work file '{}' is a symbolic link or not a plain file; it is not written through");
inline constexpr const char* CannotUseWorkFile = QT_TRANSLATE_NOOP("quillfen", "Cannot use the work file '{}': {}");
}  // namespace transfer_messages
