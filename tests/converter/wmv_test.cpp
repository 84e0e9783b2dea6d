// Windows Media output: the built-in WMV 8 profiles, the nine profile files
// shipped for the WMV 9 choices (written as WMV 8 at the file's settings), and
// profile files that cannot be used.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "converter/profile_file.h"
#include "test_media.h"

namespace converter_test {
namespace {

struct WmvExpectation {
  const char* width;
  const char* height;
  const char* frameRate;
  const char* sampleRate;
  const char* channels;
};

// One second of the test video as WMV; ffprobe's view of it.
Probe writeWmv(TVideoEdit& edit, const std::string& name) {
  EXPECT_TRUE(edit.AddVideoClip(flashVideo(), 0.0, 1.0, 0)) << edit.LastError();
  EXPECT_TRUE(edit.AddAudioClip(flashVideo(), 0.0, 1.0)) << edit.LastError();
  edit.OutputType = otWMV;
  const std::string output = pathInWorkFolder(name + ".wmv");
  EXPECT_TRUE(edit.SaveOutputFile(output)) << edit.LastError();
  Probe written = probe(output);
  std::remove(output.c_str());
  return written;
}

void expectWmv(Probe& written, const WmvExpectation& expected) {
  EXPECT_EQ(written.format["format_name"], "asf");
  ProbeFields video = written.stream("video");
  ProbeFields audio = written.stream("audio");
  EXPECT_EQ(video["codec_name"], "wmv2");
  EXPECT_EQ(video["width"], expected.width);
  EXPECT_EQ(video["height"], expected.height);
  EXPECT_EQ(video["r_frame_rate"], expected.frameRate);
  EXPECT_EQ(audio["codec_name"], "wmav2");
  EXPECT_EQ(audio["sample_rate"], expected.sampleRate);
  EXPECT_EQ(audio["channels"], expected.channels);
}

// The program lists only unflagged profiles and finds them again by name.
TEST(ConverterWmvProfiles, FlaggedProfilesShiftListPositionsAndNamesFindIndexes) {
  const TVideoEdit edit;
  const converter::TWMVProfiles& profiles = edit.WMVProfiles;
  int16_t offered = 0;
  bool positionsDiffer = false;
  for (int16_t i = 0; i < profiles.Count(); ++i) {
    EXPECT_EQ(profiles.IndexOfProfile(profiles.ProfileName(i)), i);
    if (profiles.ProfileFlag(i)) continue;
    positionsDiffer = positionsDiffer || offered != i;
    ++offered;
  }
  EXPECT_GT(offered, 0);
  EXPECT_TRUE(positionsDiffer);
  EXPECT_EQ(profiles.IndexOfProfile("No such profile"), -1);
  EXPECT_EQ(profiles.ProfileName(profiles.Count()), "");
  EXPECT_FALSE(profiles.ProfileFlag(-1));
}

TEST(ConverterWmvProfiles, ProfileIndexSetsSizeRateAndAudio) {
  const struct {
    const char* profile;
    WmvExpectation expected;
  } cases[] = {
      {"Video, dial-up modems (56 kbps)", {"176", "144", "15/1", "22050", "1"}},
      {"Video, local network (1.5 Mbps)", {"640", "480", "30/1", "44100", "2"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.profile);
    TVideoEdit edit;
    edit.WMVProfile = edit.WMVProfiles.IndexOfProfile(c.profile);
    Probe written = writeWmv(edit, "profile");
    expectWmv(written, c.expected);
  }
}

TEST(ConverterWmvProfiles, AudioOnlyProfileWritesOnlyAudio) {
  TVideoEdit edit;
  edit.WMVProfile = edit.WMVProfiles.IndexOfProfile("Music, broadband (64 kbps)");
  ASSERT_TRUE(edit.WMVProfiles.ProfileFlag(edit.WMVProfile));
  Probe written = writeWmv(edit, "audio-only");
  ASSERT_EQ(written.streams.size(), 1u);
  EXPECT_EQ(written.stream("audio")["codec_name"], "wmav2");
}

TEST(ConverterWmvProfileFiles, EachShippedFileSetsItsSettings) {
  const struct {
    const char* file;
    WmvExpectation expected;
  } cases[] = {
      {"Dial-up Modems (28,8 kbps).prx", {"160", "120", "8/1", "16000", "1"}},
      {"Dial-up Modems (56 kbps).prx", {"176", "144", "15/1", "22050", "1"}},
      // Several bit rates in one file: the highest is written.
      {"Dial-up Modems or LAN (28,8 to 100 kbps).prx", {"240", "180", "15/1", "22050", "1"}},
      {"LAN, Cable Modem, or xDSL  (100 to 768kbps).prx", {"640", "480", "25/1", "44100", "2"}},
      {"Local Network (100 kbps).prx", {"240", "180", "15/1", "32000", "1"}},
      {"Local Network (256 kbps).prx", {"320", "240", "25/1", "32000", "2"}},
      {"Local Network (384 kbps).prx", {"320", "240", "30/1", "44100", "2"}},
      {"Local Network (768 kbps).prx", {"640", "480", "30/1", "44100", "2"}},
      {"Pocket PC (225kbps).prx", {"320", "240", "15/1", "32000", "2"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TVideoEdit edit;
    edit.WMVProfile = edit.WMVProfiles.IndexOfProfile("Video, dial-up modems (56 kbps)");
    edit.WMVCustomFileName = std::string(QUILLFEN_PROFILES_DIR) + "/" + c.file;
    Probe written = writeWmv(edit, "file");
    expectWmv(written, c.expected);
  }
}

TEST(ConverterWmvProfileFiles, UnusableFileFailsWithoutWriting) {
  const std::string garbage = pathInWorkFolder("garbage.prx");
  std::ofstream(garbage) << "\x01\x02 not a profile";
  const std::string noStreams = pathInWorkFolder("empty-profile.prx");
  std::ofstream(noStreams) << "<profile version=\"589824\" name=\"empty\"></profile>";
  const std::string badStream = pathInWorkFolder("bad-stream.prx");
  std::ofstream(badStream)
      << "<profile><streamconfig bitrate=\"0\"><waveformatex nChannels=\"2\"/></streamconfig></profile>";
  const struct {
    std::string file;
    std::string error;
  } cases[] = {
      {pathInWorkFolder("missing.prx"), "Cannot read the profile file '" + pathInWorkFolder("missing.prx") + "'"},
      {workFolder() + "/", "Cannot read the profile file '" + workFolder() + "/'"},
      {garbage, "Not a Windows Media profile '" + garbage + "'"},
      {noStreams, "The profile has no usable stream settings '" + noStreams + "'"},
      {badStream, "The profile has no usable stream settings '" + badStream + "'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TVideoEdit edit;
    loadWholeFile(edit, flashVideo());
    edit.OutputType = otWMV;
    edit.WMVCustomFileName = c.file;
    const std::string output = pathInWorkFolder("unwritten.wmv");
    EXPECT_FALSE(edit.SaveOutputFile(output));
    EXPECT_EQ(edit.LastError(), c.error);
    EXPECT_FALSE(fileExists(output));
  }
}

// Profile files are often saved as UTF-16; the settings read the same.
TEST(ConverterWmvProfileFiles, Utf16FileReadsLikeItsText) {
  std::ifstream in(std::string(QUILLFEN_PROFILES_DIR) + "/Local Network (256 kbps).prx", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string wide = "\xFF\xFE";
  for (const char c : text) wide += std::string{c, '\0'};
  const converter::WmvSettings narrow = converter::parseProfile(text, "narrow");
  const converter::WmvSettings fromWide = converter::parseProfile(wide, "wide");
  EXPECT_EQ(fromWide.width, narrow.width);
  EXPECT_EQ(fromWide.height, narrow.height);
  EXPECT_EQ(av_cmp_q(fromWide.frameRate, narrow.frameRate), 0);
  EXPECT_EQ(fromWide.videoBitRate, narrow.videoBitRate);
  EXPECT_EQ(fromWide.audioBitRate, narrow.audioBitRate);
  EXPECT_EQ(narrow.width, 320);
  EXPECT_EQ(narrow.videoBitRate, 224000);
}

}  // namespace
}  // namespace converter_test
