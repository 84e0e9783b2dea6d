#include <gtest/gtest.h>

#include "app/clipboard_scan.h"
#include "app/error_text.h"
#include "app/option_lists.h"
#include "app/output_formats.h"
#include "converter/video_edit.h"

namespace {

const std::string Default = "http://www.clipcove.example/watch?v=Kq3fZ8wLp2A";

struct ClipboardCase {
  const char* name;
  const char* clipboard;
  std::string expected;
};

// The second site is known by its full host, the first by its domain; the
// last matching line wins and is trimmed.
const ClipboardCase kClipboardCases[] = {
    {"empty clipboard", "", Default},
    {"nothing of either site", "hello\nworld", Default},
    {"line 3 wins over line 1",
     "  http://clipcove.example/watch?v=1\r\nother\r\n\thttp://video.reelharbor.example/v/2 \r\n",
     "http://video.reelharbor.example/v/2"},
    {"one line with both", "x video.reelharbor.example clipcove.example\n",
     "x video.reelharbor.example clipcove.example"},
    {"case matters", "http://CLIPCOVE.example/watch", Default},
    {"the second site's bare domain is not its host", "http://reelharbor.example/v", Default},
};

TEST(ClipboardScan, Cases) {
  for (const ClipboardCase& c : kClipboardCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ScanClipboard(c.clipboard, Default), c.expected);
  }
}

TEST(OptionLists, PreselectionRules) {
  EXPECT_EQ(PickList({}, "PCM").Selected, -1);
  EXPECT_EQ(PickList({"a", "MJPEG Compressor", "b", "MJPEG Compressor"}, "MJPEG Compressor").Selected, 3);
  EXPECT_EQ(PickList({"a", "mjpeg compressor"}, "MJPEG Compressor").Selected, 0);
  EXPECT_EQ(PickList({"a", "b"}).Selected, 0);
}

TEST(OptionLists, FilledFromTheConverter) {
  TVideoEdit edit;
  const TOptionLists lists = FillOptionLists(edit);
  int unflagged = 0;
  for (int16_t i = 0; i < edit.WMVProfiles.Count(); ++i) unflagged += !edit.WMVProfiles.ProfileFlag(i);
  EXPECT_EQ(int(lists.WMV8Profiles.Items.size()), unflagged);
  EXPECT_EQ(lists.WMV9Profiles.Items.size(), WMV9Profiles.size());
  EXPECT_EQ(lists.WMV9Profiles.Items[1], "Windows Media Video 9 for Dial-up Modems (56 kbps");
  ASSERT_GE(lists.VideoCompressors.Selected, 0);
  EXPECT_EQ(lists.VideoCompressors.Items[lists.VideoCompressors.Selected], "MJPEG Compressor");
  ASSERT_GE(lists.AudioCompressors.Selected, 0);
  EXPECT_EQ(lists.AudioCompressors.Items[lists.AudioCompressors.Selected], "PCM");
}

TEST(ApplicationText, TitleAndFullStop) {
  EXPECT_EQ(ApplicationTitle("/usr/bin/QuillFen.Bin.exe"), "Quillfen");
  EXPECT_EQ(ApplicationTitle("quillfen-cli"), "quillfen-cli");
  EXPECT_EQ(ApplicationTitle("/a.b/"), "");
  EXPECT_EQ(ErrorBoxText("HTTP/1.1 404 Not Found"), "HTTP/1.1 404 Not Found.");
  EXPECT_EQ(ErrorBoxText("Disconnected."), "Disconnected.");
  EXPECT_EQ(ErrorBoxText("Socket Error # 10061\r\n"), "Socket Error # 10061\r\n");
  EXPECT_EQ(ErrorBoxText("size 1"), "size 1.");
  EXPECT_EQ(ErrorBoxText("a-"), "a-");
  EXPECT_EQ(ErrorBoxText(""), "");
}

}  // namespace
