// The quality each front end takes from a stream, and how it is described.
#include "app/streams/quality_choice.h"

#include <gtest/gtest.h>

namespace {

using namespace streams;

TStreamVariant variant(const char* id, int32_t height, int64_t bandwidth) {
  TStreamVariant v;
  v.Id = id;
  v.Height = height;
  v.Width = height * 16 / 9;
  v.Bandwidth = bandwidth;
  return v;
}

// Out of order on purpose, with two variants of the same height.
const std::vector<TStreamVariant> kLadder = {
    variant("480", 480, 1200000),   variant("1080", 1080, 5000000), variant("240", 240, 300000),
    variant("720lo", 720, 2000000), variant("720hi", 720, 2800000),
};

struct ChoiceCase {
  const char* rule;
  std::optional<int32_t> maxHeight;
  const char* expected;
};

const ChoiceCase kMaxHeightCases[] = {
    {"no limit: the highest bandwidth", std::nullopt, "1080"},
    {"the tallest at most 720, the richer of two", 720, "720hi"},
    {"between rungs: the one below", 719, "480"},
    {"nothing that low: the smallest", 100, "240"},
    {"above the top: the top", 4000, "1080"},
};

TEST(QualityChoice, CommandLineTakesTheTallestUpToItsMaximum) {
  for (const auto& c : kMaxHeightCases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(ChooseForMaxHeight(kLadder, c.maxHeight).Id, c.expected);
  }
}

struct OutputCase {
  const char* rule;
  int32_t outputHeight;
  const char* expected;
};

const OutputCase kOutputCases[] = {
    {"exactly as tall: that one, the leaner of two", 720, "720lo"},
    {"between rungs: the one above", 500, "720lo"},
    {"smaller than all: the smallest", 120, "240"},
    {"taller than all: the tallest", 2160, "1080"},
};

TEST(QualityChoice, WindowTakesTheSmallestAtLeastAsTallAsItsOutput) {
  for (const auto& c : kOutputCases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(ChooseForOutputHeight(kLadder, c.outputHeight).Id, c.expected);
  }
}

struct NamedCase {
  const char* quality;
  std::optional<int32_t> maxHeight;
  std::optional<int32_t> outputHeight;
  const char* expected;
};

// A quality named by -f wins over the window's output height; best and
// worst stay within --max-height.
const NamedCase kNamedCases[] = {
    {"720lo", std::nullopt, 1080, "720lo"}, {"720lo", 480, std::nullopt, "720lo"}, {"best", std::nullopt, 240, "1080"},
    {"best", 719, std::nullopt, "480"},     {"worst", std::nullopt, 1080, "240"},  {"worst", 100, std::nullopt, "240"},
    {"", 719, std::nullopt, "480"},
};

TEST(QualityChoice, NamedQualityBestAndWorst) {
  for (const auto& c : kNamedCases) {
    SCOPED_TRACE(std::string(c.quality) + " " + std::to_string(c.maxHeight.value_or(0)));
    TQualityRule rule;
    rule.Quality = c.quality;
    rule.MaxHeight = c.maxHeight;
    rule.OutputHeight = c.outputHeight;
    EXPECT_EQ(ChooseQuality(kLadder, rule).Id, c.expected);
  }
  TQualityRule unknown;
  unknown.Quality = "720";
  EXPECT_THROW(ChooseQuality(kLadder, unknown), ENoSuchQuality);
}

TEST(QualityChoice, Description) {
  TStreamVariant v = variant("x", 720, 2400000);
  v.Width = 1280;
  EXPECT_EQ(DescribeVariant(v), "1280x720, 2.4 Mbit/s");
  v.Bandwidth = 640000;
  EXPECT_EQ(DescribeVariant(v), "1280x720, 640 kbit/s");
  v.Width = v.Height = 0;
  EXPECT_EQ(DescribeVariant(v), "640 kbit/s");
  v.Bandwidth = 0;
  EXPECT_EQ(DescribeVariant(v), "");
}

}  // namespace
