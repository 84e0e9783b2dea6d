// Progress and completion events, and stopping a save from inside them.

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "converter/conversion.h"
#include "test_media.h"

namespace converter_test {
namespace {

struct Report {
  double position;
  double duration;
};

// DVD frames are the largest the converter writes: the save lasts long enough
// for several progress reports.
TEST(ConverterEvents, PositionsRiseToTheDurationAndCompleteFiresOnce) {
  TVideoEdit edit;
  loadWholeFile(edit, flashVideo());
  edit.OutputType = otDVD_PAL;
  std::vector<Report> reports;
  int completions = 0;
  edit.OnProcessing = [&](TVideoEdit* sender, double position, double duration) {
    EXPECT_EQ(sender, &edit);
    reports.push_back({position, duration});
  };
  edit.OnComplete = [&](TVideoEdit* sender) {
    EXPECT_EQ(sender, &edit);
    ++completions;
  };
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(edit.SaveOutputFile(pathInWorkFolder("events.mpg"))) << edit.LastError();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  EXPECT_EQ(completions, 1);
  ASSERT_FALSE(reports.empty());
  for (size_t i = 0; i < reports.size(); ++i) {
    EXPECT_EQ(reports[i].duration, edit.GetTimelineDuration());
    if (i > 0) {
      EXPECT_GT(reports[i].position, reports[i - 1].position);
    }
  }
  EXPECT_EQ(reports.back().position, edit.GetTimelineDuration());
  // Reports follow the time spent, not the frames: the first step's, one per
  // interval after it, and the final one.
  const double interval = std::chrono::duration<double>(converter::ProgressInterval).count();
  EXPECT_LE(double(reports.size()), seconds / interval + 2);
}

TEST(ConverterEvents, StopFromProcessingEndsTheSaveAndRemovesTheOutput) {
  TVideoEdit edit;
  loadWholeFile(edit, flashVideo());
  edit.OutputType = otDVD_PAL;
  int reports = 0;
  int completions = 0;
  edit.OnProcessing = [&](TVideoEdit* sender, double, double) {
    ++reports;
    sender->StopConversion();
  };
  edit.OnComplete = [&](TVideoEdit*) { ++completions; };
  const std::string output = pathInWorkFolder("stopped.mpg");

  EXPECT_FALSE(edit.SaveOutputFile(output));
  EXPECT_EQ(edit.LastError(), "Conversion stopped");
  EXPECT_EQ(reports, 1);
  EXPECT_EQ(completions, 0);
  EXPECT_FALSE(fileExists(output));

  // The stop was for that save only: the next one runs to the end.
  edit.OnProcessing = nullptr;
  EXPECT_TRUE(edit.SaveOutputFile(output)) << edit.LastError();
  EXPECT_EQ(completions, 1);
}

TEST(ConverterEvents, StopOutsideASaveIsHarmless) {
  TVideoEdit edit;
  edit.StopConversion();
  loadWholeFile(edit, flashVideo());
  edit.StopConversion();
  EXPECT_TRUE(edit.SaveOutputFile(pathInWorkFolder("after-stop.avi"))) << edit.LastError();
}

TEST(ConverterEvents, SaveFromInsideProcessingIsRefused) {
  TVideoEdit edit;
  loadWholeFile(edit, flashVideo());
  edit.OutputType = otDVD_PAL;
  std::string nestedError;
  edit.OnProcessing = [&](TVideoEdit* sender, double, double) {
    if (nestedError.empty() && !sender->SaveOutputFile(pathInWorkFolder("nested.avi")))
      nestedError = sender->LastError();
  };
  EXPECT_TRUE(edit.SaveOutputFile(pathInWorkFolder("outer.mpg"))) << edit.LastError();
  EXPECT_EQ(nestedError, "A conversion is already running");
  EXPECT_FALSE(fileExists(pathInWorkFolder("nested.avi")));
}

}  // namespace
}  // namespace converter_test
