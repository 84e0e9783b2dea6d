// The scan for videos a page declares: every declaration form, addresses of
// every kind, references, quoting and case as pages really write them, and
// the two sites' markers winning over a declaration beside them.
#include "app/declared_video.h"

#include <gtest/gtest.h>

#include "app/page_video.h"

namespace {

const std::string Page = "https://pages.example/shows/ep1/watch.html?x=1";

struct ScanCase {
  const char* what;
  std::string page;
  std::vector<std::string> videos;
};

const ScanCase kScanCases[] = {
    {"og:video:secure_url",
     R"(<meta property="og:video:secure_url" content="https://cdn.example/a.mp4">)",
     {"https://cdn.example/a.mp4"}},
    {"og:video:url",
     R"(<meta property="og:video:url" content="http://cdn.example/a.mp4" />)",
     {"http://cdn.example/a.mp4"}},
    {"og:video", R"(<meta property="og:video" content="/media/a.webm">)", {"https://pages.example/media/a.webm"}},
    {"twitter:player:stream",
     R"(<meta name="twitter:player:stream" content="a.mp4">)",
     {"https://pages.example/shows/ep1/a.mp4"}},
    {"video src", R"(<video controls src="../clip.mp4"></video>)", {"https://pages.example/shows/clip.mp4"}},
    {"source inside video",
     R"(<video><source src="./v/clip.mp4" type="video/mp4"></video>)",
     {"https://pages.example/shows/ep1/v/clip.mp4"}},
    {"source outside any video is no declaration", R"(<audio><source src="a.mp3"></audio><source src="b.mp4">)", {}},
    {"link video_src", R"(<link rel="video_src" href="//cdn.example/v.flv">)", {"https://cdn.example/v.flv"}},
    {"protocol-relative", R"(<video src="//other.example/x.mp4">)", {"https://other.example/x.mp4"}},
    {"query-only reference", R"(<video src="?id=7">)", {"https://pages.example/shows/ep1/watch.html?id=7"}},
    {"character references in the address",
     R"(<video src="/v.mp4?a=1&amp;b=2&#38;c=&#x33;">)",
     {"https://pages.example/v.mp4?a=1&b=2&c=3"}},
    {"single quotes, no quotes",
     "<meta property='og:video' content='/a.mp4'><video src=/b.mp4>",
     {"https://pages.example/a.mp4", "https://pages.example/b.mp4"}},
    {"content before property, upper case",
     R"(<META CONTENT="/a.mp4" PROPERTY="OG:VIDEO"><VIDEO SRC="/b.mp4"></VIDEO>)",
     {"https://pages.example/a.mp4", "https://pages.example/b.mp4"}},
    {"blanks and line breaks inside the tag and the address",
     "<meta\n property = \"og:video\"\n content=\" /a\nb.mp4 \">",
     {"https://pages.example/ab.mp4"}},
    {"spaces and non-ASCII are percent-encoded",
     "<video src=\"/my clip \xc3\xa9.mp4\">",
     {"https://pages.example/my%20clip%20%C3%A9.mp4"}},
    {"several forms: properties, then player, then link; no address twice",
     R"(<link rel=video_src href=/l.flv><video src=/v.mp4><source src=/s.m3u8 type="application/x-mpegURL">)"
     R"(<source src=/s.webm type='video/webm'><source src=/s.ogv></video>)"
     R"(<meta property=og:video content=/o.mp4><meta property=og:video:secure_url content=/o.mp4>)",
     {"https://pages.example/o.mp4", "https://pages.example/v.mp4", "https://pages.example/s.webm",
      "https://pages.example/s.ogv", "https://pages.example/s.m3u8", "https://pages.example/l.flv"}},
    {"schemes other than http and https are ignored",
     R"x(<video src="javascript:alert(1)"><source src="data:video/mp4;base64,AAAA"><source src="ftp://h/x.mp4"></video>)x"
     R"(<meta property="og:video" content="file:///etc/passwd"><meta property="og:video:url" content="HTTP://H.example/Y.mp4">)",
     {"HTTP://H.example/Y.mp4"}},
    {"script, style and comments are not markup",
     "<script>document.write('<video src=/s.mp4>')</script><style>/*<video src=/c.mp4>*/</style>"
     "<!-- <video src=/x.mp4> --><SCRIPT type=x>'<meta property=og:video content=/m.mp4>'</script >",
     {}},
    {"an unclosed quote runs to the end of the tag", R"(<video src="/a.mp4></video>)", {"https://pages.example/a.mp4"}},
    {"a tag cut off by the end of the page is dropped", R"(<p>ok</p><video src="/a.mp4)", {}},
    {"no candidate", "<html><head><title>t</title></head><body><img src=/a.mp4></body></html>", {}},
    {"empty address", R"(<video src=""><meta property="og:video" content="  ">)", {}},
};

TEST(DeclaredVideoScan, TableOfPages) {
  for (const ScanCase& c : kScanCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ScanPageDeclarations(c.page, Page).Videos, c.videos);
  }
}

TEST(DeclaredVideoScan, TitleIsTheFirstTitleDecodedAndCollapsed) {
  const char* page =
      "<head><TITLE>\n  Tom &amp; Jerry&#x2F;&quot;Ep 1&quot;  &eacute; \xc3\xa9 &Eacute;t&eacute;"
      "&nbsp;&copy;&yuml; &Eacute &eacutex; &bogus;</title><title>second</title></head>";
  EXPECT_EQ(
      ScanPageDeclarations(page, Page).Title,
      "Tom & Jerry/\"Ep 1\" \xc3\xa9 \xc3\xa9 \xc3\x89t\xc3\xa9\xc2\xa0\xc2\xa9\xc3\xbf &Eacute &eacutex; &bogus;");
  EXPECT_EQ(ScanPageDeclarations("<title>cut off", Page).Title, "cut off");
}

// The upload day from each form a page uses, the most telling one winning
// wherever it stands; what is no date is passed over.
TEST(DeclaredVideoScan, UploadDate) {
  const struct {
    const char* what;
    const char* page;
    const char* date;
  } cases[] = {
      {"release date", "<meta property=og:video:release_date content='2024-03-05T10:00:00+01:00'>", "20240305"},
      {"published time", "<meta property=\"article:published_time\" content=\"2023-12-31\">", "20231231"},
      {"microdata", "<span><meta itemprop=uploadDate content=20220101></span>", "20220101"},
      {"JSON-LD",
       "<script type=\"application/ld+json\">{\"@type\": \"VideoObject\", \"uploadDate\" : \"2021-07-04\"}</script>",
       "20210704"},
      {"upload date over the article's",
       "<meta property=article:published_time content=2023-12-31><meta itemprop=uploadDate content=2022-01-01>",
       "20220101"},
      {"release date over everything",
       "<meta itemprop=uploadDate content=2022-01-01><meta property=og:video:release_date content=2020-02-02>",
       "20200202"},
      {"no date", "<meta property=og:video:release_date content='last week'>", ""},
      {"uploadDate in a plain script", "<script>var x = {\"uploadDate\": \"2021-07-04\"};</script>", ""},
      {"cut off", "<script type=application/ld+json>{\"uploadDate\": \"2021-07", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ScanPageDeclarations(c.page, Page).UploadDate, c.date);
  }
}

TEST(DeclaredVideoScan, ReferencesOutOfRangeBecomeTheReplacementCharacter) {
  EXPECT_EQ(DecodeCharacterReferences("&#0;&#xD800;&#x110000;&#99999999999;&unknown;&amp"),
            "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd&#99999999999;&unknown;&amp");
}

// The sites' markers are tried first and win over a declared video.
TEST(PageVideo, SiteMarkersWinOverDeclarations) {
  const std::string page =
      "<meta property=\"og:video\" content=\"/declared.mp4\">\n"
      "var swfArgs = {video_id:'Kq3fZ8wLp2A',t:'OEgsToPDskJ2x9Yh3cA7mQwRbVn1EuLz'}\n";
  const TSiteHosts hosts{"first.example", "second.example"};
  const TPageVideo site = FindPageVideo(page, SplitPageLines(page), Page, hosts);
  EXPECT_FALSE(site.Declared);
  EXPECT_EQ(site.Link.Address,
            "http://first.example/get_video?video_id=Kq3fZ8wLp2A&t=OEgsToPDskJ2x9Yh3cA7mQwRbVn1EuLz");

  const std::string declaredOnly = page.substr(0, page.find('\n') + 1);
  const TPageVideo declared = FindPageVideo(declaredOnly, SplitPageLines(declaredOnly), Page, hosts);
  EXPECT_TRUE(declared.Declared);
  EXPECT_EQ(declared.Link.Address, "https://pages.example/declared.mp4");

  const TPageVideo none = FindPageVideo("<p>nothing</p>", SplitPageLines("<p>nothing</p>"), Page, hosts);
  EXPECT_FALSE(none.Link.Found);
}

}  // namespace
