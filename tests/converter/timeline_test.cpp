// The timeline: clips of a track play one after another, each for its span,
// and an end past the file is cut to the file.

#include <gtest/gtest.h>

#include "test_media.h"

namespace converter_test {
namespace {

TEST(ConverterTimeline, ClipsPlayInTurnForTheirSpans) {
  TVideoEdit edit;
  const std::string source = flashVideo();
  ASSERT_TRUE(edit.AddVideoClip(source, 0.0, 1.0, 0)) << edit.LastError();
  ASSERT_TRUE(edit.AddVideoClip(source, 3.0, 4.5, 0)) << edit.LastError();
  ASSERT_TRUE(edit.AddAudioClip(source, 1.0, 3.5)) << edit.LastError();
  EXPECT_DOUBLE_EQ(edit.GetTimelineDuration(), 2.5);

  const std::string output = pathInWorkFolder("two-clips.avi");
  ASSERT_TRUE(edit.SaveOutputFile(output)) << edit.LastError();
  EXPECT_NEAR(probe(output).duration(), 2.5, 0.1);

  edit.ClearTimeline();
  EXPECT_EQ(edit.GetTimelineDuration(), 0.0);
}

// A new picture size, sample rate or channel count mid-stream needs new
// filters; neither track may grow or shrink there.
TEST(ConverterTimeline, SourceChangingShapeMidStreamKeepsItsLength) {
  TVideoEdit edit;
  loadWholeFile(edit, changingFlashVideo());
  const double duration = edit.GetTimelineDuration();
  EXPECT_NEAR(duration, 2.0, 0.15);
  const std::string output = pathInWorkFolder("joined.avi");
  ASSERT_TRUE(edit.SaveOutputFile(output)) << edit.LastError();
  Probe written = probe(output);
  EXPECT_EQ(written.stream("video")["width"], "320");
  EXPECT_NEAR(written.duration(), duration, duration * 0.05);
}

TEST(ConverterTimeline, EndPastTheFileIsCutToIt) {
  TVideoEdit edit;
  const double duration = edit.GetFileDuration(flashVideo());
  ASSERT_TRUE(edit.AddVideoClip(flashVideo(), 4.0, 60.0, 0)) << edit.LastError();
  EXPECT_DOUBLE_EQ(edit.GetTimelineDuration(), duration - 4.0);
}

}  // namespace
}  // namespace converter_test
