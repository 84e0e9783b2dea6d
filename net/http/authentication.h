#pragma once
// The authentication scheme object a request or proxy record holds: it keeps
// the user name, password and challenge parameters and gives the value of the
// Authorization (or Proxy-Authorization) line. Concrete schemes (Basic) fill
// in the decisions; the records only ask for the header value.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "net/http/header_list.h"
#include "net/http/persistent.h"

enum TIdAuthNextStep { asAskProgram, asDoRequest, asFail };

class TIdAuthentication : public TPersistent {
public:
  // What the client does next with the challenge in ChallengeLines.
  virtual TIdAuthNextStep DecideNextStep() = 0;
  virtual int32_t StepCount() const { return 0; }
  virtual void ResetScheme() {}
  // The text of the Authorization line; empty writes no line.
  virtual std::string HeaderValue() = 0;
  virtual bool ConnectionReusable() const = 0;

  // The user name and password live in SchemeParams as "Username" and
  // "Password" lines; an empty value removes its line.
  std::string Username() const { return SchemeParams.ValueOf("username"); }
  std::string Password() const { return SchemeParams.ValueOf("password"); }
  virtual void SetUsername(const std::string& username) { SchemeParams.PutValue("Username", username); }
  virtual void SetPassword(const std::string& password) { SchemeParams.PutValue("Password", password); }

  int32_t StepIndex = 0;
  TIdHeaderList SchemeParams;
  // Created when a challenge is first handed over.
  std::unique_ptr<TIdHeaderList> ChallengeLines;
};

// The records make a Basic scheme object themselves when BasicAuthentication
// is set; the Basic scheme installs its maker here at start-up.
using TIdAuthenticationMaker = std::function<std::unique_ptr<TIdAuthentication>()>;
void SetBasicAuthenticationMaker(TIdAuthenticationMaker maker);
// Raises std::logic_error when no Basic scheme has been installed: the
// program was linked without it.
std::unique_ptr<TIdAuthentication> MakeBasicAuthentication();
