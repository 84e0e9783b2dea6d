// Static DASH manifests read into qualities with whole tracks: the small XML
// reader under them, templates with widths and timelines with repeats,
// segment lists, single files, BaseURL at every level, periods joined, and
// everything we cannot save refused.
#include "app/streams/dash_manifest.h"

#include <gtest/gtest.h>

#include "app/streams/iso_duration.h"
#include "app/streams/stream_errors.h"
#include "app/streams/xml_document.h"

namespace {

using namespace streams;

const std::string Base = "https://h.test/movie/manifest.mpd";

std::string refusalOf(const std::function<void()>& read) {
  try {
    read();
  } catch (const EVideoStreamRefused& refused) {
    return refused.Message;
  }
  return "accepted";
}

// A quality's whole track, expanded with the budget of a whole plan.
TTrack videoTrack(const TDashManifest& manifest, size_t index) {
  size_t budget = MaxSegments;
  return manifest.VideoTrack(index, budget);
}
TTrack audioTrack(const TDashManifest& manifest, size_t index) {
  size_t budget = MaxSegments;
  return manifest.AudioTrack(index, budget);
}

std::vector<std::string> addressesOf(const TTrack& track) {
  std::vector<std::string> addresses;
  for (const TSegment& segment : track.Segments) addresses.push_back(segment.Address);
  return addresses;
}

TEST(XmlDocument, EntitiesCdataCommentsAndInstructions) {
  const auto root = ReadXmlDocument(
      "<?xml version=\"1.0\"?>\n<!DOCTYPE MPD [ <!ENTITY boom \"x\"> ]>\n<!-- a <fake> tag -->"
      "<mpd:MPD xmlns:mpd=\"urn:x\" a='&lt;&amp;&gt;&quot;&apos;' b=\"&#65;&#x42;&#x20AC;\">"
      "<BaseURL>  http://x/?a=1&amp;b=2 </BaseURL><![CDATA[<not an element>]]><Empty/></mpd:MPD>");
  EXPECT_EQ(root->Name, "MPD");
  EXPECT_EQ(root->AttributeOr("a"), "<&>\"'");
  EXPECT_EQ(root->AttributeOr("b"), "AB\xE2\x82\xAC");
  EXPECT_EQ(root->Attribute("xmlns:mpd"), nullptr);
  ASSERT_NE(root->Child("BaseURL"), nullptr);
  EXPECT_EQ(root->Child("BaseURL")->Text, "  http://x/?a=1&b=2 ");
  EXPECT_EQ(root->Text, "<not an element>");
  EXPECT_NE(root->Child("Empty"), nullptr);
}

TEST(XmlDocument, MalformedDocumentsAreRefused) {
  const char* const kMalformed[] = {
      "",
      "<a>",
      "<a></b>",
      "<a b=c/>",
      "<a b=\"&boom;\"/>",  // an entity of the document's own is never expanded
      "<a>&#0;</a>",
      "<a>&#x110000;</a>",
      "<a><!-- never closed</a>",
      "<a/><b/>",
      "text<a/>",
      "<a b=\"1\"",
      "<mpd:/>",  // a prefix and no name
      "<a b:=\"1\"/>",
  };
  for (const char* text : kMalformed) {
    SCOPED_TRACE(text);
    EXPECT_THROW(ReadXmlDocument(text), EVideoStreamRefused);
  }
  std::string deep;
  for (int i = 0; i < 100; ++i) deep += "<a>";
  EXPECT_THROW(ReadXmlDocument(deep), EVideoStreamRefused);
}

TEST(IsoDuration, ReadsAndRefuses) {
  EXPECT_DOUBLE_EQ(ReadIsoDuration("PT1H2M3.5S"), 3723.5);
  EXPECT_DOUBLE_EQ(ReadIsoDuration("P1DT1S"), 86401);
  EXPECT_DOUBLE_EQ(ReadIsoDuration("PT0S"), 0);
  EXPECT_DOUBLE_EQ(ReadIsoDuration("PT90M"), 5400);
  for (const char* bad : {"", "P", "PT", "1H", "PT1H2H", "PT1S2M", "PT1.5M", "PT.5S", "PT5.S", "P1Y", "-PT1S", "PT1H ",
                          "PT1..5S", "P1DT"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(refusalOf([&] { ReadIsoDuration(bad); }), std::string("The manifest has an invalid duration: ") + bad);
  }
}

struct TemplateCase {
  const char* text;
  const char* expected;
};

const TemplateCase kTemplateCases[] = {
    {"$RepresentationID$/seg-$Number$.m4s", "v720/seg-42.m4s"},
    {"$Number%05d$.m4s", "00042.m4s"},
    {"$Number%01d$.m4s", "42.m4s"},
    {"t$Time$-$Bandwidth$.m4s", "t9000-2400000.m4s"},
    {"$Time%012d$", "000000009000"},
    {"price$$$Number$", "price$42"},
    {"plain.m4s", "plain.m4s"},
};

TEST(SegmentTemplate, IdentifiersWithWidths) {
  const TTemplateValues values{"v720", 42, 9000, 2400000};
  for (const auto& c : kTemplateCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ExpandSegmentTemplate(c.text, values), c.expected);
  }
  for (const char* bad : {"$Number", "$Unknown$", "$Number%5d$", "$Number%05x$", "$RepresentationID%02d$"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(ExpandSegmentTemplate(bad, values), EVideoStreamRefused);
  }
}

std::string mpd(const std::string& periods, const std::string& attributes = "mediaPresentationDuration=\"PT9S\"") {
  return "<?xml version=\"1.0\"?><MPD xmlns=\"urn:mpeg:dash:schema:mpd:2011\" type=\"static\" " + attributes + ">" +
         periods + "</MPD>";
}

TEST(DashManifest, NumberTemplateOverThePresentationDuration) {
  const TDashManifest manifest = ReadDashManifest(
      mpd("<Period><AdaptationSet contentType=\"video\" mimeType=\"video/mp4\" codecs=\"avc1.64001f\">"
          "<SegmentTemplate timescale=\"1000\" duration=\"4000\" startNumber=\"7\" "
          "initialization=\"$RepresentationID$/init.mp4\" media=\"$RepresentationID$/$Number%03d$.m4s\"/>"
          "<Representation id=\"hi\" bandwidth=\"2400000\" width=\"1280\" height=\"720\"/>"
          "<Representation id=\"lo\" bandwidth=\"800000\" width=\"640\" height=\"360\" codecs=\"avc1.42c01e\"/>"
          "</AdaptationSet><AdaptationSet mimeType=\"audio/mp4\"><Representation id=\"a\" bandwidth=\"128000\">"
          "<SegmentTemplate duration=\"3\" media=\"a-$Number$.m4s\"/></Representation></AdaptationSet>"
          "<AdaptationSet contentType=\"text\"><Representation id=\"t\"/></AdaptationSet></Period>"),
      Base);
  ASSERT_EQ(manifest.Video.size(), 2u);
  const TStreamVariant& hi = manifest.Video[0];
  EXPECT_EQ(hi.Id, "hi");
  EXPECT_EQ(hi.Bandwidth, 2400000);
  EXPECT_EQ(hi.Width, 1280);
  EXPECT_EQ(hi.Height, 720);
  EXPECT_EQ(hi.Codecs, "avc1.64001f");
  EXPECT_EQ(hi.MimeType, "video/mp4");
  EXPECT_EQ(manifest.Video[1].Codecs, "avc1.42c01e");
  const TTrack hiTrack = videoTrack(manifest, 0);
  ASSERT_TRUE(hiTrack.Init);
  EXPECT_EQ(hiTrack.Init->Address, "https://h.test/movie/hi/init.mp4");
  // 9 s in 4 s segments: three, the last one short.
  EXPECT_EQ(addressesOf(hiTrack),
            (std::vector<std::string>{"https://h.test/movie/hi/007.m4s", "https://h.test/movie/hi/008.m4s",
                                      "https://h.test/movie/hi/009.m4s"}));
  ASSERT_EQ(manifest.Audio.size(), 1u);
  EXPECT_EQ(addressesOf(audioTrack(manifest, 0)),
            (std::vector<std::string>{"https://h.test/movie/a-1.m4s", "https://h.test/movie/a-2.m4s",
                                      "https://h.test/movie/a-3.m4s"}));
}

TEST(DashManifest, TimelineWithRepeatsAndRepeatToTheEnd) {
  const TDashManifest manifest = ReadDashManifest(
      mpd("<Period duration=\"PT10S\"><AdaptationSet contentType=\"video\">"
          "<Representation id=\"v\" bandwidth=\"1\"><SegmentTemplate timescale=\"10\" media=\"$Time$.m4s\">"
          "<SegmentTimeline><S t=\"5\" d=\"20\" r=\"1\"/><S d=\"10\"/><S t=\"60\" d=\"15\" r=\"-1\"/>"
          "</SegmentTimeline></SegmentTemplate></Representation></AdaptationSet></Period>",
          ""),
      Base);
  // 5, 25 (r=1), 45, then from 60 in steps of 15 up to the period's 100.
  EXPECT_EQ(addressesOf(videoTrack(manifest, 0)),
            (std::vector<std::string>{"https://h.test/movie/5.m4s", "https://h.test/movie/25.m4s",
                                      "https://h.test/movie/45.m4s", "https://h.test/movie/60.m4s",
                                      "https://h.test/movie/75.m4s", "https://h.test/movie/90.m4s"}));
}

TEST(DashManifest, TimelineRepeatUpToTheNextEntry) {
  const TDashManifest manifest = ReadDashManifest(
      mpd("<Period><AdaptationSet contentType=\"video\"><SegmentTemplate media=\"n$Number$-t$Time$\">"
          "<SegmentTimeline><S t=\"0\" d=\"2\" r=\"-1\"/><S t=\"6\" d=\"3\"/></SegmentTimeline></SegmentTemplate>"
          "<Representation id=\"v\"/></AdaptationSet></Period>"),
      Base);
  EXPECT_EQ(addressesOf(videoTrack(manifest, 0)),
            (std::vector<std::string>{"https://h.test/movie/n1-t0", "https://h.test/movie/n2-t2",
                                      "https://h.test/movie/n3-t4", "https://h.test/movie/n4-t6"}));
}

TEST(DashManifest, BaseUrlsAtEveryLevelResolvedInOrder) {
  const TDashManifest manifest =
      ReadDashManifest(mpd("<BaseURL>http://cdn.test/root/</BaseURL><Period><BaseURL>p1/</BaseURL>"
                           "<AdaptationSet contentType=\"video\"><BaseURL>../video/</BaseURL>"
                           "<Representation id=\"v\"><BaseURL>file.mp4</BaseURL><SegmentBase indexRange=\"0-99\">"
                           "<Initialization range=\"0-50\"/></SegmentBase></Representation>"
                           "<Representation id=\"w\"><BaseURL>/abs/w.mp4</BaseURL></Representation>"
                           "</AdaptationSet></Period>"),
                       Base);
  EXPECT_EQ(videoTrack(manifest, 0),
            (TTrack{std::nullopt, {{"http://cdn.test/root/video/file.mp4", std::nullopt, std::nullopt, false}}}));
  EXPECT_EQ(addressesOf(videoTrack(manifest, 1)), (std::vector<std::string>{"http://cdn.test/abs/w.mp4"}));
}

TEST(DashManifest, SegmentListWithRanges) {
  const TDashManifest manifest = ReadDashManifest(
      mpd("<Period><AdaptationSet mimeType=\"video/mp4\"><Representation id=\"v\"><BaseURL>all.mp4</BaseURL>"
          "<SegmentList><Initialization sourceURL=\"init.mp4\" range=\"0-99\"/>"
          "<SegmentURL mediaRange=\"100-199\"/><SegmentURL media=\"b.m4s\"/>"
          "</SegmentList></Representation></AdaptationSet></Period>"),
      Base);
  const TTrack expected{TSegment{"https://h.test/movie/init.mp4", TByteRange{0, 100}, std::nullopt, false},
                        {{"https://h.test/movie/all.mp4", TByteRange{100, 100}, std::nullopt, false},
                         {"https://h.test/movie/b.m4s", std::nullopt, std::nullopt, false}}};
  EXPECT_EQ(videoTrack(manifest, 0), expected);
}

TEST(DashManifest, PeriodsJoinedInOrderWithTheirInitSections) {
  const std::string set =
      "<AdaptationSet contentType=\"video\"><SegmentTemplate duration=\"2\" "
      "initialization=\"$RepresentationID$/init.mp4\" media=\"$RepresentationID$/$Number$.m4s\"/>";
  const TDashManifest manifest = ReadDashManifest(
      mpd("<Period id=\"1\" duration=\"PT4S\"><BaseURL>one/</BaseURL>" + set +
              "<Representation id=\"hi\" bandwidth=\"900\"/><Representation id=\"lo\" bandwidth=\"100\"/>"
              "</AdaptationSet></Period><Period id=\"2\"><BaseURL>two/</BaseURL>" +
              set +
              "<Representation id=\"other\" bandwidth=\"5\"/><Representation id=\"hi\" bandwidth=\"950\"/>"
              "</AdaptationSet></Period>",
          "mediaPresentationDuration=\"PT6S\""),
      Base);
  ASSERT_EQ(manifest.Video.size(), 2u);
  const TTrack hi = videoTrack(manifest, 0);
  EXPECT_EQ(addressesOf(hi),
            (std::vector<std::string>{"https://h.test/movie/one/hi/1.m4s", "https://h.test/movie/one/hi/2.m4s",
                                      "https://h.test/movie/two/hi/init.mp4", "https://h.test/movie/two/hi/1.m4s"}));
  EXPECT_TRUE(hi.Segments[2].Discontinuity);
  EXPECT_FALSE(hi.Segments[3].Discontinuity);
  // "lo" has no namesake: it goes on with the second period's lowest.
  EXPECT_EQ(addressesOf(videoTrack(manifest, 1)).back(), "https://h.test/movie/two/other/1.m4s");
}

// Sixty qualities sharing one template of 99,999 segments: reading makes
// no track, and a track is made only when asked for, out of what the plan
// may still hold.
TEST(DashManifest, TracksAreMadeOnlyWhenAskedFor) {
  std::string representations;
  for (int i = 0; i < 60; ++i)
    representations +=
        "<Representation id=\"r" + std::to_string(i) + "\" bandwidth=\"" + std::to_string(1000 + i) + "\"/>";
  const TDashManifest manifest =
      ReadDashManifest(mpd("<Period><AdaptationSet contentType=\"video\"><SegmentTemplate duration=\"1\" "
                           "media=\"$RepresentationID$/$Number$.m4s\"/>" +
                               representations + "</AdaptationSet></Period>",
                           "mediaPresentationDuration=\"PT99999S\""),
                       Base);
  ASSERT_EQ(manifest.Video.size(), 60u);
  for (const TStreamVariant& quality : manifest.Video) EXPECT_EQ(quality.Track.Segments.size(), 0u) << quality.Id;

  size_t budget = MaxSegments;
  const TTrack track = manifest.VideoTrack(59, budget);
  ASSERT_EQ(track.Segments.size(), 99999u);
  EXPECT_EQ(track.Segments.front().Address, "https://h.test/movie/r59/1.m4s");
  EXPECT_EQ(track.Segments.back().Address, "https://h.test/movie/r59/99999.m4s");
  EXPECT_EQ(budget, 1u);
  // A second track of the plan has no room left.
  EXPECT_EQ(refusalOf([&] { manifest.VideoTrack(0, budget); }), "The stream has more than 100000 segments.");
  EXPECT_EQ(budget, 1u);
}

struct RefusalCase {
  const char* what;
  std::string text;
  const char* message;
};

const std::string Video = "<AdaptationSet contentType=\"video\"><Representation id=\"v\">";
const std::string VideoEnd = "</Representation></AdaptationSet>";

const RefusalCase kRefusals[] = {
    {"live", "<MPD type=\"dynamic\"><Period>" + Video + VideoEnd + "</Period></MPD>",
     "The manifest is a live stream (type dynamic); only whole videos can be saved."},
    {"protected set",
     mpd("<Period><AdaptationSet contentType=\"video\"><ContentProtection schemeIdUri=\"urn:x\"/>"
         "<Representation id=\"v\"/></AdaptationSet></Period>"),
     "The video is protected (ContentProtection); it cannot be saved."},
    {"protected representation", mpd("<Period>" + Video + "<ContentProtection/>" + VideoEnd + "</Period>"),
     "The video is protected (ContentProtection); it cannot be saved."},
    {"protected audio beside clear video",
     mpd("<Period>" + Video + VideoEnd +
         "<AdaptationSet contentType=\"audio\"><ContentProtection/><Representation "
         "id=\"a\"/></AdaptationSet></Period>"),
     "The video is protected (ContentProtection); it cannot be saved."},
    {"not an MPD", "<html><body/></html>", "The address gives no manifest: the document is no MPD."},
    {"no video",
     mpd("<Period><AdaptationSet contentType=\"audio\"><Representation id=\"a\"/></AdaptationSet></Period>"),
     "The stream offers no video we can save."},
    {"segment over another scheme",
     mpd("<Period>" + Video + "<BaseURL>ftp://h/v.mp4</BaseURL>" + VideoEnd + "</Period>"),
     "The stream names an address that is not http or https: ftp://h/v.mp4"},
    {"malformed duration", mpd("<Period>" + Video + VideoEnd + "</Period>", "mediaPresentationDuration=\"PT1H2X\""),
     "The manifest has an invalid duration: PT1H2X"},
    {"no duration for a numbered template",
     mpd("<Period>" + Video + "<SegmentTemplate duration=\"2\" media=\"$Number$\"/>" + VideoEnd + "</Period>", ""),
     "The manifest does not say how long the video is."},
    {"template without media", mpd("<Period>" + Video + "<SegmentTemplate duration=\"2\"/>" + VideoEnd + "</Period>"),
     "The manifest has an invalid segment template: no media attribute"},
    {"zero segment duration",
     mpd("<Period>" + Video + "<SegmentTemplate duration=\"0\" media=\"$Number$\"/>" + VideoEnd + "</Period>"),
     "The manifest has an invalid duration value: 0"},
    {"too many segments by duration",
     mpd("<Period>" + Video + "<SegmentTemplate duration=\"1\" media=\"$Number$\"/>" + VideoEnd + "</Period>",
         "mediaPresentationDuration=\"PT100001S\""),
     "The stream has more than 100000 segments."},
    {"too many segments by repeat",
     mpd("<Period>" + Video +
         "<SegmentTemplate media=\"$Time$\"><SegmentTimeline><S d=\"1\" r=\"999999999999\"/>"
         "</SegmentTimeline></SegmentTemplate>" +
         VideoEnd + "</Period>"),
     "The stream has more than 100000 segments."},
    {"bad range",
     mpd("<Period>" + Video + "<SegmentList><SegmentURL media=\"a\" mediaRange=\"9-1\"/></SegmentList>" + VideoEnd +
         "</Period>"),
     "The manifest has an invalid range value: 9-1"},
};

TEST(DashRefusals, EachWithItsMessage) {
  for (const auto& c : kRefusals) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(refusalOf([&] { ReadDashManifest(c.text, Base); }), c.message);
  }
}

TEST(DashRefusals, AClearSetIsTakenBesideAProtectedOne) {
  const TDashManifest manifest = ReadDashManifest(
      mpd("<Period><AdaptationSet contentType=\"video\"><ContentProtection/><Representation id=\"drm\"/>"
          "</AdaptationSet>" +
          Video + VideoEnd + "</Period>"),
      Base);
  ASSERT_EQ(manifest.Video.size(), 1u);
  EXPECT_EQ(manifest.Video[0].Id, "v");
}

}  // namespace
