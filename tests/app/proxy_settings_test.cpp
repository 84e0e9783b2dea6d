#include "app/proxy_settings.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/exception.h"

namespace {

using Env = std::map<std::string, std::string>;

std::unique_ptr<TProxyPolicy> policyFrom(const Env& env) {
  return TProxyPolicy::FromEnvironment([&](const char* name) -> const char* {
    const auto found = env.find(name);
    return found == env.end() ? nullptr : found->second.c_str();
  });
}

struct ParseCase {
  const char* text;
  TProxyAddress expected;
};

const ParseCase kParseCases[] = {
    {"127.0.0.1:3128", {TProxyKind::Http, "127.0.0.1", 3128, "", ""}},
    {"http://proxy.test:8080/", {TProxyKind::Http, "proxy.test", 8080, "", ""}},
    {"HTTP://proxy.test", {TProxyKind::Http, "proxy.test", 1080, "", ""}},
    {"socks4://127.0.0.1:1081", {TProxyKind::Socks4, "127.0.0.1", 1081, "", ""}},
    {"socks4a://h:1", {TProxyKind::Socks4A, "h", 1, "", ""}},
    {"socks5://user:pa:ss@h:65535", {TProxyKind::Socks5, "h", 65535, "user", "pa:ss"}},
    // Percent-encoded credentials: "@" and ":" inside them, a "%" that
    // starts no code kept.
    {"http://me%40home:p%3As%40%2f%zz%4@h:1", {TProxyKind::Http, "h", 1, "me@home", "p:s@/%zz%4"}},
};

TEST(ProxyAddress, Forms) {
  for (const ParseCase& c : kParseCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseProxyAddress("all_proxy", c.text), c.expected);
  }
}

TEST(ProxyAddress, MalformedNamesTheSetting) {
  for (const char* text : {"ftp://h:21", "h:0", "h:70000", "h:12x", "://h", "", "h/path:1", "socks5://:1080"}) {
    SCOPED_TRACE(text);
    try {
      ParseProxyAddress("http_proxy", text);
      ADD_FAILURE() << "accepted";
    } catch (const Exception& error) {
      EXPECT_EQ(error.Message, std::string("The proxy setting http_proxy holds '") + text +
                                   "', which is not a proxy address of the form "
                                   "[http|socks4|socks4a|socks5]://HOST:PORT");
    }
  }
}

TEST(ProxyPolicy, VariablesByScheme) {
  const auto policy = policyFrom({{"http_proxy", "http://web:3128"},
                                  {"HTTP_PROXY", "http://ignored:1"},
                                  {"HTTPS_PROXY", "socks5://tls:1080"},
                                  {"all_proxy", "socks4://all:1080"}});
  EXPECT_EQ(policy->Choose("http://a.test/x").Host, "web");
  EXPECT_EQ(policy->Choose("https://a.test/x").Host, "tls");
  const auto onlyAll = policyFrom({{"ALL_PROXY", "socks5://all:9"}});
  EXPECT_EQ(onlyAll->Choose("http://a.test/"), (TProxyAddress{TProxyKind::Socks5, "all", 9, "", ""}));
  EXPECT_EQ(policyFrom({})->Choose("http://a.test/").Kind, TProxyKind::Direct);
}

// Like curl: a name matches itself and its subdomains, a leading dot is the
// same, "*" matches all, ports and letter case do not matter; the flag is
// subject to the list too.
TEST(ProxyPolicy, NoProxyMatching) {
  auto policy = policyFrom({{"http_proxy", "web:3128"}, {"no_proxy", " .clipcove.example, Local.Test,127.0.0.1"}});
  policy->Forced = TProxyAddress{TProxyKind::Http, "flag", 1, "", ""};
  struct {
    const char* url;
    bool direct;
  } cases[] = {
      {"http://clipcove.example/watch", true},
      {"http://www.clipcove.example:80/", true},
      {"http://xclipcove.example/", false},
      {"http://user@LOCAL.test/", true},
      {"http://127.0.0.1:8080/", true},
      {"http://127.0.0.10/", false},
      {"http://dl.reelharbor.example/video", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(policy->Choose(c.url).Kind == TProxyKind::Direct, c.direct);
  }
  EXPECT_EQ(policy->Choose("http://dl.reelharbor.example/").Host, "flag");
  EXPECT_EQ(policyFrom({{"all_proxy", "h:1"}, {"NO_PROXY", "*"}})->Choose("http://x/").Kind, TProxyKind::Direct);
}

// The client asks with the target of each request, redirect hops included:
// the same choice by host and scheme as for an address text.
TEST(ProxyPolicy, ChoosesForEachTargetOfTheClient) {
  const auto policy =
      policyFrom({{"http_proxy", "web:3128"}, {"https_proxy", "socks5://tls:1080"}, {"no_proxy", "inside.example"}});
  EXPECT_EQ(policy->ChooseProxy(TIdURI("http://dl.INSIDE.example:8080/v")).Kind, TProxyKind::Direct);
  EXPECT_EQ(policy->ChooseProxy(TIdURI("http://outside.example/v")),
            (TProxyAddress{TProxyKind::Http, "web", 3128, "", ""}));
  EXPECT_EQ(policy->ChooseProxy(TIdURI("HTTPS://outside.example/v")).Host, "tls");
}

TEST(ProxyPolicy, MalformedVariableIsAnError) { EXPECT_THROW(policyFrom({{"all_proxy", "gopher://h:70"}}), Exception); }

}  // namespace
