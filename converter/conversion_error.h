// The one failure type inside the converter. Everything below TVideoEdit
// throws it; TVideoEdit turns it into a false result and its LastError text.
#pragma once

#include <string>

#include "platform/exception.h"

namespace converter {

class ConversionError : public Exception {
public:
  using Exception::Exception;
};

// Routes FFmpeg's log into the converter: nothing is printed, and the last
// error line of the calling thread is kept to explain the next failure.
void captureLibraryLog();

// Throws ConversionError("<what>: <reason>") when code is an FFmpeg error.
// The reason is the library's own error line when the failing call logged
// one, otherwise the text for the code. A success forgets logged lines.
void check(int code, const std::string& what);

[[noreturn]] void fail(const std::string& message);

// Forgets any logged error line, so it cannot explain a later failure.
void forgetLibraryLog();

}  // namespace converter
