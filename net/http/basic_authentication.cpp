#include "net/http/basic_authentication.h"

#include "net/http/base64.h"
#include "net/http/tokens.h"

namespace {
std::unique_ptr<TIdAuthentication> createBasic() { return std::make_unique<TIdBasicAuthentication>(); }
}  // namespace

const TIdAuthenticationClassInfo TIdBasicAuthentication::Class = {"TIdBasicAuthentication", createBasic};

TIdAuthNextStep TIdBasicAuthentication::DecideNextStep() {
  std::string challenge = ChallengeLine("Basic");
  TakeToken(challenge, " ");
  while (!challenge.empty()) {
    std::string parameter = TakeToken(challenge, ", ");
    const size_t equals = parameter.find('=');
    if (equals != std::string::npos) parameter.replace(equals, 1, SchemeParams.NameSeparator);
    SchemeParams.Add(parameter);
  }
  const std::string realm = SchemeParams.ValueOf("realm");
  RealmText = realm.size() > 2 ? realm.substr(1, realm.size() - 2) : "";

  switch (StepIndex) {
    case 0: return Username().empty() ? asAskProgram : asDoRequest;
    case 1: return asFail;
    default: return asDoRequest;
  }
}

std::string TIdBasicAuthentication::HeaderValue() {
  return "Basic " + EncodeText<TIdEncoderMIME>(Username() + ":" + Password());
}
