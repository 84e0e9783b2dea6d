#include "app/clipboard_scan.h"

#include "app/link_extraction.h"
#include "app/sites.h"
#include "net/http/text_helpers.h"

std::string ScanClipboard(const std::string& clipboardText, const std::string& current) {
  std::string address = current;
  for (const std::string& line : SplitPageLines(clipboardText)) {
    if (line.find(sites::SecondSiteHost) != std::string::npos) address = Trim(line);
    if (line.find(sites::FirstSiteDomain) != std::string::npos) address = Trim(line);
  }
  return address;
}
