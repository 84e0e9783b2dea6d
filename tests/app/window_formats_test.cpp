// The window's format list beyond the sixteen, on Qt's offscreen platform:
// each new entry, picked in ComboBox1 and run through Download on a video
// address of a local server, gives the save dialog its filter and extension
// and the converter its type.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <cstdlib>

#include "app/output_formats.h"
#include "app/window/desktop.h"
#include "app/window/engine_flags.h"
#include "app/window/main_window.h"
#include "tests/app/demo_site.h"
#include "tests/app/recording_desktop.h"
#include "tests/servers/nginx_server.h"
#include "tests/servers/temp_folder.h"

namespace {

using namespace app_test;

std::string probe(const std::string& path) {
  const std::string command =
      "ffprobe -v error -show_entries format=format_name:stream=codec_name -of csv=p=0 '" + path + "' 2>&1";
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char block[256];
    while (size_t n = fread(block, 1, sizeof block, pipe)) text.append(block, n);
    pclose(pipe);
  }
  return text;
}

TEST(WindowFormats, NewEntriesSetTypeFilterAndExtension) {
  TempFolder work;
  NginxServer nginx;
  MakeDemoSite(nginx);
  RecordingDesktop desktop;
  desktop.AnswerFor = [&](const TSaveRequest& request) { return work.Path() + "/out." + request.DefaultExt; };
  TAppFolders folders;
  folders.Work = work.Path() + "/";
  folders.Data = SourcePath("resources/");
  folders.Profiles = folders.Data + "profiles/";
  TForm1 form(desktop, "quillfen", [&] {
    TSessionOptions options;
    options.Folders = folders;
    return options;
  }());
  form.FormActivate();
  auto* formats = form.findChild<QComboBox*>("ComboBox1");
  ASSERT_NE(formats, nullptr);
  EXPECT_EQ(formats->count(), 21);
  EXPECT_EQ(form.SelectedFormat(), otAVI);
  auto* address = form.findChild<QLineEdit*>("Edit1");

  const struct {
    int index;
    const char* caption;
    const char* filter;
    const char* extension;
    const char* streams;
  } cases[] = {
      {16, "MP4", "MP4 File (*.mp4)|*.mp4", "mp4", "h264\naac\n\"mov,mp4,m4a,3gp,3g2,mj2\"\n"},
      {17, "WebM", "WebM File (*.webm)|*.webm", "webm", "vp9\nopus\n\"matroska,webm\"\n"},
      {18, "MP3 (audio only)", "MP3 File (*.mp3)|*.mp3", "mp3", "mp3\nmp3\n"},
      {19, "Opus (audio only)", "Opus File (*.opus)|*.opus", "opus", "opus\nogg\n"},
      // The Flash video's Sorenson and MP3 streams stay in FLV.
      {20, "Original (no re-encoding)", "Original File (*.flv)|*.flv", "flv", "mp3\nflv1\nflv\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption);
    formats->setCurrentText(c.caption);
    EXPECT_EQ(form.SelectedFormat(), TOutputType(c.index));
    // Set just before the click: the browser panel writes the start page's
    // sample address into the field when that page has loaded.
    address->setText(QString::fromStdString(nginx.Url("/video.flv")));
    form.Button1Click();
    ASSERT_FALSE(desktop.Requests.empty()) << ::testing::PrintToString(desktop.Messages);
    EXPECT_EQ(desktop.Requests.back().Filter, c.filter);
    EXPECT_EQ(desktop.Requests.back().DefaultExt, c.extension);
    EXPECT_EQ(probe(work.Path() + "/out." + c.extension), c.streams);
    desktop.Requests.clear();
  }
  EXPECT_TRUE(desktop.Messages.empty());
}

}  // namespace
