#include "app/queue/queue_addresses.h"

#include <algorithm>
#include <cstring>

namespace {
// Where an address in running text ends: blanks, and the quotes and angle
// brackets that mark one off in mail and markup.
bool endsAddress(char c) { return static_cast<unsigned char>(c) <= ' ' || std::strchr("\"'<>", c) != nullptr; }
}  // namespace

std::vector<std::string> AddressesInText(const std::string& text) {
  std::vector<std::string> addresses;
  for (size_t at = 0; at < text.size();) {
    const size_t plain = text.find("http://", at), secure = text.find("https://", at);
    const size_t start = std::min(plain, secure);
    if (start == std::string::npos) break;
    size_t end = start;
    while (end < text.size() && !endsAddress(text[end])) ++end;
    std::string address = text.substr(start, end - start);
    // A sentence's full stop or comma after an address is not part of it.
    while (!address.empty() && std::strchr(".,;:!?)", address.back())) address.pop_back();
    if (address.find("://") + 3 < address.size() &&
        std::find(addresses.begin(), addresses.end(), address) == addresses.end())
      addresses.push_back(address);
    at = end;
  }
  return addresses;
}
