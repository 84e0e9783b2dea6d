#include "net/http/uri.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "net/http/http_exceptions.h"

namespace {

struct TIdURIFields {
  std::string Protocol{}, Username{}, Password{}, Host{}, Port{}, Path{}, Document{}, Params{}, Fragment{};
  bool operator==(const TIdURIFields&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TIdURIFields& f) {
  return out << "{Protocol=" << f.Protocol << " Username=" << f.Username << " Password=" << f.Password
             << " Host=" << f.Host << " Port=" << f.Port << " Path=" << f.Path << " Document=" << f.Document
             << " Params=" << f.Params << " Fragment=" << f.Fragment << "}";
}

TIdURIFields fieldsOf(const TIdURI& uri) {
  return {uri.Protocol, uri.Username, uri.Password, uri.Host,    uri.Port,
          uri.Path,     uri.Document, uri.Params,   uri.Fragment};
}

struct SplitCase {
  const char* address;
  TIdURIFields expected;
};

const SplitCase kSplitCases[] = {
    // Absolute: the authority ends at the first "/", the path at the last "/"
    // before the query.
    {"s://h", {.Protocol = "s", .Host = "h", .Path = "/"}},
    {"s://h:81", {.Protocol = "s", .Host = "h", .Port = "81", .Path = "/"}},
    {"s://h/a/b?x=/y", {.Protocol = "s", .Host = "h", .Path = "/a/", .Document = "b", .Params = "?x=/y"}},
    {"s://h/a/b=c", {.Protocol = "s", .Host = "h", .Path = "/a/", .Document = "b", .Params = "=c"}},
    {"s://h/a/b?c=d=e", {.Protocol = "s", .Host = "h", .Path = "/a/", .Document = "b", .Params = "?c=d=e"}},
    {"http://www.site.example/watch?v=abc&t=9",
     {.Protocol = "http", .Host = "www.site.example", .Path = "/", .Document = "watch", .Params = "?v=abc&t=9"}},
    // User information: a password only with a user name.
    {"s://u@h/", {.Protocol = "s", .Username = "u", .Host = "h", .Path = "/"}},
    {"s://u:pw@h:8080/a/b/doc.html?x=1#top",
     {.Protocol = "s",
      .Username = "u",
      .Password = "pw",
      .Host = "h",
      .Port = "8080",
      .Path = "/a/b/",
      .Document = "doc.html",
      .Params = "?x=1",
      .Fragment = "top"}},
    {"s://:pw@h", {.Protocol = "s", .Host = "h", .Path = "/"}},
    {"s://u:p:w@h", {.Protocol = "s", .Username = "u", .Password = "p:w", .Host = "h", .Path = "/"}},
    // The fragment comes off first, so nothing of it is taken for path or
    // query and sent to the server; the host and port end at "/", "?" or "#".
    {"s://h/doc#top", {.Protocol = "s", .Host = "h", .Path = "/", .Document = "doc", .Fragment = "top"}},
    {"s://h/d#f?q#g", {.Protocol = "s", .Host = "h", .Path = "/", .Document = "d", .Fragment = "f?q#g"}},
    {"s://h/d?q#g", {.Protocol = "s", .Host = "h", .Path = "/", .Document = "d", .Params = "?q", .Fragment = "g"}},
    {"http://h/a/b#f/x", {.Protocol = "http", .Host = "h", .Path = "/a/", .Document = "b", .Fragment = "f/x"}},
    {"http://h/a#x?y", {.Protocol = "http", .Host = "h", .Path = "/", .Document = "a", .Fragment = "x?y"}},
    {"http://h?x=1", {.Protocol = "http", .Host = "h", .Path = "/", .Params = "?x=1"}},
    {"http://h:8080#f", {.Protocol = "http", .Host = "h", .Port = "8080", .Path = "/", .Fragment = "f"}},
    {"http://u:p@h?x=/y#z",
     {.Protocol = "http",
      .Username = "u",
      .Password = "p",
      .Host = "h",
      .Path = "/",
      .Params = "?x=/y",
      .Fragment = "z"}},
    // Backslashes are slashes.
    {"s:\\\\h\\a\\b", {.Protocol = "s", .Host = "h", .Path = "/a/", .Document = "b"}},
    // Relative: no leading "/" is added, and a fragment comes only off a query.
    {"doc.html?x=1#top", {.Document = "doc.html", .Params = "?x=1", .Fragment = "top"}},
    {"doc.html#top", {.Document = "doc.html#top"}},
    {"/a/b", {.Path = "/a/", .Document = "b"}},
    {"a/b=c/d", {.Path = "a/", .Document = "b", .Params = "=c/d"}},
    {"../up/", {.Path = "../up/"}},
    {"", {}},
};

TEST(UriSplit, TableOfAddresses) {
  for (const auto& c : kSplitCases) {
    SCOPED_TRACE(c.address);
    const TIdURI uri(c.address);
    EXPECT_EQ(fieldsOf(uri), c.expected);
    EXPECT_EQ(uri.URI, c.address);
  }
}

TEST(UriSplit, SplittingAgainClearsEveryField) {
  TIdURI uri("s://u:pw@h:1/a/b?q#f");
  uri.SplitAddress("doc");
  EXPECT_EQ(fieldsOf(uri), (TIdURIFields{.Document = "doc"}));
}

TEST(UriCompose, OptionsAddUserInformationAndFragment) {
  TIdURI uri("s://u:pw@h:8080/a/b/doc.html?x=1#top");
  EXPECT_EQ(uri.ComposeFull(NoOptionalFields), "s://h:8080/a/b/doc.html?x=1");
  EXPECT_EQ(uri.ComposeFull(IncludeAuthInfo), "s://u:pw@h:8080/a/b/doc.html?x=1");
  EXPECT_EQ(uri.ComposeFull(IncludeFragment), "s://h:8080/a/b/doc.html?x=1#top");
  EXPECT_EQ(uri.Compose(), "s://h:8080/a/b/doc.html?x=1");
  EXPECT_EQ(uri.URI, "s://u:pw@h:8080/a/b/doc.html?x=1#top");

  uri.Password.clear();
  EXPECT_EQ(uri.ComposeFull(IncludeAuthInfo), "s://u@h:8080/a/b/doc.html?x=1");
}

TEST(UriCompose, FieldsAreJoinedAsTheyStandWithoutEncoding) {
  TIdURI uri;
  uri.Protocol = "http";
  uri.Host = "h";
  uri.Document = "a b";
  uri.Params = "?x=%zz";
  EXPECT_EQ(uri.Compose(), "http://ha b?x=%zz");
}

TEST(UriCompose, SchemeAndHostAreRequired) {
  TIdURI relative("a/b");
  try {
    relative.ComposeFull(NoOptionalFields);
    FAIL();
  } catch (const EIdURIException& e) {
    EXPECT_EQ(e.Message, "Protocol field is empty");
  }
  TIdURI noHost;
  noHost.Protocol = "s";
  noHost.Username = "u";
  try {
    noHost.Compose();
    FAIL();
  } catch (const EIdURIException& e) {
    EXPECT_EQ(e.Message, "Host field is empty");
  }
}

// Composing a split address gives back the address, with "/" for an empty
// path and without user information and fragment.
struct RoundTrip {
  const char* address;
  const char* composed;
};

const RoundTrip kRoundTrips[] = {
    {"s://h", "s://h/"},
    {"s://h:81", "s://h:81/"},
    {"http://h/", "http://h/"},
    {"http://h/a/b/c.flv", "http://h/a/b/c.flv"},
    {"http://h/get_video?video_id=x&t=y", "http://h/get_video?video_id=x&t=y"},
    {"http://h/videodownload?version=0&secureurl=a/b&sigh=c&",
     "http://h/videodownload?version=0&secureurl=a/b&sigh=c&"},
    {"http://u:p@h:8080/a?b#c", "http://h:8080/a?b"},
    {"http://h/a=b/c", "http://h/a=b/c"},
    {"http://h\\a\\b", "http://h/a/b"},
};

TEST(UriRoundTrip, ComposeOfSplitGivesTheAddressBack) {
  for (const auto& c : kRoundTrips) {
    SCOPED_TRACE(c.address);
    TIdURI uri(c.address);
    EXPECT_EQ(uri.Compose(), c.composed);
    // The stored full text splits into the same fields again.
    EXPECT_EQ(fieldsOf(TIdURI(uri.URI)), fieldsOf(TIdURI(c.address)));
  }
}

struct MergeCase {
  const char* base;
  const char* path;
  const char* expected;
};

const MergeCase kMergeCases[] = {
    {"/a/b/", "../c", "/a/c"},
    {"/a/b", "c/", "/a/b/c/"},
    {"", "x//y", "x/y"},
    {"/a/", "./b", "/a/./b"},
    {"/a/b/", "/rooted/../x", "/rooted/../x"},  // an absolute path is taken as it stands
    {"/a/b/", "", "/a/b/"},
    {"/a/b/", "c", "/a/b/c"},
    {"/a//b/", "c//", "/a/b/c/"},
    {"/a/b/", "../../../c", "/c"},  // ".." stops at the top
    {"/", "..", ""},                // climbing past the top leaves nothing
    {"/a/", "b/..", "/a"},
    {"/a/", "..x", "/x"},  // ".." counts even when a name follows it
    {"a", "..", ""},
};

TEST(MergePath, ResolvesRelativePathsAgainstTheBase) {
  for (const auto& c : kMergeCases) {
    SCOPED_TRACE(std::string(c.base) + " + " + c.path);
    EXPECT_EQ(MergePath(c.base, c.path), c.expected);
  }
  EXPECT_EQ(MergePath("\\a\\b\\", "..\\c", '\\'), "\\a\\c");
}

struct ResolveCase {
  const char* reference;
  const char* expected;
};

// RFC 3986 5.4's examples against its base, plus what playlists and pages do.
const ResolveCase kResolveCases[] = {
    {"g", "http://a/b/c/g"},
    {"./g", "http://a/b/c/g"},
    {"g/", "http://a/b/c/g/"},
    {"/g", "http://a/g"},
    {"//g/x", "http://g/x"},
    {"?y", "http://a/b/c/d;p?y"},
    {"g?y", "http://a/b/c/g?y"},
    {"", "http://a/b/c/d;p?q"},
    {"..", "http://a/b/"},
    {"../g", "http://a/b/g"},
    {"../../../g", "http://a/g"},
    {"/./g", "http://a/g"},
    {"g/../h", "http://a/b/c/h"},
    {"g;x=1/../y", "http://a/b/c/y"},
    {"https://other:8443/s/a.ts", "https://other:8443/s/a.ts"},
    {"http://x/a/../b.ts", "http://x/b.ts"},
    // Empty segments stay: signed addresses depend on them.
    {"a//b.ts", "http://a/b/c/a//b.ts"},
    {"seg=1/x.ts", "http://a/b/c/seg=1/x.ts"},
};

TEST(ResolveReference, AgainstTheBase) {
  for (const auto& c : kResolveCases) {
    SCOPED_TRACE(c.reference);
    EXPECT_EQ(ResolveReference("http://a/b/c/d;p?q", c.reference), c.expected);
  }
  // A base whose path holds "=" keeps it: the query begins only at "?".
  EXPECT_EQ(ResolveReference("http://h/p=1/list.m3u8", "a.ts"), "http://h/p=1/a.ts");
  EXPECT_EQ(ResolveReference("http://u:pw@h:81", "a.ts"), "http://u:pw@h:81/a.ts");
  // A base with dot segments is used without them, so that a resolved
  // address resolves to itself.
  EXPECT_EQ(ResolveReference("http://h/a//../b/c?x", "?y"), "http://h/a/b/c?y");
  EXPECT_EQ(ResolveReference("http://h/a/./b/../c", ""), "http://h/a/c");
  // A network-path reference against a base whose scheme is empty.
  EXPECT_EQ(ResolveReference("://h/a", "//g/x/../y"), "://g/y");
}

}  // namespace
