#include "net/http/authentication.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "net/http/basic_authentication.h"

namespace {

std::unique_ptr<TIdAuthentication> makeOther();
const TIdAuthenticationClassInfo kOtherScheme = {"TOtherScheme", makeOther};
std::unique_ptr<TIdAuthentication> makeOther() { return std::make_unique<TIdBasicAuthentication>(); }

TEST(AuthRegistry, BasicIsRegisteredInAnyLetterCase) {
  for (const char* name : {"Basic", "basic", "BASIC"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(FindAuthScheme(name), &TIdBasicAuthentication::Class);
  }
  for (const char* name : {"Digest", "", "Basic ", "Basi"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(FindAuthScheme(name), nullptr);
  }
  const auto scheme = FindAuthScheme("basic")->Create();
  EXPECT_STREQ(scheme->ClassName(), "TIdBasicAuthentication");
}

TEST(AuthRegistry, ANameRegisteredTwiceNamesTheClassAlreadyThere) {
  try {
    RegisterAuthScheme("bAsIc", &kOtherScheme);
    FAIL() << "registered twice";
  } catch (const EIdAlreadyRegisteredAuthenticationMethod& error) {
    EXPECT_STREQ(error.what(),
                 "This authentication method is already registered with class name TIdBasicAuthentication.");
  }
  RegisterAuthScheme("Other", &kOtherScheme);
  EXPECT_EQ(FindAuthScheme("OTHER"), &kOtherScheme);
  EXPECT_EQ(FindAuthScheme("Basic"), &TIdBasicAuthentication::Class);
}

struct StepCase {
  const char* name;
  std::vector<std::string> challenges;
  const char* username;
  int32_t stepIndex;
  TIdAuthNextStep expected;
  const char* realm;
};

// The Basic challenge is found among others by its exact scheme word; its
// realm loses its quotes; the user name decides between asking the program
// and sending.
const StepCase kStepCases[] = {
    {"a user name is known", {"Basic realm=\"videos\""}, "u", 0, asDoRequest, "videos"},
    {"no user name yet", {"Basic realm=\"videos\""}, "", 0, asAskProgram, "videos"},
    {"Basic after Digest", {"Digest realm=\"d\", nonce=\"n\"", "Basic realm=\"b\""}, "u", 0, asDoRequest, "b"},
    {"more parameters", {"Basic realm=\"r\", charset=\"UTF-8\""}, "u", 0, asDoRequest, "r"},
    {"a realm with a comma", {"Basic realm=\"a,b\""}, "u", 0, asDoRequest, "a,b"},
    {"the scheme word alone", {"Basic"}, "u", 0, asDoRequest, ""},
    {"a realm of one character", {"Basic realm=x"}, "", 0, asAskProgram, ""},
    {"the scheme word in other letter case", {"basic realm=\"r\""}, "u", 0, asDoRequest, ""},
    {"no challenge at all", {}, "", 0, asAskProgram, ""},
    {"the step after the first", {"Basic realm=\"r\""}, "u", 1, asFail, "r"},
    {"any later step", {"Basic realm=\"r\""}, "", 2, asDoRequest, "r"},
};

TEST(BasicScheme, StepDecisions) {
  for (const auto& c : kStepCases) {
    SCOPED_TRACE(c.name);
    TIdBasicAuthentication scheme;
    scheme.SetUsername(c.username);
    TIdHeaderList challenges;
    for (const auto& line : c.challenges) challenges.Add(line);
    scheme.SetChallengeLines(challenges);
    scheme.StepIndex = c.stepIndex;
    EXPECT_EQ(scheme.NextStep(), c.expected);
    EXPECT_EQ(scheme.RealmText, c.realm);
  }
}

TEST(BasicScheme, HeaderValueCarriesTheCredentials) {
  TIdBasicAuthentication scheme;
  EXPECT_EQ(scheme.HeaderValue(), "Basic Og==");
  scheme.SetUsername("Aladdin");
  scheme.SetPassword("open sesame");
  EXPECT_EQ(scheme.HeaderValue(), "Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
  scheme.SetPassword("");
  EXPECT_EQ(scheme.HeaderValue(), "Basic QWxhZGRpbjo=");
}

TEST(BasicScheme, TheRecordsMakeBasicUnlessToldOtherwise) {
  EXPECT_STREQ(MakeBasicAuthentication()->ClassName(), "TIdBasicAuthentication");
  SetBasicAuthenticationMaker([] { return kOtherScheme.Create(); });
  SetBasicAuthenticationMaker(nullptr);
  EXPECT_STREQ(MakeBasicAuthentication()->ClassName(), "TIdBasicAuthentication");
}

}  // namespace
