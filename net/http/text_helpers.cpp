#include "net/http/text_helpers.h"

size_t TextPos(std::string_view sought, std::string_view text) {
  if (sought.empty()) return 0;
  const size_t found = text.find(sought);
  return found == std::string_view::npos ? 0 : found + 1;
}
