// Every text the transfer layer raises, in one place.
#pragma once

#include "platform/translation_marks.h"

namespace transfer_messages {
inline constexpr const char* AnswerCut = QT_TRANSLATE_NOOP("quillfen", "the answer ended after {} of {} bytes");
inline constexpr const char* WrongRange =
    QT_TRANSLATE_NOOP("quillfen", "the server answered another byte range than the one asked for");
inline constexpr const char* OtherVersion =
    QT_TRANSLATE_NOOP("quillfen", "the server holds another version of the file than the one begun");
}  // namespace transfer_messages
