#include "net/http/authentication.h"

#include <fmt/core.h>

#include <utility>
#include <vector>

#include "net/http/basic_authentication.h"
#include "net/http/text_helpers.h"

namespace {

struct TAuthListObject {
  std::string Name;
  TIdAuthenticationClass AuthClass;
};

std::vector<TAuthListObject>& authList() {
  static std::vector<TAuthListObject> list{{"Basic", &TIdBasicAuthentication::Class}};
  return list;
}

std::unique_ptr<TIdAuthentication> makeBasic() { return TIdBasicAuthentication::Class.Create(); }

TIdAuthenticationMaker& basicMaker() {
  static TIdAuthenticationMaker maker = makeBasic;
  return maker;
}

}  // namespace

void TIdAuthentication::SetChallengeLines(const TIdHeaderList& lines) {
  if (!ChallengeLines) ChallengeLines = std::make_unique<TIdHeaderList>();
  ChallengeLines->Assign(lines);
}

std::string TIdAuthentication::ChallengeLine(const std::string& schemeName) const {
  if (!ChallengeLines) return "";
  for (int32_t i = 0; i < ChallengeLines->Count(); ++i) {
    const std::string& line = ChallengeLines->Strings(i);
    if (line.starts_with(schemeName)) return line;
  }
  return "";
}

void RegisterAuthScheme(const std::string& name, TIdAuthenticationClass authClass) {
  if (TIdAuthenticationClass registered = FindAuthScheme(name)) {
    throw EIdAlreadyRegisteredAuthenticationMethod(
        fmt::format(fmt::runtime(http_messages::AuthMethodAlreadyRegistered), registered->ClassName));
  }
  authList().push_back({name, authClass});
}

TIdAuthenticationClass FindAuthScheme(const std::string& name) {
  for (const TAuthListObject& entry : authList()) {
    if (SameText(entry.Name, name)) return entry.AuthClass;
  }
  return nullptr;
}

void SetBasicAuthenticationMaker(TIdAuthenticationMaker maker) { basicMaker() = maker ? std::move(maker) : makeBasic; }

std::unique_ptr<TIdAuthentication> MakeBasicAuthentication() { return basicMaker()(); }
