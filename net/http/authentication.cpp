#include "net/http/authentication.h"

#include <stdexcept>
#include <utility>

namespace {
TIdAuthenticationMaker& basicMaker() {
  static TIdAuthenticationMaker maker;
  return maker;
}
}  // namespace

void SetBasicAuthenticationMaker(TIdAuthenticationMaker maker) { basicMaker() = std::move(maker); }

std::unique_ptr<TIdAuthentication> MakeBasicAuthentication() {
  if (!basicMaker()) throw std::logic_error("no Basic authentication scheme is installed");
  return basicMaker()();
}
