#pragma once
// Answers to HTTP authentication challenges. A scheme object keeps the user
// name, password and challenge parameters and gives the value of the
// Authorization (or Proxy-Authorization) line; the registry maps the scheme
// names of challenges to the scheme classes that answer them.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "net/http/header_list.h"
#include "net/http/messages.h"
#include "net/http/persistent.h"
#include "net/transport/exceptions.h"

class EIdAlreadyRegisteredAuthenticationMethod : public EIdException {
public:
  using EIdException::EIdException;
};

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

  TIdAuthNextStep NextStep() { return DecideNextStep(); }

  // The user name and password live in SchemeParams as "Username" and
  // "Password" lines; an empty value removes its line.
  std::string Username() const { return SchemeParams.ValueOf("username"); }
  std::string Password() const { return SchemeParams.ValueOf("password"); }
  virtual void SetUsername(const std::string& username) { SchemeParams.PutValue("Username", username); }
  virtual void SetPassword(const std::string& password) { SchemeParams.PutValue("Password", password); }

  // Copies the challenge lines of a response, creating ChallengeLines.
  void SetChallengeLines(const TIdHeaderList& lines);
  // The first challenge line that begins with schemeName (letter case
  // counts); empty when there is none or no challenge was handed over.
  std::string ChallengeLine(const std::string& schemeName) const;

  int32_t StepIndex = 0;
  TIdHeaderList SchemeParams;
  // Created when a challenge is first handed over.
  std::unique_ptr<TIdHeaderList> ChallengeLines;
};

// A scheme class: its name and its virtual constructor.
struct TIdAuthenticationClassInfo {
  const char* ClassName;
  std::unique_ptr<TIdAuthentication> (*Create)();
};
using TIdAuthenticationClass = const TIdAuthenticationClassInfo*;

// The process-wide registry, names compared without regard to letter case.
// "Basic" is registered for TIdBasicAuthentication from the start. A name
// registered twice raises EIdAlreadyRegisteredAuthenticationMethod naming the
// class already registered.
void RegisterAuthScheme(const std::string& name, TIdAuthenticationClass authClass);
// nullptr when the name is not registered.
TIdAuthenticationClass FindAuthScheme(const std::string& name);

// The records make a Basic scheme object themselves when BasicAuthentication
// is set. Tests may put another maker in its place; an empty maker puts the
// Basic scheme back.
using TIdAuthenticationMaker = std::function<std::unique_ptr<TIdAuthentication>()>;
void SetBasicAuthenticationMaker(TIdAuthenticationMaker maker);
std::unique_ptr<TIdAuthentication> MakeBasicAuthentication();
