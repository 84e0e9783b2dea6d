#include "app/streams/quality_choice.h"

#include <algorithm>
#include <tuple>

#include <fmt/format.h>

namespace streams {

namespace {

// Orders by height, then bandwidth: the smaller picture first.
bool smallerPicture(const TStreamVariant& a, const TStreamVariant& b) {
  return std::tie(a.Height, a.Bandwidth) < std::tie(b.Height, b.Bandwidth);
}

}  // namespace

const TStreamVariant& ChooseForMaxHeight(const std::vector<TStreamVariant>& variants,
                                         std::optional<int32_t> maxHeight) {
  if (!maxHeight) {
    return *std::max_element(variants.begin(), variants.end(),
                             [](const auto& a, const auto& b) { return a.Bandwidth < b.Bandwidth; });
  }
  const TStreamVariant* best = nullptr;
  for (const TStreamVariant& variant : variants)
    if (variant.Height <= *maxHeight && (!best || smallerPicture(*best, variant))) best = &variant;
  if (best) return *best;
  return *std::min_element(variants.begin(), variants.end(), smallerPicture);
}

const TStreamVariant& ChooseForOutputHeight(const std::vector<TStreamVariant>& variants, int32_t outputHeight) {
  const TStreamVariant* best = nullptr;
  for (const TStreamVariant& variant : variants)
    if (variant.Height >= outputHeight && (!best || smallerPicture(variant, *best))) best = &variant;
  if (best) return *best;
  return *std::max_element(variants.begin(), variants.end(), smallerPicture);
}

std::string DescribeVariant(const TStreamVariant& variant) {
  std::string text;
  if (variant.Width > 0 && variant.Height > 0) text = fmt::format("{}x{}", variant.Width, variant.Height);
  if (variant.Bandwidth > 0) {
    if (!text.empty()) text += ", ";
    text += variant.Bandwidth >= 1000000 ? fmt::format("{:.1f} Mbit/s", double(variant.Bandwidth) / 1e6)
                                         : fmt::format("{} kbit/s", (variant.Bandwidth + 500) / 1000);
  }
  return text;
}

}  // namespace streams
