// Which video a fetched page leads to: the two sites' markers first, as they
// always were, and only when neither site's are there, a video the page
// declares the standard ways.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/link_extraction.h"

struct TPageVideo {
  TVideoLink Link;
  // The address came from the page's declarations, not from a site's markers.
  bool Declared = false;
  std::string Title;
  // YYYYMMDD where the page declares it, else empty.
  std::string UploadDate;
};

// lines are the page's lines (SplitPageLines); pageAddress is where the page
// finally came from.
TPageVideo FindPageVideo(std::string_view page, const std::vector<std::string>& lines, const std::string& pageAddress,
                         const TSiteHosts& hosts);
