#include "net/http/cookies.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "net/http/internet_date.h"
#include "platform/datetime.h"
#include "platform/exception.h"

namespace {

struct SetCookie {
  const char* address;  // the request whose response set the cookie
  std::string text;
};

// A manager that has taken the Set-Cookie values in order.
void acceptAll(TIdCookieManager& manager, const std::vector<SetCookie>& cookies) {
  for (const auto& cookie : cookies) manager.AcceptSetCookie(cookie.text, TIdURI(cookie.address));
}

std::string headerFor(TIdCookieManager& manager, const char* address, bool tls = false) {
  return manager.CookieHeaderFor(TIdURI(address), tls);
}

std::string pastDate() { return FormatInternetDate(Now() - 2, true); }
std::string futureDate() { return FormatInternetDate(Now() + 2, true); }

struct SendCase {
  const char* name;
  std::vector<SetCookie> set;
  const char* request;
  bool tls;
  const char* expected;
};

// Which cookies reach which request: the host must lie within the cookie's
// domain (never a mere substring), the path must begin with the cookie's,
// secure cookies need a real TLS connection and empty values stay home.
const SendCase kSendCases[] = {
    {"same host and a path below the cookie's",
     {{"http://shop.site.example/", "sid=abc; path=/"}},
     "http://shop.site.example/watch",
     false,
     "sid=abc"},
    {"host names differ only in letter case",
     {{"http://shop.site.example/", "sid=abc; path=/"}},
     "http://SHOP.Site.Example/",
     false,
     "sid=abc"},
    {"a host that merely contains the domain",
     {{"http://site.example/", "sid=abc; path=/"}},
     "http://notsite.example/",
     false,
     ""},
    {"a host within a dotted domain",
     {{"http://shop.site.example/", "sid=abc; domain=.site.example; path=/"}},
     "http://video.site.example/",
     false,
     "sid=abc"},
    {"the dotted domain itself",
     {{"http://shop.site.example/", "sid=abc; domain=.site.example; path=/"}},
     "http://site.example/",
     false,
     "sid=abc"},
    {"a host outside the dotted domain",
     {{"http://shop.site.example/", "sid=abc; domain=.site.example; path=/"}},
     "http://othersite.example/",
     false,
     ""},
    {"an address only matches itself",
     {{"http://127.0.0.1/", "sid=abc; path=/"}},
     "http://127.0.0.1/",
     false,
     "sid=abc"},
    {"a longer address ending in the cookie's",
     {{"http://127.0.0.1/", "sid=abc; path=/"}},
     "http://10.127.0.0.1/",
     false,
     ""},
    {"a cookie set without a path goes to the folder that set it",
     {{"http://h.example/watch/page?v=1", "sid=abc"}},
     "http://h.example/watch/next",
     false,
     "sid=abc"},
    {"... but not elsewhere", {{"http://h.example/watch/page", "sid=abc"}}, "http://h.example/other/x", false, ""},
    {"a cookie set at the root without a path goes everywhere",
     {{"http://h.example", "sid=abc"}},
     "http://h.example/a/b/c",
     false,
     "sid=abc"},
    {"secure over plain HTTP", {{"http://h.example/", "sid=abc; path=/; secure"}}, "http://h.example/", false, ""},
    {"secure over TLS", {{"http://h.example/", "sid=abc; path=/; Secure"}}, "http://h.example/", true, "sid=abc"},
    {"an empty value is stored but not sent", {{"http://h.example/", "sid=; path=/"}}, "http://h.example/", false, ""},
    {"greater path first, then by order stored",
     {{"http://h.example/", "a=1; path=/"},
      {"http://h.example/", "b=2; path=/watch/"},
      {"http://h.example/", "c=3; path=/"}},
     "http://h.example/watch/",
     false,
     "b=2; c=3; a=1"},
    {"domains keep the order first stored",
     {{"http://h.example/", "a=1; path=/"},
      {"http://x.h.example/", "b=2; path=/"},
      {"http://h.example/", "c=3; path=/"}},
     "http://x.h.example/",
     false,
     "c=3; a=1; b=2"},
    {"a control byte that a merge moved from the source's path into a value stays home",
     {{"http://h.example/a\x01"
       "b; path=/x/?q",
       "t"},
      {"http://h.example/a\x01"
       "b; path=/x/?q",
       ""}},
     "http://h.example/x/",
     false,
     ""},
    {"a second value of a name replaces the first in its place",
     {{"http://h.example/", "a=1; path=/"}, {"http://h.example/", "b=2; path=/"}, {"http://h.example/", "a=3; path=/"}},
     "http://h.example/",
     false,
     "b=2; a=3"},
};

TEST(CookieHeader, WhichCookiesGoToWhichRequest) {
  for (const auto& c : kSendCases) {
    SCOPED_TRACE(c.name);
    TIdCookieManager manager;
    acceptAll(manager, c.set);
    EXPECT_EQ(headerFor(manager, c.request, c.tls), c.expected);
  }
}

struct DomainCase {
  const char* host;
  const char* domain;  // the cookie's domain attribute; empty for none
  bool accepted;
};

// A host may set a cookie for itself or, with a leading ".", for the domain
// one level above it, and nothing else; never for a public suffix, unless the
// host is that name itself.
const DomainCase kDomainCases[] = {
    {"shop.site.example", "", true},
    {"shop.site.example", "shop.site.example", true},
    {"shop.site.example", ".site.example", true},
    {"shop.site.example", "site.example", false},
    {"shop.site.example", ".example", false},
    {"a.b.site.example", ".site.example", false},
    {"127.0.0.1", "", true},
    {"127.0.0.1", "127.0.0.1", true},
    {"127.0.0.1", ".0.0.1", false},
    {"evil.com", ".com", false},
    {"evil.co.uk", ".co.uk", false},
    {"evil.github.io", ".github.io", false},
    {"site.example", ".example", false},
    {"shop.site.co.uk", ".site.co.uk", true},
    {"localhost", "", true},
    {"localhost", "localhost", true},
    {"github.io", "github.io", true},
};

TEST(CookieDomain, WhichHostsMaySetWhichDomains) {
  for (const auto& c : kDomainCases) {
    const std::string text = std::string("sid=abc; path=/") + (*c.domain ? std::string("; domain=") + c.domain : "");
    SCOPED_TRACE(std::string(c.host) + " sets " + text);
    TIdCookieManager manager;
    manager.AcceptSetCookie(text, TIdURI(std::string("http://") + c.host + "/"));
    EXPECT_EQ(manager.CookieCollection().Count(), c.accepted ? 1 : 0);
  }
}

TEST(CookieDomain, ARefusedCookieLeavesTheStoredOneOfItsNameInPlace) {
  TIdCookieManager manager;
  acceptAll(manager, {{"http://shop.site.example/", "sid=abc; path=/; domain=.site.example"},
                      {"http://shop.site.example/", "sid=evil; path=/; domain=.example"},
                      {"http://a.b.site.example/", "sid=evil; path=/; domain=.site.example"}});
  EXPECT_EQ(manager.CookieCollection().Count(), 1);
  EXPECT_EQ(headerFor(manager, "http://shop.site.example/"), "sid=abc");
}

TEST(CookieParse, FieldsOfASetCookieText) {
  TIdCookieRFC2109 cookie;
  cookie.ParseCookie("  sid=a=b ; Path=\"/x/\" ; DOMAIN=.site.example; Comment=hi; Version=1; Secure; path=/ignored");
  // Entries are trimmed, the first of a name wins, attribute names match in
  // any letter case, quotes come off the path and the value keeps every "=" after the first.
  EXPECT_EQ(cookie.ServerForm(), "sid=a=b; path=/x/; domain=.site.example; secure; comment=hi; version=1");
}

// A date keeps the cookie's own kind and leaves MaxAge alone; a max-age
// becomes a date, and an absurd one must not make the response fail.
TEST(CookieParse, ExpiresAndMaxAge) {
  TIdCookieRFC2109 dated;
  dated.ParseCookie("a=1; expires=" + futureDate());
  EXPECT_EQ(dated.Flavour, cfRFC2109);
  EXPECT_EQ(dated.MaxAge, -1);  // only a max-age attribute sets it
  EXPECT_EQ(dated.ServerForm(), "a=1");

  TIdCookieRFC2109 aged;
  aged.ParseCookie("a=1; max-age=3600");
  EXPECT_EQ(aged.Flavour, cfNetscape);
  EXPECT_NEAR(InternetDateToLocal(aged.CookieExpires), Now() + 1.0 / 24, 5.0 / 86400);

  TIdCookieManager manager;
  acceptAll(manager, {{"http://h.example/", "a=1; path=/; max-age=9223372036854775807"}});
  EXPECT_EQ(headerFor(manager, "http://h.example/"), "a=1");
}

// An expiry date that cannot be read is no expiry.
TEST(CookieExpiry, PastAndZeroAgeCookiesAreDroppedBeforeTheNextHeader) {
  TIdCookieManager manager;
  acceptAll(manager, {{"http://h.example/", "old=1; path=/; expires=" + pastDate()},
                      {"http://h.example/", "zero=2; path=/; max-age=0"},
                      {"http://h.example/", "later=3; path=/; expires=" + futureDate()},
                      {"http://h.example/", "session=4; path=/"},
                      {"http://h.example/", "unreadable=5; path=/; expires=2030-01-01"}});
  EXPECT_EQ(manager.CookieCollection().Count(), 5);
  EXPECT_EQ(headerFor(manager, "http://h.example/"), "unreadable=5; session=4; later=3");
  EXPECT_EQ(manager.CookieCollection().Count(), 3);
}

// Emptying a stored cookie makes it take the text of its own first
// attribute as its name; freeing it later must still find the right entry
// and leave a real cookie of that name alone.
TEST(CookieExpiry, ACookieEmptiedByAServerIsFreedWithoutTouchingAnother) {
  TIdCookieManager manager;
  acceptAll(manager, {{"http://h.example/", "sid=abc; path=/"}, {"http://h.example/", "path=p; path=/"}});
  acceptAll(manager, {{"http://h.example/", "sid=; path=/; max-age=0"}});
  EXPECT_EQ(headerFor(manager, "http://h.example/"), "path=p");
  EXPECT_EQ(manager.CookieCollection().Count(), 1);
  acceptAll(manager, {{"http://h.example/", "path=q; path=/"}});
  EXPECT_EQ(headerFor(manager, "http://h.example/"), "path=q");
}

TEST(CookieManager, OnNewCookieDecidesAndRefusalsLeaveOthersAlone) {
  std::vector<std::string> offered;
  TIdCookieManager manager;
  manager.OnNewCookie = [&](TIdCookieManager* sender, TIdCookieRFC2109* cookie, bool& accept) {
    EXPECT_EQ(sender, &manager);
    offered.push_back(cookie->CookieName);
    accept = cookie->CookieName != "tracker";
  };
  acceptAll(manager, {{"http://h.example/", "sid=abc; path=/"},
                      {"http://h.example/", "tracker=1; path=/"},
                      {"http://h.example/", "sid=xyz; path=/; domain=.elsewhere.example"}});
  EXPECT_EQ(offered, (std::vector<std::string>{"sid", "tracker"}));  // refused domains never reach the handler
  EXPECT_EQ(manager.CookieCollection().Count(), 1);
  EXPECT_EQ(headerFor(manager, "http://h.example/"), "sid=abc");
}

struct PortCase {
  const char* port;  // the Port attribute as sent; null for none
  std::vector<int32_t> expected;
};

const PortCase kPortCases[] = {
    {nullptr, {80}},   {"Port=\"80,8080\"", {80, 8080}}, {"Port=\" 81 , 82  83 \"", {81, 82, 83}}, {"Port=\"", {80}},
    {"Port=8080", {}},  // an unquoted list is not read
};

TEST(CookieRFC2965, PortListsAreReadInOrder) {
  for (const auto& c : kPortCases) {
    SCOPED_TRACE(c.port ? c.port : "no Port");
    TIdCookieManager manager;
    manager.AcceptSetCookie2(std::string("sid=abc; Version=1; path=/") + (c.port ? std::string("; ") + c.port : ""),
                             TIdURI("http://h.example/"));
    ASSERT_EQ(manager.CookieCollection().Count(), 1);
    const auto* cookie = dynamic_cast<TIdCookieRFC2965*>(manager.CookieCollection().Items(0));
    ASSERT_NE(cookie, nullptr);
    EXPECT_EQ(cookie->PortNumbers, c.expected);
  }
}

TEST(CookieRFC2965, APortListWithAWordFailsAndLeavesNothingBehind) {
  TIdCookieManager manager;
  try {
    manager.AcceptSetCookie2("sid=abc; Port=\"80,http\"", TIdURI("http://h.example/"));
    FAIL() << "a word in the port list was read";
  } catch (const EConvertError& error) {
    EXPECT_STREQ(error.what(), "'http' is not a valid integer value");
  }
  EXPECT_EQ(manager.CookieCollection().Count(), 0);
}

// Headers are composed while other threads store and expire cookies; the
// expiry pass frees cookies while it already holds the lock.
TEST(CookieLock, ReadersAndWritersOnSeveralThreads) {
  TIdCookieManager manager;
  acceptAll(manager, {{"http://h.example/", "keep=1; path=/"}});
  std::atomic<bool> wrong{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        const std::string name = "t" + std::to_string(t) + "n" + std::to_string(i % 5);
        manager.AcceptSetCookie(name + "=v; path=/; max-age=" + (i % 2 ? "0" : "60"), TIdURI("http://h.example/"));
        if (manager.CookieHeaderFor(TIdURI("http://h.example/"), false).find("keep=1") == std::string::npos) {
          wrong = true;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_FALSE(wrong);
}

}  // namespace
