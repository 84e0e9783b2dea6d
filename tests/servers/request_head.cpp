#include "tests/servers/request_head.h"

#include "platform/text.h"

std::string RequestHeaderValue(const std::string& head, const std::string& name) {
  const size_t at = LowerCase(head).find("\r\n" + name + ":");
  if (at == std::string::npos) return {};
  const size_t start = head.find_first_not_of(' ', at + name.size() + 3);
  return head.substr(start, head.find("\r\n", start) - start);
}
