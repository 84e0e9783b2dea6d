// What a stopped download, a wrong file or a wrong place does to the
// converter: a false result or a duration of 0.0 with a reason, never a crash
// or a hang; a cut-off video converts as far as it can be decoded.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "test_media.h"

namespace converter_test {
namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string writeFile(const std::string& name, const std::string& bytes) {
  const std::string path = pathInWorkFolder(name);
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

// Bytes served as video/mp4 that are none: the job takes a duration of 0.0
// for a file that is no video, and fails the conversion.
TEST(ConverterBadInput, FilesThatAreNotVideosHaveNoDurationAndNoClips) {
  std::string noise(64 * 1024, '\0');
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = char((i * 7919 + 13) % 251);
  std::string syncedNoise;
  for (size_t at = 0; at + 187 <= noise.size(); at += 187) syncedNoise += '\x47' + noise.substr(at, 187);
  const std::string wholeVideo = readFile(medium("wide.mp4"));
  // An MP4 file's first box, which names its brand.
  const std::string brandBox = std::string("\0\0\0\x14", 4) + "ftypisom" + std::string("\0\0\x02\0", 4) + "isom";
  const struct {
    std::string path;
    std::string error;
  } cases[] = {
      {pathInWorkFolder("missing.flv"), "Cannot open the media file '" + pathInWorkFolder("missing.flv") + "'"},
      {writeFile("empty.flv", ""), "Cannot open the media file '" + pathInWorkFolder("empty.flv") + "'"},
      {writeFile("letter.flv", "Dear reader,\nthis is a letter, not a video.\n"), ""},
      {writeFile("noise.flv", noise), ""},
      {writeFile("zeros.mp4", std::string(64 * 1024, '\0')), ""},
      {writeFile("brand-then-noise.mp4", brandBox + noise), ""},
      {writeFile("index-never-came.mp4", wholeVideo.substr(0, wholeVideo.size() / 10)), ""},
      {writeFile("transport-sync-then-noise.mp4", syncedNoise), ""},
      {writeFile("tag-then-noise.mp4", std::string("ID3\x03\0\0\0\0\0\0", 10) + noise), ""},
      {workFolder(), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    TVideoEdit edit;
    EXPECT_EQ(edit.GetFileDuration(c.path), 0.0);
    EXPECT_FALSE(edit.LastError().empty());
    if (!c.error.empty()) {
      EXPECT_EQ(edit.LastError().substr(0, c.error.size()), c.error);
    }
    EXPECT_FALSE(edit.AddVideoClip(c.path, 0.0, 5.0, 0));
    EXPECT_FALSE(edit.AddAudioClip(c.path, 0.0, 5.0));
    EXPECT_EQ(edit.GetTimelineDuration(), 0.0);
  }
}

TEST(ConverterBadInput, TruncatedFlashVideoConvertsWhatCanBeDecoded) {
  TVideoEdit edit;
  const double full = edit.GetFileDuration(flashVideo());
  const double truncated = edit.GetFileDuration(truncatedFlashVideo());
  EXPECT_GT(truncated, 1.0);
  EXPECT_LT(truncated, full * 0.6);

  loadWholeFile(edit, truncatedFlashVideo());
  const std::string output = pathInWorkFolder("truncated.avi");
  ASSERT_TRUE(edit.SaveOutputFile(output)) << edit.LastError();
  Probe written = probe(output);
  EXPECT_EQ(written.stream("video")["codec_name"], "mpeg4");
  EXPECT_EQ(written.stream("audio")["codec_name"], "mp3");
  EXPECT_NEAR(written.duration(), truncated, truncated * 0.05);
}

TEST(ConverterBadInput, OutputFolderThatCannotBeWrittenFails) {
  const std::string notAFolder = writeFile("plain-file", "x");
  for (const std::string& output : {pathInWorkFolder("no/such/folder/out.avi"), notAFolder + "/out.avi"}) {
    SCOPED_TRACE(output);
    TVideoEdit edit;
    loadWholeFile(edit, flashVideo());
    int completions = 0;
    edit.OnComplete = [&](TVideoEdit*) { ++completions; };
    EXPECT_FALSE(edit.SaveOutputFile(output));
    const std::string expected = "Cannot create the output file '" + output + "': ";
    EXPECT_EQ(edit.LastError().substr(0, expected.size()), expected);
    EXPECT_EQ(completions, 0);
  }
}

// A save that does not finish leaves the file it was to replace untouched,
// and nothing else behind.
TEST(ConverterBadInput, UnfinishedSaveKeepsTheOldFile) {
  const std::string folder = pathInWorkFolder("keep-old");
  std::filesystem::create_directory(folder);
  const std::string output = folder + "/video.mpg";
  std::ofstream(output) << "the previous video";
  TVideoEdit edit;
  loadWholeFile(edit, flashVideo());
  edit.OutputType = otDVD_PAL;
  edit.OnProcessing = [](TVideoEdit* sender, double, double) { sender->StopConversion(); };
  EXPECT_FALSE(edit.SaveOutputFile(output));
  EXPECT_EQ(edit.LastError(), "Conversion stopped");
  std::ifstream kept(output);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "the previous video");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
}

TEST(ConverterBadInput, OutputOntoASourceFailsAndKeepsTheSource) {
  TVideoEdit edit;
  loadWholeFile(edit, flashVideo());
  const auto sizeBefore = std::filesystem::file_size(flashVideo());
  EXPECT_FALSE(edit.SaveOutputFile(flashVideo()));
  EXPECT_EQ(edit.LastError(), "The output file is a source of the timeline '" + flashVideo() + "'");
  EXPECT_EQ(std::filesystem::file_size(flashVideo()), sizeBefore);
}

// The library's reason follows ours, without its "[name @ 0x...]" prefix.
TEST(ConverterBadInput, LibraryReasonReadsWithoutAMemoryAddress) {
  TVideoEdit edit;
  ASSERT_TRUE(edit.AddVideoClip(flashVideo(), 0.0, 1.0, 0)) << edit.LastError();
  edit.OutputType = otAVI;
  edit.OutputFileWidth = 30000;
  edit.OutputFileHeight = 30000;
  EXPECT_FALSE(edit.SaveOutputFile(pathInWorkFolder("huge.avi")));
  EXPECT_EQ(edit.LastError(), "Cannot open the encoder 'mpeg4': Picture size 30000x30000 is invalid");
}

TEST(ConverterBadInput, EmptyTimelineFails) {
  TVideoEdit edit;
  EXPECT_FALSE(edit.SaveOutputFile(pathInWorkFolder("empty.avi")));
  EXPECT_EQ(edit.LastError(), "Timeline empty");
  EXPECT_FALSE(fileExists(pathInWorkFolder("empty.avi")));
}

TEST(ConverterBadInput, ClipSpansOutsideTheFileAreRefused) {
  const struct {
    double start;
    double end;
  } cases[] = {{-1.0, 2.0}, {2.0, 2.0}, {3.0, 1.0}, {6.0, 9.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << " to " << c.end);
    TVideoEdit edit;
    EXPECT_FALSE(edit.AddVideoClip(flashVideo(), c.start, c.end, 0));
    EXPECT_EQ(edit.LastError(), "The clip must start at or after 0 and end after its start");
    EXPECT_EQ(edit.GetTimelineDuration(), 0.0);
  }
}

TEST(ConverterBadInput, MissingVideoStreamIsRefused) {
  TVideoEdit edit;
  EXPECT_FALSE(edit.AddVideoClip(flashVideo(), 0.0, 1.0, 1));
  EXPECT_EQ(edit.LastError(), "The clip's stream is not in '" + flashVideo() + "'");
}

}  // namespace
}  // namespace converter_test
