// AVI with chosen compressors: every compressor the collections offer must
// really write AVI, and its value is its position in the collection.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "test_media.h"

namespace converter_test {
namespace {

// What ffprobe calls each compressor we offer; a compressor missing here is
// one nobody has checked.
const std::map<std::string, std::string> VideoCodecOfCompressor = {
    {"MJPEG Compressor", "mjpeg"},
    {"MPEG-4 Video Compressor", "mpeg4"},
    {"H.264 Video Compressor", "h264"},
    {"MPEG-1 Video Compressor", "mpeg1video"},
    {"MPEG-2 Video Compressor", "mpeg2video"},
    {"WMV 7 Compressor", "wmv1"},
    {"WMV 8 Compressor", "wmv2"},
    {"Huffyuv Lossless Compressor", "huffyuv"},
    {"FFV1 Lossless Compressor", "ffv1"},
    {"Full Frames (Uncompressed)", "rawvideo"},
};

const std::map<std::string, std::string> AudioCodecOfCompressor = {
    {"PCM", "pcm_s16le"},
    {"PCM A-Law", "pcm_alaw"},
    {"PCM u-Law", "pcm_mulaw"},
    {"IMA ADPCM", "adpcm_ima_wav"},
    {"MPEG Layer-2", "mp2"},
    {"MPEG Layer-3", "mp3"},
    {"AC-3", "ac3"},
    {"WMA 2", "wmav2"},
};

template <class Collection>
std::vector<std::string> namesOf(const Collection& collection) {
  std::vector<std::string> names;
  for (int16_t i = 0; i < collection.Count(); ++i) names.push_back(collection.CompressorName(i));
  return names;
}

int16_t indexOf(const std::vector<std::string>& names, const std::string& name) {
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] == name) return int16_t(i);
  return -1;
}

// One second is enough to prove a compressor writes.
Probe writeAvi(TVideoEdit& edit, const std::string& name) {
  const std::string path = flashVideo();
  EXPECT_TRUE(edit.AddVideoClip(path, 0.0, 1.0, 0)) << edit.LastError();
  EXPECT_TRUE(edit.AddAudioClip(path, 0.0, 1.0)) << edit.LastError();
  edit.OutputType = otAVI;
  edit.UseVideoCompressor = true;
  edit.UseAudioCompressor = true;
  const std::string output = pathInWorkFolder(name + ".avi");
  EXPECT_TRUE(edit.SaveOutputFile(output)) << edit.LastError();
  Probe written = probe(output);
  std::remove(output.c_str());
  return written;
}

TEST(ConverterCompressors, ListsOfferMjpegAndPcmUnderDistinctNames) {
  const TVideoEdit edit;
  const std::vector<std::string> video = namesOf(edit.VideoCompressors);
  const std::vector<std::string> audio = namesOf(edit.AudioCompressors);
  EXPECT_NE(indexOf(video, "MJPEG Compressor"), -1);
  EXPECT_NE(indexOf(audio, "PCM"), -1);
  EXPECT_EQ(std::set<std::string>(video.begin(), video.end()).size(), video.size());
  EXPECT_EQ(std::set<std::string>(audio.begin(), audio.end()).size(), audio.size());
  EXPECT_EQ(edit.VideoCompressors.CompressorName(-1), "");
  EXPECT_EQ(edit.VideoCompressors.CompressorName(edit.VideoCompressors.Count()), "");
}

TEST(ConverterCompressors, EachVideoCompressorWritesAviWithPcm) {
  const TVideoEdit names;
  const std::vector<std::string> video = namesOf(names.VideoCompressors);
  for (size_t i = 0; i < video.size(); ++i) {
    SCOPED_TRACE(video[i]);
    ASSERT_TRUE(VideoCodecOfCompressor.contains(video[i]));
    TVideoEdit edit;
    edit.VideoCompressor = int16_t(i);
    edit.AudioCompressor = indexOf(namesOf(edit.AudioCompressors), "PCM");
    Probe written = writeAvi(edit, "video" + std::to_string(i));
    EXPECT_EQ(written.stream("video")["codec_name"], VideoCodecOfCompressor.at(video[i]));
    EXPECT_EQ(written.stream("audio")["codec_name"], "pcm_s16le");
  }
}

TEST(ConverterCompressors, EachAudioCompressorWritesAviWithMjpeg) {
  const TVideoEdit names;
  const std::vector<std::string> audio = namesOf(names.AudioCompressors);
  for (size_t i = 0; i < audio.size(); ++i) {
    SCOPED_TRACE(audio[i]);
    ASSERT_TRUE(AudioCodecOfCompressor.contains(audio[i]));
    TVideoEdit edit;
    edit.VideoCompressor = indexOf(namesOf(edit.VideoCompressors), "MJPEG Compressor");
    edit.AudioCompressor = int16_t(i);
    Probe written = writeAvi(edit, "audio" + std::to_string(i));
    EXPECT_EQ(written.stream("video")["codec_name"], "mjpeg");
    EXPECT_EQ(written.stream("audio")["codec_name"], AudioCodecOfCompressor.at(audio[i]));
  }
}

// MJPEG is written at a fixed quantiser (3): the video must come out the
// size the ffmpeg command line gives at that quantiser, not at the finest.
TEST(ConverterCompressors, MjpegUsesItsQuantiserLikeTheCommandLine) {
  TVideoEdit edit;
  edit.VideoCompressor = indexOf(namesOf(edit.VideoCompressors), "MJPEG Compressor");
  edit.AudioCompressor = indexOf(namesOf(edit.AudioCompressors), "PCM");
  ASSERT_TRUE(edit.AddVideoClip(flashVideo(), 0.0, 2.0, 0)) << edit.LastError();
  edit.OutputType = otAVI;
  edit.UseVideoCompressor = true;
  const std::string ours = pathInWorkFolder("ours-mjpeg.avi");
  ASSERT_TRUE(edit.SaveOutputFile(ours)) << edit.LastError();

  const std::string reference = pathInWorkFolder("reference-mjpeg.avi");
  ASSERT_EQ(std::system(("ffmpeg -nostdin -loglevel error -y -i '" + flashVideo() +
                         "' -t 2 -an -c:v mjpeg -q:v 3 -pix_fmt yuvj420p '" + reference + "'")
                            .c_str()),
            0);
  const double ourSize = double(std::filesystem::file_size(ours));
  const double referenceSize = double(std::filesystem::file_size(reference));
  EXPECT_NEAR(ourSize / referenceSize, 1.0, 0.05);
}

// Uncompressed frames take their depth from VideoSampleSize.
TEST(ConverterCompressors, UncompressedFramesFollowTheSampleSize) {
  const struct {
    int16_t sampleSize;
    const char* pixelFormat;
  } cases[] = {{16, "rgb555le"}, {24, "bgr24"}, {32, "bgra"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sampleSize);
    TVideoEdit edit;
    edit.VideoCompressor = indexOf(namesOf(edit.VideoCompressors), "Full Frames (Uncompressed)");
    edit.AudioCompressor = indexOf(namesOf(edit.AudioCompressors), "PCM");
    edit.VideoSampleSize = c.sampleSize;
    EXPECT_EQ(writeAvi(edit, "raw" + std::to_string(c.sampleSize)).stream("video")["pix_fmt"], c.pixelFormat);
  }
}

TEST(ConverterCompressors, ValueOutsideTheCollectionFails) {
  TVideoEdit edit;
  loadWholeFile(edit, flashVideo());
  edit.OutputType = otAVI;
  edit.UseVideoCompressor = true;
  edit.VideoCompressor = edit.VideoCompressors.Count();
  const std::string output = pathInWorkFolder("no-compressor.avi");
  EXPECT_FALSE(edit.SaveOutputFile(output));
  EXPECT_EQ(edit.LastError(), "No compressor has the value " + std::to_string(edit.VideoCompressors.Count()));
  EXPECT_FALSE(fileExists(output));
}

}  // namespace
}  // namespace converter_test
