#pragma once
// Which quality of a stream to save. The command line takes the highest
// bandwidth, or the tallest picture up to a maximum height, or the one the
// user names; the window takes the smallest picture at least as tall as its
// output, so nothing is scaled up.

#include <optional>
#include <string>
#include <vector>

#include "app/streams/stream_errors.h"
#include "app/streams/stream_plan.h"

namespace streams {

// Without either height or a named quality: the highest bandwidth.
struct TQualityRule {
  // The command line's --max-height; it also bounds "best" and "worst".
  std::optional<int32_t> MaxHeight;
  // The window's output height; takes precedence over MaxHeight.
  std::optional<int32_t> OutputHeight;
  // -f: "best", "worst" (the highest and the lowest bandwidth), or a
  // quality's id as the stream names it; empty for the rule above.
  std::string Quality = {};
};

// Raised when the stream has no quality of the id asked for.
class ENoSuchQuality : public EVideoStreamRefused {
public:
  using EVideoStreamRefused::EVideoStreamRefused;
};

// The variant the rule picks; the variants must not be empty.
const TStreamVariant& ChooseQuality(const std::vector<TStreamVariant>& variants, const TQualityRule& rule);

// Highest bandwidth without a maximum; with one, the tallest variant at most
// that tall (highest bandwidth among equals), or the smallest when none fits.
// The variants must not be empty.
const TStreamVariant& ChooseForMaxHeight(const std::vector<TStreamVariant>& variants, std::optional<int32_t> maxHeight);

// The smallest variant at least as tall as outputHeight (lowest bandwidth
// among equals), or the tallest when none is. The variants must not be empty.
const TStreamVariant& ChooseForOutputHeight(const std::vector<TStreamVariant>& variants, int32_t outputHeight);

// "2.4 Mbit/s", "800 kbit/s"; empty for 0.
std::string BitRateText(int64_t bitsPerSecond);

// "1280x720, 2.4 Mbit/s"; either part is left out when the stream does not say.
std::string DescribeVariant(const TStreamVariant& variant);

}  // namespace streams
