#pragma once
// Which quality of a stream to save. The command line takes the highest
// bandwidth, or the tallest picture up to a maximum height; the window takes
// the smallest picture at least as tall as its output, so nothing is scaled up.

#include <optional>
#include <string>
#include <vector>

#include "app/streams/stream_plan.h"

namespace streams {

// Highest bandwidth without a maximum; with one, the tallest variant at most
// that tall (highest bandwidth among equals), or the smallest when none fits.
// The variants must not be empty.
const TStreamVariant& ChooseForMaxHeight(const std::vector<TStreamVariant>& variants, std::optional<int32_t> maxHeight);

// The smallest variant at least as tall as outputHeight (lowest bandwidth
// among equals), or the tallest when none is. The variants must not be empty.
const TStreamVariant& ChooseForOutputHeight(const std::vector<TStreamVariant>& variants, int32_t outputHeight);

// "1280x720, 2.4 Mbit/s"; either part is left out when the stream does not say.
std::string DescribeVariant(const TStreamVariant& variant);

}  // namespace streams
