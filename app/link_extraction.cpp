#include "app/link_extraction.h"

#include <fmt/core.h>

#include "app/sites.h"
#include "net/http/text_helpers.h"

namespace {

// At most count characters of line from the 1-based position first on.
std::string takeFrom(const std::string& line, size_t first, size_t count) {
  if (first < 1 || first > line.size()) return {};
  return line.substr(first - 1, count);
}

// A page field that holds a blank or a control character would break the
// request line; such bytes travel percent-encoded. Everything else, already
// encoded text included, is kept as the page wrote it.
std::string requestSafe(const std::string& field) {
  std::string safe;
  for (const unsigned char c : field) {
    if (c <= 0x20 || c == 0x7F) safe += fmt::format("%{:02X}", unsigned(c));
    else safe += char(c);
  }
  return safe;
}

}  // namespace

TSiteHosts TSiteHosts::Defaults() { return {sites::FirstSiteDomain, sites::SecondSiteDownloadHost}; }

std::vector<std::string> SplitPageLines(std::string_view text) { return SplitLines(text.substr(0, text.find('\0'))); }

TVideoLink ExtractVideoLink(const std::vector<std::string>& lines, const TSiteHosts& hosts) {
  TVideoLink link;
  for (const std::string& line : lines) {
    if (TextPos("var swfArgs = ", line) > 0) {
      link.Found = true;
      const std::string videoId = takeFrom(line, TextPos("video_id:", line) + 10, 11);
      const std::string token = takeFrom(line, TextPos(",t:", line) + 4, 32);
      link.Address = fmt::format("http://{}/get_video?video_id={}&t={}", hosts.FirstSiteDomain, requestSafe(videoId),
                                 requestSafe(token));
    }
    if (const size_t marker = TextPos("secureurl%3D", line); marker > 0) {
      link.Found = true;
      const std::string secureAddress = takeFrom(line, marker + 12, 262);
      const std::string signature = takeFrom(line, TextPos("%26sigh%3D", line) + 10, 27);
      link.Address = fmt::format("http://{}/videodownload?version=0&secureurl={}&sigh={}&",
                                 hosts.SecondSiteDownloadHost, requestSafe(secureAddress), requestSafe(signature));
    }
  }
  return link;
}
