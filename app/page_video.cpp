#include "app/page_video.h"

#include "app/declared_video.h"

TPageVideo FindPageVideo(std::string_view page, const std::vector<std::string>& lines, const std::string& pageAddress,
                         const TSiteHosts& hosts) {
  TPageVideo result;
  const TPageDeclarations declarations = ScanPageDeclarations(page, pageAddress);
  result.Title = declarations.Title;
  result.UploadDate = declarations.UploadDate;
  result.Link = ExtractVideoLink(lines, hosts);
  if (!result.Link.Found && !declarations.Videos.empty()) {
    result.Link = {true, declarations.Videos.front()};
    result.Declared = true;
  }
  return result;
}
