#include "app/error_text.h"

std::string ApplicationTitle(const std::string& programPath) {
  const size_t slash = programPath.find_last_of('/');
  std::string title = programPath.substr(slash == std::string::npos ? 0 : slash + 1);
  title = title.substr(0, title.find('.'));
  for (size_t i = 1; i < title.size(); ++i)
    if (title[i] >= 'A' && title[i] <= 'Z') title[i] = char(title[i] + ('a' - 'A'));
  return title;
}

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}
