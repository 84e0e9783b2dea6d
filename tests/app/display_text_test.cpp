// Texts of servers and pages as the terminal and the window show them:
// nothing in them can steer a terminal, and readable text stays as it came.
#include "app/display_text.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_view_literals;

struct DisplayCase {
  const char* name;
  std::string_view text;
  std::string_view expected;
};

const DisplayCase kDisplayCases[] = {
    {"plain text", "HTTP/1.1 404 Not Found", "HTTP/1.1 404 Not Found"},
    {"accented and other scripts", "Crème brûlée — 東京 🎬", "Crème brûlée — 東京 🎬"},
    {"no-break space, the first character after C1", "a\u00A0b", "a\u00A0b"},
    {"tabs and line breaks of a laid-out message", "Socket Error # 10061\r\nConnection refused\tnow\n",
     "Socket Error # 10061\r\nConnection refused\tnow\n"},
    {"title and screen escapes with BEL", "404 \x1b]2;owned\x07\x1b[2J", "404 \uFFFD]2;owned\uFFFD\uFFFD[2J"},
    {"a lone carriage return", "saved\rowned", "saved\uFFFDowned"},
    {"NUL, backspace and DEL", "a\0b\bc\x7F"sv, "a\uFFFDb\uFFFDc\uFFFD"},
    {"C1 CSI and NEL as UTF-8", "\u009B2J\u0085", "\uFFFD2J\uFFFD"},
    {"C1 CSI as a lone byte, erasing the line", "\x9BK", "\uFFFDK"},
    {"Latin-1 byte", "caf\xE9!", "caf\uFFFD!"},
    {"character cut at the end", "ab\xE2\x82", "ab\uFFFD\uFFFD"},
    {"overlong ESC", "\xC0\x9B|\xE0\x80\x9B", "\uFFFD\uFFFD|\uFFFD\uFFFD\uFFFD"},
    {"surrogate half", "\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},
    {"past U+10FFFF and bytes never in UTF-8", "\xF4\x90\x80\x80\xFE\xFF", "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
};

TEST(DisplayText, TableOfTexts) {
  for (const DisplayCase& c : kDisplayCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DisplayText(c.text), c.expected);
  }
}

}  // namespace
