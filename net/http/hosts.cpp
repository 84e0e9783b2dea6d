#include "net/http/hosts.h"

#include "net/http/text_helpers.h"
#include "net/http/tokens.h"
#include "net/transport/dotted_quad.h"

bool IsDottedQuad(const std::string& text) { return ParseDottedQuad(Trim(text)).has_value(); }

bool LooksLikeHostName(const std::string& text) {
  if (TextPos(".", text) > 0 && text.front() == '.') return false;
  return !IsDottedQuad(text);
}

std::string DomainPart(const std::string& host) {
  const size_t dot = host.find('.');
  return dot == std::string::npos ? host : host.substr(dot);
}
