#include "net/http/hosts.h"

#include "net/http/text_helpers.h"
#include "net/http/tokens.h"
#include "platform/int_parse.h"

bool IsDottedQuad(const std::string& text) {
  std::string rest = Trim(text);
  for (int part = 0; part < 4; ++part) {
    const int value = StrToIntDef(TakeToken(rest, "."), -1);
    if (value < 0 || value > 255) return false;
  }
  return true;
}

bool LooksLikeHostName(const std::string& text) {
  if (TextPos(".", text) > 0 && text.front() == '.') return false;
  return !IsDottedQuad(text);
}

std::string DomainPart(const std::string& host) {
  const size_t dot = host.find('.');
  return dot == std::string::npos ? host : host.substr(dot);
}
