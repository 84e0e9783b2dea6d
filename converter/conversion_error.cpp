#include "converter/conversion_error.h"

#include <cstdio>
#include <mutex>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace converter {
namespace {

thread_local std::string lastLibraryError;

void keepErrorLines(void* avClass, int level, const char* format, va_list arguments) {
  if (level > AV_LOG_ERROR) return;
  char line[1024];
  // The prefix names the object by its memory address: useless to a reader.
  int printPrefix = 0;
  av_log_format_line2(avClass, level, format, arguments, line, sizeof line, &printPrefix);
  std::string text = line;
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  if (!text.empty()) lastLibraryError = text;
}

}  // namespace

void captureLibraryLog() {
  static std::once_flag installed;
  std::call_once(installed, [] { av_log_set_callback(keepErrorLines); });
}

void forgetLibraryLog() { lastLibraryError.clear(); }

void check(int code, const std::string& what) {
  if (code >= 0) {
    // Whatever was logged belongs to a call that got over it.
    lastLibraryError.clear();
    return;
  }
  std::string reason = lastLibraryError;
  lastLibraryError.clear();
  if (reason.empty()) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    reason = text;
  }
  fail(what + ": " + reason);
}

void fail(const std::string& message) { throw ConversionError(message); }

}  // namespace converter
