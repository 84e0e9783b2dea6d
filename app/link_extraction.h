// Finds a watch page's video in the page text: a plain scan for the markers
// each site puts in its player script, from which the direct video address
// is composed. No HTML or script is parsed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The hosts the composed video addresses go to. A local copy of the sites
// (a demo or a test) replaces them; the program itself uses the defaults.
struct TSiteHosts {
  std::string FirstSiteDomain;
  std::string SecondSiteDownloadHost;
  static TSiteHosts Defaults();
};

struct TVideoLink {
  bool Found = false;
  std::string Address;
};

// The page's lines: the text up to its first NUL, broken at CR, LF or CR LF;
// a break at the very end adds no empty line.
std::vector<std::string> SplitPageLines(std::string_view text);

// Scans every line; a later match replaces an earlier one, and within one
// line the second site's form wins.
TVideoLink ExtractVideoLink(const std::vector<std::string>& lines, const TSiteHosts& hosts = TSiteHosts::Defaults());
