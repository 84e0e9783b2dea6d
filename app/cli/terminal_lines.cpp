#include "app/cli/terminal_lines.h"

#include <cstdio>

#include <fmt/core.h>

#include "app/display_text.h"
#include "app/error_text.h"
#include "app/translation/translations.h"

std::mutex OutputMutex;
std::optional<std::string> BatchLine;

void DrawBatchLine() {
  if (BatchLine) fmt::print(stderr, "\r\033[K{}", *BatchLine);
  std::fflush(stderr);
}

void ClearBatchLine() {
  if (BatchLine) fmt::print(stderr, "\r\033[K");
  std::fflush(stderr);
}

void PrintLine(const std::string& text) {
  const std::lock_guard<std::mutex> lock(OutputMutex);
  ClearBatchLine();
  fmt::print(stderr, "quillfen-cli: {}\n", DisplayText(text));
  DrawBatchLine();
}

void PrintError(const std::string& message) { PrintLine(ErrorBoxText(TranslatedMessage(message))); }
