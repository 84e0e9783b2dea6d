#include "app/link_extraction.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string Id = "AbCdEfGhIjK";
const std::string Token = "0123456789abcdef0123456789ABCDEF";
const std::string FirstLine = "var swfArgs = {video_id:\"" + Id + "\",l:'140',t:\"" + Token + "\",sk:'x'};";
const std::string FirstAddress = "http://clipcove.example/get_video?video_id=" + Id + "&t=" + Token;
const std::string Secure = "http%3A%2F%2Fv7.reel.example%2Fsecure%2Fabc.flv";
const std::string Sigh = "s1gnature0123456789abcdefgh";
const std::string SecondLine = "flashvars=\"x%3D1%26secureurl%3D" + Secure + "%26sigh%3D" + Sigh + "\"";
const std::string SecondAddress =
    "http://dl.reelharbor.example/videodownload?version=0&secureurl=" + (Secure + "%26sigh%3D" + Sigh + "\"") +
    "&sigh=" + Sigh + "&";

struct LineCase {
  const char* name;
  std::string text;
  std::vector<std::string> lines;
};

// Breaks are CR, LF or CR LF; a final break adds no line; NUL ends the page.
const LineCase kLineCases[] = {
    {"empty page", "", {}},
    {"one line without a break", "a", {"a"}},
    {"final break adds nothing", "a\r\n", {"a"}},
    {"each break kind", "a\rb\nc\r\nd", {"a", "b", "c", "d"}},
    {"LF then CR is two breaks", "a\n\rb", {"a", "", "b"}},
    {"blank lines kept", "\n\na", {"", "", "a"}},
    {"text after NUL is ignored", std::string("a\nb\0c\nd", 7), {"a", "b"}},
};

TEST(PageLines, BreaksAndEnd) {
  for (const LineCase& c : kLineCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SplitPageLines(c.text), c.lines);
  }
}

struct LinkCase {
  const char* name;
  std::vector<std::string> lines;
  TVideoLink expected;
};

const LinkCase kLinkCases[] = {
    {"no marker", {"<html>", "var swfargs = {video_id:'x'}", "SECUREURL%3Dx"}, {false, ""}},
    {"first site, quoted id and token", {"<script>", FirstLine, "</script>"}, {true, FirstAddress}},
    {"second site keeps the encoding", {SecondLine}, {true, SecondAddress}},
    {"last of two first-site lines wins",
     {FirstLine, "var swfArgs = {video_id:'ZZZZZZZZZZZ',t:'" + std::string(32, 'y') + "'}"},
     {true, "http://clipcove.example/get_video?video_id=ZZZZZZZZZZZ&t=" + std::string(32, 'y')}},
    {"second site below first wins", {FirstLine, SecondLine}, {true, SecondAddress}},
    {"first site below second wins", {SecondLine, FirstLine}, {true, FirstAddress}},
    {"both markers on one line: second site", {FirstLine + " " + SecondLine}, {true, SecondAddress}},
    // Without sub-markers the fields start at characters 10 and 4 of the line.
    {"missing sub-markers",
     {"var swfArgs = 0123456789"},
     {true, "http://clipcove.example/get_video?video_id=gs%20=%20012345&t=%20swfArgs%20=%200123456789"}},
    {"short fields at the line end",
     {"var swfArgs = video_id:'abc,t:'xy"},
     {true, "http://clipcove.example/get_video?video_id=abc,t:'xy&t=xy"}},
    {"secure address cut by the line end, signature searched in the whole line",
     {"%26sigh%3DSIG secureurl%3Dshort"},
     {true, "http://dl.reelharbor.example/videodownload?version=0&secureurl=short&sigh=SIG%20secureurl%3Dshort&"}},
    {"secure address at most 262 characters",
     {"secureurl%3D" + std::string(300, 'a') + "%26sigh%3D" + Sigh},
     {true, "http://dl.reelharbor.example/videodownload?version=0&secureurl=" + std::string(262, 'a') +
                "&sigh=" + Sigh + "&"}},
    // A blank or control character from the page would split the request line.
    {"control characters are encoded",
     {"var swfArgs = video_id:'a\tb c\x7f"
      "defgh',t:'tok'"},
     {true, "http://clipcove.example/get_video?video_id=a%09b%20c%7Fdefgh&t=tok'"}},
};

TEST(VideoLink, TableOfPages) {
  for (const LinkCase& c : kLinkCases) {
    SCOPED_TRACE(c.name);
    const TVideoLink link = ExtractVideoLink(c.lines);
    EXPECT_EQ(link.Found, c.expected.Found);
    EXPECT_EQ(link.Address, c.expected.Address);
  }
}

TEST(VideoLink, LocalCopyOfTheSitesGetsTheAddresses) {
  const TSiteHosts local{"127.0.0.1:8080", "127.0.0.1:8080"};
  EXPECT_EQ(ExtractVideoLink({FirstLine}, local).Address,
            "http://127.0.0.1:8080/get_video?video_id=" + Id + "&t=" + Token);
  EXPECT_EQ(ExtractVideoLink({SecondLine}, local).Address.rfind("http://127.0.0.1:8080/videodownload?", 0), 0u);
}

}  // namespace
