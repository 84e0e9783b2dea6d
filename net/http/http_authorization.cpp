// The client's answers to 401 and 407 challenges: choosing a registered
// scheme for the challenge, asking the program for credentials, and deciding
// whether to send the request again.

#include "net/http/http_client.h"
#include "net/http/text_helpers.h"
#include "net/http/tokens.h"

namespace {
// The first challenge whose scheme word is registered, as the handler may
// change it; none when no challenge names a registered scheme.
std::unique_ptr<TIdAuthentication> makeScheme(TIdCustomHTTP* client, TIdHeaderList& challenges,
                                              const TIdOnSelectAuthorization& onSelect) {
  TIdAuthenticationClass schemeClass = nullptr;
  for (int32_t i = 0; i < challenges.Count() && !schemeClass; ++i) {
    std::string line = challenges.Strings(i);
    schemeClass = FindAuthScheme(TakeToken(line, " "));
  }
  if (!schemeClass) return nullptr;
  if (onSelect) onSelect(client, schemeClass, challenges);
  return schemeClass ? schemeClass->Create() : nullptr;
}
}  // namespace

bool TIdCustomHTTP::RunAuthorizationSteps(TIdAuthentication& authentication, const TIdOnAuthorization& event,
                                          const std::function<void()>& giveCredentials,
                                          const std::function<void()>& takeCredentials) {
  // A handler that claims to have answered without giving what the scheme
  // needs would be asked for ever: it gets AuthRetries chances.
  for (int32_t asked = 0;;) {
    switch (authentication.NextStep()) {
      case asDoRequest: return true;
      case asFail: return false;
      case asAskProgram: {
        if (asked++ >= AuthRetries) return false;
        giveCredentials();
        bool handled = false;
        event(this, &authentication, handled);
        if (!handled) return false;
        takeCredentials();
        break;
      }
    }
  }
}

bool TIdCustomHTTP::AskAuthorization(TIdHTTPRequest& request, TIdHTTPResponse& response) {
  ++AuthAttempts;
  // A host a redirect led to gets neither the scheme object nor the
  // credentials made for the host the call started at: the program is asked.
  const bool otherHost = !SameText(CurrentUri.Host, AuthorizedHost);
  if (otherHost) request.Authentication.reset();
  if (!request.Authentication) {
    request.Authentication = makeScheme(this, response.WWWAuthenticate, OnSelectAuthorization);
    if (!request.Authentication) return false;
  }
  if (!OnAuthorization) return false;
  TIdAuthentication& authentication = *request.Authentication;
  const auto giveCredentials = [&] {
    authentication.SetUsername(otherHost ? "" : request.Username);
    authentication.SetPassword(otherHost ? "" : request.Password);
  };
  giveCredentials();
  authentication.SchemeParams.PutValue("Authorization", authentication.HeaderValue());
  authentication.SetChallengeLines(response.WWWAuthenticate);
  const bool answered = RunAuthorizationSteps(authentication, OnAuthorization, giveCredentials, [&] {
    request.BasicAuthentication = true;
    request.Username = authentication.Username();
    request.Password = authentication.Password();
  });
  if (answered) AuthorizedHost = CurrentUri.Host;
  return answered;
}

bool TIdCustomHTTP::AskProxyAuthorization(TIdHTTPResponse& response) {
  ++ProxyAuthAttempts;
  if (!ProxyParams.Authentication) {
    ProxyParams.Authentication = makeScheme(this, response.ProxyAuthenticate, OnSelectProxyAuthorization);
    if (!ProxyParams.Authentication) return false;
  }
  TIdAuthentication& authentication = *ProxyParams.Authentication;
  // The proxy refused the password it was given.
  ProxyParams.ProxyPassword.clear();
  authentication.ResetScheme();
  if (!OnProxyAuthorization) return false;
  const auto giveCredentials = [&] {
    authentication.SetUsername(ProxyParams.ProxyUsername);
    authentication.SetPassword(ProxyParams.ProxyPassword);
  };
  giveCredentials();
  authentication.SetChallengeLines(response.ProxyAuthenticate);
  return RunAuthorizationSteps(authentication, OnProxyAuthorization, giveCredentials, [&] {
    ProxyParams.ProxyUsername = authentication.Username();
    ProxyParams.ProxyPassword = authentication.Password();
  });
}
