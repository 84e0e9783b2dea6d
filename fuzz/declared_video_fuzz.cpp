// Any page as a fetched page: the declared-video scan never reads outside the
// text, and what it finds is what the job can fetch: distinct http or https
// addresses with nothing in them a request line may not carry, each one
// resolving to itself again, and a title with its blanks collapsed. The first
// line of the input is the address the page came from.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "app/declared_video.h"
#include "fuzz_check.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool startsWithNoCase(const std::string& text, const std::string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (char(text[i] | 0x20) != prefix[i]) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t lineEnd = input.find('\n');
  const std::string pageAddress =
      lineEnd == std::string::npos ? "https://pages.example/a/b.html?x=1" : input.substr(0, lineEnd);
  const std::string page = lineEnd == std::string::npos ? input : input.substr(lineEnd + 1);

  const TPageDeclarations found = ScanPageDeclarations(page, pageAddress);
  std::set<std::string> seen;
  for (const std::string& address : found.Videos) {
    fuzzCheck(startsWithNoCase(address, "http://") || startsWithNoCase(address, "https://"),
              "only http and https addresses", address);
    for (const char c : address) {
      const auto byte = static_cast<unsigned char>(c);
      fuzzCheck(byte > 0x20 && byte < 0x7F && c != '"' && c != '<' && c != '>' && c != '#',
                "nothing a request line may not carry, no fragment", address);
    }
    fuzzCheck(seen.insert(address).second, "no address twice", address);
    fuzzCheck(ResolveAddress(pageAddress, address) == address, "an address found resolves to itself", address);
  }
  const std::string& title = found.Title;
  fuzzCheck(title.empty() || (!isBlank(title.front()) && !isBlank(title.back())), "the title is trimmed", title);
  for (size_t i = 0; i < title.size(); ++i)
    fuzzCheck(title[i] == ' ' ? i + 1 < title.size() && title[i + 1] != ' ' : !isBlank(title[i]),
              "blanks in the title are single spaces", title);
  return 0;
}
