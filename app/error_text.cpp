#include "app/error_text.h"

#include <algorithm>

std::string ApplicationTitle(const std::string& programPath) {
  const size_t slash = programPath.find_last_of('/');
  std::string title = programPath.substr(slash == std::string::npos ? 0 : slash + 1);
  title = title.substr(0, title.find('.'));
  std::transform(title.begin() + std::min<size_t>(1, title.size()), title.end(), title.begin() + std::min<size_t>(1, title.size()),
                 [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c); });
  return title;
}

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}
