// The start-up scan of the clipboard for a watch-page address of either site.
#pragma once

#include <string>

// The last line that names either site, trimmed, or current when none does.
std::string ScanClipboard(const std::string& clipboardText, const std::string& current);
