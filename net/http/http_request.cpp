#include "net/http/http_request.h"

#include <array>

const char* MethodToken(TIdHTTPMethod method) {
  static constexpr std::array<const char*, hmConnect + 1> Tokens = {"HEAD",  "GET", "POST",   "OPTIONS",
                                                                    "TRACE", "PUT", "DELETE", "CONNECT"};
  return Tokens[method];
}
