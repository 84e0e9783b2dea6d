// Output names for many videos: titles as pages really have them, made safe
// for one path component, and the template's fields.
#include "app/output_name.h"

#include <gtest/gtest.h>

namespace {

TEST(OutputName, TitlesBecomeOnePathComponent) {
  struct {
    const char* title;
    const char* name;
  } cases[] = {
      {"Tom/Jerry \"Ep 1\" 'pilot' \xc3\x89t\xc3\xa9 \xe5\x8b\x95\xe7\x94\xbb",
       "Tom_Jerry \"Ep 1\" 'pilot' \xc3\x89t\xc3\xa9 \xe5\x8b\x95\xe7\x94\xbb"},
      {"  tabs\tand\r\nbreaks  ", "tabs and breaks"},
      {"..", "_."},
      {".hidden", "_hidden"},
      {"", "video"},
      {" \x01\x7f ", "video"},
      {"a\xc2\x9b"
       "b\x9b"
       "c\xe2\x80",
       "a b c"},
      {"../../etc/passwd", "_._.._etc_passwd"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    EXPECT_EQ(SafeFileName(c.title), c.name);
  }
}

// A long title is cut at 200 bytes without splitting a character.
TEST(OutputName, LongTitlesAreCutBetweenCharacters) {
  std::string title = "a";
  for (int i = 0; i < 120; ++i) title += "\xc3\xa9";
  const std::string name = SafeFileName(title);
  EXPECT_EQ(name.size(), 199u);
  EXPECT_EQ(name, title.substr(0, 199));
}

TEST(OutputName, TemplateFields) {
  EXPECT_TRUE(IsNameTemplate("%(title)s.%(ext)s"));
  EXPECT_FALSE(IsNameTemplate("clip 100%.avi"));
  EXPECT_EQ(ExpandNameTemplate("out/%(title)s.%(ext)s", "A/B", "mp4"), "out/A_B.mp4");
  EXPECT_EQ(ExpandNameTemplate("%(title)s-100%%.%(ext)s", "", "mp3"), "video-100%.mp3");
  EXPECT_THROW(ExpandNameTemplate("%(id)s.%(ext)s", "t", "mp4"), EBadNameTemplate);
  EXPECT_THROW(ExpandNameTemplate("%(title)s.%", "t", "mp4"), EBadNameTemplate);
}

}  // namespace

namespace {

struct FieldCase {
  const char* nameTemplate;
  bool restricted;
  const char* name;
};

// The command line's fields, cut to a width in whole characters, and kept
// to plain ASCII when restricted; a field without a value reads "NA".
const FieldCase kFieldCases[] = {
    {"%(webpage_url_domain)s/%(id)s-%(format)s.%(ext)s", false, "clipcove.example/Kq3-MPEG 1.mpg"},
    {"%(title).5s.%(ext)s", false, "\xc3\x89t\xc3\xa9 \xe5\x8b\x95.mpg"},
    {"%(title).0s%(title).3s", false, "\xc3\x89t\xc3\xa9"},
    {"%(title)s %(format)s.%(ext)s", true, "t_Tom_Jerry_Ep_1 MPEG_1.mpg"},
    {"%(id)s", true, "Kq3"},
    {"%(title).3s-%(resolution)s-%(upload_date)s.%(ext)s", false, "\xc3\x89t\xc3\xa9-1280x720-20240305.mpg"},
    {"%(width)sx%(height)s", false, "1280x720"},
};

TEST(OutputName, CommandLineFields) {
  TNameFields fields;
  fields.Id = "Kq3";
  fields.Format = "MPEG 1";
  fields.Domain = "clipcove.example";
  fields.Extension = "mpg";
  fields.Width = "1280";
  fields.Height = "720";
  fields.Resolution = "1280x720";
  fields.UploadDate = "20240305";
  for (const FieldCase& c : kFieldCases) {
    SCOPED_TRACE(c.nameTemplate);
    fields.Title = c.restricted ? "\xc3\xa9t Tom/Jerry \"Ep 1\"" : "\xc3\x89t\xc3\xa9 \xe5\x8b\x95\xe7\x94\xbb";
    EXPECT_EQ(ExpandNameTemplate(c.nameTemplate, fields, c.restricted), c.name);
  }
  TNameFields none;
  none.Extension = "mp4";
  EXPECT_EQ(ExpandNameTemplate("%(title)s-%(id)s.%(ext)s", none), "video-NA.mp4");
  EXPECT_EQ(ExpandNameTemplate("%(resolution)s-%(upload_date)s-%(height)s", none), "NA-NA-NA");
  for (const char* refused : {"%(uploader)s", "%(title)d", "%(title).s", "%(title).99999s", "%(title", "%(id)s%"}) {
    SCOPED_TRACE(refused);
    EXPECT_THROW(ExpandNameTemplate(refused, fields), EBadNameTemplate);
  }
}

}  // namespace
