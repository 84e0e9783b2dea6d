#pragma once
// The Basic scheme: the user name and password, base64-encoded, in every
// request once a server has asked for them.

#include <cstdint>
#include <string>

#include "net/http/authentication.h"

class TIdBasicAuthentication : public TIdAuthentication {
public:
  static const TIdAuthenticationClassInfo Class;

  const char* ClassName() const override { return Class.ClassName; }
  // Reads the parameters of the Basic challenge into SchemeParams and
  // RealmText; asks the program for credentials while no user name is known.
  TIdAuthNextStep DecideNextStep() override;
  int32_t StepCount() const override { return 1; }
  void ResetScheme() override { StepIndex = 0; }
  // "Basic " and the base64 form of user name ":" password.
  std::string HeaderValue() override;
  bool ConnectionReusable() const override { return false; }

  std::string RealmText;
};
