#include "app/streams/quality_choice.h"

#include <algorithm>
#include <tuple>

#include <fmt/format.h>

#include "platform/translation_marks.h"

namespace streams {

namespace {

// Orders by height, then bandwidth: the smaller picture first.
bool smallerPicture(const TStreamVariant& a, const TStreamVariant& b) {
  return std::tie(a.Height, a.Bandwidth) < std::tie(b.Height, b.Bandwidth);
}

const char* const NoSuchQuality =
    QT_TRANSLATE_NOOP("quillfen", "The stream offers no quality '{}' (--list-formats shows those it offers).");

// The lowest bandwidth of those at most maxHeight tall, else the smallest.
const TStreamVariant& lowest(const std::vector<TStreamVariant>& variants, std::optional<int32_t> maxHeight) {
  const TStreamVariant* worst = nullptr;
  for (const TStreamVariant& variant : variants)
    if ((!maxHeight || variant.Height <= *maxHeight) &&
        (!worst || std::tie(variant.Bandwidth, variant.Height) < std::tie(worst->Bandwidth, worst->Height)))
      worst = &variant;
  return worst ? *worst : *std::min_element(variants.begin(), variants.end(), smallerPicture);
}

}  // namespace

const TStreamVariant& ChooseQuality(const std::vector<TStreamVariant>& variants, const TQualityRule& rule) {
  if (rule.Quality == "worst") return lowest(variants, rule.MaxHeight);
  if (rule.Quality == "best") return ChooseForMaxHeight(variants, rule.MaxHeight);
  if (!rule.Quality.empty()) {
    const auto named =
        std::find_if(variants.begin(), variants.end(), [&](const auto& variant) { return variant.Id == rule.Quality; });
    if (named == variants.end()) throw ENoSuchQuality(fmt::format(fmt::runtime(NoSuchQuality), rule.Quality));
    return *named;
  }
  if (rule.OutputHeight) return ChooseForOutputHeight(variants, *rule.OutputHeight);
  return ChooseForMaxHeight(variants, rule.MaxHeight);
}

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

std::string BitRateText(int64_t bitsPerSecond) {
  if (bitsPerSecond <= 0) return {};
  return bitsPerSecond >= 1000000 ? fmt::format("{:.1f} Mbit/s", double(bitsPerSecond) / 1e6)
                                  : fmt::format("{} kbit/s", (bitsPerSecond + 500) / 1000);
}

std::string DescribeVariant(const TStreamVariant& variant) {
  std::string text;
  if (variant.Width > 0 && variant.Height > 0) text = fmt::format("{}x{}", variant.Width, variant.Height);
  if (variant.Bandwidth > 0) {
    if (!text.empty()) text += ", ";
    text += BitRateText(variant.Bandwidth);
  }
  return text;
}

}  // namespace streams
