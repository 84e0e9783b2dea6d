#include "net/http/header_info.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "net/http/internet_date.h"
#include "net/http/proxy_info.h"
#include "platform/exception.h"
#include "tests/platform/scoped_time_zone.h"

namespace {

std::vector<std::string> linesOf(const TIdHeaderList& list) {
  std::vector<std::string> lines;
  for (int32_t i = 0; i < list.Count(); ++i) lines.push_back(list.Strings(i));
  return lines;
}

// Stands in for the Basic scheme: its value shows which credentials it was
// made with, and how many were made.
class FakeScheme : public TIdAuthentication {
public:
  const char* ClassName() const override { return "FakeScheme"; }
  TIdAuthNextStep DecideNextStep() override { return asDoRequest; }
  std::string HeaderValue() override { return Username().empty() ? "" : "Fake " + Username() + ":" + Password(); }
  bool ConnectionReusable() const override { return false; }
  static inline int Made = 0;
};

class WithFakeBasicScheme : public ::testing::Test {
protected:
  void SetUp() override {
    FakeScheme::Made = 0;
    SetBasicAuthenticationMaker([] {
      ++FakeScheme::Made;
      return std::make_unique<FakeScheme>();
    });
  }
  void TearDown() override { SetBasicAuthenticationMaker(nullptr); }
};

// A response record whose raw lines are the given ones, parsed.
std::unique_ptr<TIdResponseHeaderInfo> responseWith(const std::vector<std::string>& lines) {
  auto response = std::make_unique<TIdResponseHeaderInfo>();
  for (const auto& line : lines) response->HeaderLines.Add(line);
  response->ParseHeaders();
  return response;
}

TEST(RequestCompose, AFreshRequestSendsContentTypeAcceptAndUserAgentOnly) {
  TIdRequestHeaderInfo request;
  request.ComposeHeaders();
  EXPECT_EQ(linesOf(request.HeaderLines), (std::vector<std::string>{
                                              "Content-Type: text/html",
                                              "Accept: text/html, */*",
                                              "User-Agent: Mozilla/3.0 (compatible; Vexa Library)",
                                          }));
  EXPECT_EQ(request.ContentLength(), -1);
  EXPECT_FALSE(request.LengthGiven);
}

TEST(RequestCompose, EveryFieldInItsOrder) {
  ScopedTimeZone zone("UTC0");
  TIdRequestHeaderInfo request;
  request.Connection = "keep-alive";
  request.ContentVersion = "1";
  request.ContentEncoding = "gzip";
  request.ContentLanguage = "en";
  request.SetContentLength(0);
  request.CacheControl = "no-cache";
  request.Date = EncodeDate(1994, 11, 6) + EncodeTime(8, 49, 37, 0);
  request.Expires = request.Date;
  request.Pragma = "no-cache";
  request.ProxyConnection = "keep-alive";
  request.Host = "h:81";
  request.AcceptCharSet = "utf-8";
  request.AcceptEncoding = "identity";
  request.AcceptLanguage = "de";
  request.From = "me@h";
  request.Referer = "http://r/";
  request.LastModified = request.Date;
  request.ContentRangeStart = 500;
  request.ComposeHeaders();
  EXPECT_EQ(linesOf(request.HeaderLines), (std::vector<std::string>{
                                              "Connection: keep-alive",
                                              "Content-Version: 1",
                                              "Content-Encoding: gzip",
                                              "Content-Language: en",
                                              "Content-Type: text/html",
                                              "Content-Length: 0",
                                              "Cache-control: no-cache",
                                              "Date: Sun, 6 Nov 1994 08:49:37 +0000",
                                              "Expires: Sun, 6 Nov 1994 08:49:37 +0000",
                                              "Pragma: no-cache",
                                              "Proxy-Connection: keep-alive",
                                              "Host: h:81",
                                              "Accept: text/html, */*",
                                              "Accept-Charset: utf-8",
                                              "Accept-Encoding: identity",
                                              "Accept-Language: de",
                                              "From: me@h",
                                              "Referer: http://r/",
                                              "User-Agent: Mozilla/3.0 (compatible; Vexa Library)",
                                              "If-Modified-Since: Sun, 6 Nov 1994 08:49:37 +0000",
                                              "Range: bytes=500-",
                                          }));
}

TEST(RequestCompose, RangeOmitsAnEndOfZero) {
  struct Case {
    uint32_t start, end;
    const char* range;
  };
  for (const Case& c :
       {Case{500, 0, "bytes=500-"}, Case{0, 99, "bytes=0-99"}, Case{10, 20, "bytes=10-20"}, Case{0, 0, ""}}) {
    TIdRequestHeaderInfo request;
    request.ContentRangeStart = c.start;
    request.ContentRangeEnd = c.end;
    request.ComposeHeaders();
    EXPECT_EQ(request.HeaderLines.ValueOf("Range"), c.range);
  }
}

TEST(RequestCompose, ACustomLineOfTheSameNameIsReplacedInPlace) {
  TIdRequestHeaderInfo request;
  request.CustomHeaders.Add("X-First: 1");
  request.CustomHeaders.Add("Host: other");
  request.CustomHeaders.Add("X-Long: " + std::string(100, 'y') + " z");
  request.Host = "h";
  request.ComposeHeaders();
  EXPECT_EQ(linesOf(request.HeaderLines), (std::vector<std::string>{
                                              "Content-Type: text/html",
                                              "X-First: 1",
                                              "Host: h",
                                              "X-Long: " + std::string(100, 'y') + " z",
                                              "Accept: text/html, */*",
                                              "User-Agent: Mozilla/3.0 (compatible; Vexa Library)",
                                          }));
  // Composing again starts from the fields, not from the last result.
  request.ComposeHeaders();
  EXPECT_EQ(request.HeaderLines.Count(), 6);
}

// Servers refuse continuation lines (nginx answers 400): however long a
// value, from a field or put among the custom lines, it stays on one line.
TEST(RequestCompose, LongValuesAreNeverFolded) {
  std::string words;
  for (int i = 0; i < 300; ++i) words += "word" + std::to_string(i) + (i % 2 ? ", " : " ");
  words.pop_back();
  TIdRequestHeaderInfo request;
  request.UserAgent = words;
  request.CustomHeaders.PutValue("X-Long", words);
  request.ComposeHeaders();
  EXPECT_EQ(linesOf(request.HeaderLines), (std::vector<std::string>{
                                              "Content-Type: text/html",
                                              "X-Long: " + words,
                                              "Accept: text/html, */*",
                                              "User-Agent: " + words,
                                          }));
}

TEST_F(WithFakeBasicScheme, BasicAuthenticationMakesTheSchemeOnceAndKeepsIt) {
  TIdRequestHeaderInfo request;
  request.BasicAuthentication = true;
  request.Username = "user";
  request.Password = "secret";
  request.ComposeHeaders();
  EXPECT_EQ(request.HeaderLines.ValueOf("Authorization"), "Fake user:secret");
  ASSERT_NE(request.Authentication, nullptr);

  request.Username = "other";
  request.ComposeHeaders();
  EXPECT_EQ(request.HeaderLines.ValueOf("Authorization"), "Fake user:secret");
  EXPECT_EQ(FakeScheme::Made, 1);
}

TEST_F(WithFakeBasicScheme, AnEmptySchemeValueWritesNoAuthorizationLine) {
  TIdRequestHeaderInfo request;
  request.BasicAuthentication = true;
  request.ComposeHeaders();
  EXPECT_EQ(request.HeaderLines.IndexOfHeader("Authorization"), -1);
  EXPECT_NE(request.Authentication, nullptr);

  TIdRequestHeaderInfo plain;
  plain.Username = "user";
  plain.ComposeHeaders();
  EXPECT_EQ(plain.HeaderLines.IndexOfHeader("Authorization"), -1);
  EXPECT_EQ(FakeScheme::Made, 1);
}

TEST_F(WithFakeBasicScheme, ProxyWritesOnlyProxyAuthorization) {
  TIdProxyConnectionInfo proxy;
  TIdHeaderList lines;
  lines.Add("Host: h");
  proxy.ComposeHeaders(lines);
  EXPECT_EQ(linesOf(lines), (std::vector<std::string>{"Host: h"}));

  proxy.BasicAuthentication = true;
  proxy.ProxyUsername = "pu";
  proxy.ProxyPassword = "pp";
  proxy.ComposeHeaders(lines);
  EXPECT_EQ(linesOf(lines), (std::vector<std::string>{"Host: h", "Proxy-Authorization: Fake pu:pp"}));
}

TEST_F(WithFakeBasicScheme, AnotherProxyServerOrPortDiscardsTheScheme) {
  TIdProxyConnectionInfo proxy;
  proxy.SetProxyServer("proxy.example");
  proxy.SetProxyPort(3128);
  proxy.Authentication = std::make_unique<FakeScheme>();
  proxy.SetProxyServer("PROXY.example");
  EXPECT_NE(proxy.Authentication, nullptr);
  EXPECT_EQ(proxy.ProxyServer(), "PROXY.example");
  proxy.SetProxyPort(3128);
  EXPECT_NE(proxy.Authentication, nullptr);
  proxy.SetProxyPort(8080);
  EXPECT_EQ(proxy.Authentication, nullptr);

  proxy.Authentication = std::make_unique<FakeScheme>();
  proxy.SetProxyServer("other.example");
  EXPECT_EQ(proxy.Authentication, nullptr);

  proxy.Authentication = std::make_unique<FakeScheme>();
  proxy.ProxyUsername = "u";
  proxy.Clear();
  EXPECT_EQ(proxy.ProxyServer(), "");
  EXPECT_EQ(proxy.ProxyPort(), 0);
  EXPECT_EQ(proxy.ProxyUsername, "");
  EXPECT_NE(proxy.Authentication, nullptr);
}

struct LengthCase {
  const char* line;
  int64_t length;
  bool given;
};

TEST(ResponseParse, ContentLengthForms) {
  for (const LengthCase& c :
       {LengthCase{"Content-Length:  42 ", 42, true}, LengthCase{"Content-Length: 0", 0, true},
        LengthCase{"Content-Length: abc", -1, false}, LengthCase{"Content-Length: -5", -5, false},
        LengthCase{"Content-Length: 3000000000", 3000000000, true}, LengthCase{"Content-Length: 7, 7", 7, true},
        LengthCase{"Content-Length: 99999999999999999999", -1, false}, LengthCase{"Server: x", -1, false}}) {
    SCOPED_TRACE(c.line);
    const auto response = responseWith({c.line});
    EXPECT_EQ(response->ContentLength(), c.length);
    EXPECT_EQ(response->LengthGiven, c.given);
  }
}

TEST(ResponseParse, FieldsComeFromTheirLinesAndAbsentOnesAreEmptied) {
  ScopedTimeZone zone("UTC0");
  auto response = responseWith({"HTTP/1.1 302 Found", "Location: http://h/next", "Server: nginx", "Connection: close",
                                "Proxy-Connection: keep-alive", "Content-Type: video/x-flv", "Content-Encoding: gzip",
                                "Content-Language: en", "Content-Version: 2", "Pragma: no-cache",
                                "Date: Sun, 06 Nov 1994 08:49:37 GMT", "Last-Modified: Sun, 06 Nov 1994 08:49:37 GMT"});
  const TDateTime sunday = EncodeDate(1994, 11, 6) + EncodeTime(8, 49, 37, 0);
  EXPECT_EQ(response->Location, "http://h/next");
  EXPECT_EQ(response->Server, "nginx");
  EXPECT_EQ(response->Connection, "close");
  EXPECT_EQ(response->ProxyConnection, "keep-alive");
  EXPECT_EQ(response->ContentType, "video/x-flv");
  EXPECT_EQ(response->ContentEncoding, "gzip");
  EXPECT_EQ(response->ContentLanguage, "en");
  EXPECT_EQ(response->ContentVersion, "2");
  EXPECT_EQ(response->Pragma, "no-cache");
  EXPECT_DOUBLE_EQ(response->Date, sunday);
  EXPECT_DOUBLE_EQ(response->LastModified, sunday);

  response->HeaderLines.Clear();
  response->HeaderLines.Add("Server: other");
  response->ParseHeaders();
  EXPECT_EQ(response->Location, "");
  EXPECT_EQ(response->ContentType, "");
  EXPECT_EQ(response->Connection, "");
}

TEST(ResponseParse, ExpiresForms) {
  ScopedTimeZone zone("XST-1");
  const TDateTime before = Now();
  const auto expiresOf = [](const char* value) { return responseWith({std::string("Expires: ") + value})->Expires; };
  const TDateTime second = EncodeTime(0, 0, 1, 0);

  EXPECT_NEAR(expiresOf("0"), before, 5 * second);
  EXPECT_NEAR(expiresOf("3600"), before + EncodeTime(1, 0, 0, 0), 5 * second);
  EXPECT_NEAR(expiresOf("86399"), before + EncodeTime(23, 59, 59, 0), 5 * second);
  // A count that is no time of day is taken as already expired.
  EXPECT_NEAR(expiresOf("90000"), before, 5 * second);
  EXPECT_NEAR(expiresOf("86400"), before, 5 * second);
  EXPECT_NEAR(expiresOf("-2"), before, 5 * second);
  // -1 and dates go through the date reader.
  EXPECT_DOUBLE_EQ(expiresOf("Sun, 06 Nov 1994 08:49:37 GMT"), EncodeDate(1994, 11, 6) + EncodeTime(9, 49, 37, 0));
  EXPECT_DOUBLE_EQ(expiresOf("-1"), LocalUtcOffset());
}

struct RangeCase {
  const char* value;
  int64_t start, end, instanceLength;
};

// Ranges are 64-bit, so a file past 2 GiB can be resumed; a value of any
// other form leaves the range unknown instead of failing the response.
const RangeCase kRangeCases[] = {
    {"bytes 100-199/1000", 100, 199, 1000},
    {"bytes 2147483648-4294967295/8589934592", 2147483648, 4294967295, 8589934592},
    {"BYTES 0-4/*", 0, 4, -1},
    {"bytes */1000", 0, 0, 1000},
    {"bytes 1-x/2", 0, 0, -1},
    {"bytes 5-/10", 0, 0, -1},
    {"bytes 9-3/10", 0, 0, -1},
    {"bytes 0-10/10", 0, 0, -1},
    {"bytes -1-5/10", 0, 0, -1},
    {"bytes 0-99999999999999999999/*", 0, 0, -1},
    {"items 0-1/2", 0, 0, -1},
};

TEST(ResponseParse, ContentRangeForms) {
  for (const RangeCase& c : kRangeCases) {
    SCOPED_TRACE(c.value);
    const auto response = responseWith({std::string("Content-Range: ") + c.value});
    EXPECT_EQ(std::tie(response->ContentRangeStart, response->ContentRangeEnd, response->ContentRangeInstanceLength),
              std::tie(c.start, c.end, c.instanceLength));
  }
}

TEST(ResponseParse, ChallengesAreKeptInOrder) {
  const auto response = responseWith({"WWW-Authenticate: Digest realm=\"a\"", "Server: s",
                                      "www-authenticate: Basic realm=\"b\"", "Proxy-Authenticate: Basic realm=\"p\""});
  EXPECT_EQ(linesOf(response->WWWAuthenticate), (std::vector<std::string>{"Digest realm=\"a\"", "Basic realm=\"b\""}));
  EXPECT_EQ(linesOf(response->ProxyAuthenticate), (std::vector<std::string>{"Basic realm=\"p\""}));

  // A second parse replaces the challenges rather than adding to them.
  response->ParseHeaders();
  EXPECT_EQ(response->WWWAuthenticate.Count(), 2);
}

TEST(ResponseReset, KeepsProxyConnectionCacheControlPragmaAndCustomLines) {
  auto response = responseWith(
      {"Location: x", "Proxy-Connection: close", "WWW-Authenticate: Basic", "Pragma: p", "Content-Length: 5"});
  response->CacheControl = "c";
  response->CustomHeaders.Add("X: 1");
  response->ResetFields();
  EXPECT_EQ(response->Location, "");
  EXPECT_EQ(response->WWWAuthenticate.Count(), 0);
  EXPECT_EQ(response->HeaderLines.Count(), 0);
  EXPECT_EQ(response->ContentType, "text/html");
  EXPECT_EQ(response->ContentLength(), -1);
  EXPECT_TRUE(response->LengthGiven);  // the reset assigns the length directly
  EXPECT_EQ(response->ProxyConnection, "close");
  EXPECT_EQ(response->Pragma, "p");
  EXPECT_EQ(response->CacheControl, "c");
  EXPECT_EQ(response->CustomHeaders.Count(), 1);
}

TEST(RequestParse, ReadsAReceivedRequestWithItsRange) {
  TIdRequestHeaderInfo request;
  for (const char* line : {"Accept: */*", "Accept-Charset: utf-8", "Accept-Encoding: gzip", "Accept-Language: de",
                           "Host: h", "From: f", "Referer: r", "User-Agent: ua", "Range: bytes=10-20 x"}) {
    request.HeaderLines.Add(line);
  }
  request.ParseHeaders();
  EXPECT_EQ(request.Accept, "*/*");
  EXPECT_EQ(request.AcceptCharSet, "utf-8");
  EXPECT_EQ(request.AcceptEncoding, "gzip");
  EXPECT_EQ(request.AcceptLanguage, "de");
  EXPECT_EQ(request.Host, "h");
  EXPECT_EQ(request.From, "f");
  EXPECT_EQ(request.Referer, "r");
  EXPECT_EQ(request.UserAgent, "ua");
  EXPECT_EQ(request.ContentRangeStart, 10u);
  EXPECT_EQ(request.ContentRangeEnd, 20u);

  request.HeaderLines.Clear();
  request.HeaderLines.Add("Range: bytes=x-");
  request.ParseHeaders();
  EXPECT_EQ(request.ContentRangeStart, 0u);
  EXPECT_EQ(request.ContentRangeEnd, 0u);
}

TEST(HeaderRecordCopy, EachKindCopiesItsOwnFields) {
  auto response = responseWith({"Content-Type: video/x-flv", "Content-Length: 7", "Server: s"});
  response->Connection = "close";
  TIdRequestHeaderInfo request;
  request.Assign(*response);
  EXPECT_EQ(request.ContentType, "video/x-flv");
  EXPECT_EQ(request.ContentLength(), 7);
  EXPECT_EQ(request.HeaderLines.Count(), 3);
  EXPECT_EQ(request.Connection, "");  // not among the copied fields

  TIdRequestHeaderInfo source;
  source.UserAgent = "ua";
  source.Username = "u";
  source.BasicAuthentication = true;
  source.ContentType = "text/plain";
  source.Host = "h";
  request.Assign(source);
  EXPECT_EQ(request.UserAgent, "ua");
  EXPECT_EQ(request.Username, "u");
  EXPECT_TRUE(request.BasicAuthentication);
  EXPECT_EQ(request.ContentType, "video/x-flv");  // a request copies only its own fields
  EXPECT_EQ(request.Host, "");

  TIdResponseHeaderInfo intoEntity;
  intoEntity.Assign(source);
  EXPECT_EQ(intoEntity.ContentType, "text/plain");

  TIdProxyConnectionInfo proxy;
  proxy.SetProxyServer("p");
  proxy.SetProxyPort(3128);
  proxy.ProxyUsername = "pu";
  TIdProxyConnectionInfo proxyCopy;
  proxyCopy.Assign(proxy);
  EXPECT_EQ(proxyCopy.ProxyServer(), "p");
  EXPECT_EQ(proxyCopy.ProxyPort(), 3128);
  EXPECT_EQ(proxyCopy.ProxyUsername, "pu");
}

// A copy keeps whether a length is known, and a copied proxy drops the
// credentials the destination had answered for its old proxy.
TEST_F(WithFakeBasicScheme, CopiesKeepLengthGivenAndDropStaleProxyCredentials) {
  auto response = responseWith({"Content-Length: 0"});
  TIdResponseHeaderInfo copy;
  copy.Assign(*response);
  EXPECT_EQ(copy.ContentLength(), 0);
  EXPECT_TRUE(copy.LengthGiven);

  TIdProxyConnectionInfo proxy;
  proxy.SetProxyServer("new.example");
  TIdProxyConnectionInfo destination;
  destination.SetProxyServer("old.example");
  destination.Authentication = std::make_unique<FakeScheme>();
  destination.Assign(proxy);
  EXPECT_EQ(destination.ProxyServer(), "new.example");
  EXPECT_EQ(destination.Authentication, nullptr);
}

TEST(HeaderRecordCopy, UnrelatedKindsRaiseTheToolkitError) {
  TIdProxyConnectionInfo proxy;
  TIdRequestHeaderInfo request;
  try {
    request.Assign(proxy);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "Cannot assign a TIdProxyConnectionInfo to a TIdRequestHeaderInfo");
  }
  try {
    proxy.Assign(request);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "Cannot assign a TIdRequestHeaderInfo to a TIdProxyConnectionInfo");
  }
}

}  // namespace
