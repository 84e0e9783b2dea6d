// Set-Cookie and Set-Cookie2 texts from any host, then Cookie headers for any
// address: parsing, storing, merging, expiry and composing never read outside
// their texts, and the header keeps its promises: every entry carries a value,
// secure cookies are left out without TLS, no control byte reaches it, and a
// host that no cookie's source lies within gets nothing.
//
// Input: lines. "@address" sets the address of the responses that follow,
// "?address" composes the header for an address, "2text" is a Set-Cookie2
// value and any other line a Set-Cookie value.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "net/http/cookies.h"
#include "net/http/text_helpers.h"
#include "platform/exception.h"

namespace {

constexpr const char* UnrelatedHost = "a.quillfen.invalid";

std::vector<std::string> entriesOf(const std::string& header) {
  std::vector<std::string> entries;
  size_t start = 0;
  while (!header.empty()) {
    const size_t end = header.find("; ", start);
    entries.push_back(header.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return entries;
}

// The entries sent without TLS are those sent with it, in the same order,
// less the secure ones.
bool isSubsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
  size_t at = 0;
  for (const std::string& entry : whole) {
    if (at < part.size() && part[at] == entry) ++at;
  }
  return at == part.size();
}

void checkHeaders(TIdCookieManager& manager, const TIdURI& uri, const std::string& input) {
  // The TLS header first: a cookie that expires between the two calls then
  // only leaves the plain one shorter.
  const std::string secure = manager.CookieHeaderFor(uri, true);
  const std::string plain = manager.CookieHeaderFor(uri, false);
  const auto plainEntries = entriesOf(plain);
  fuzzCheck(isSubsequence(plainEntries, entriesOf(secure)), "plain entries are among the TLS ones", input);
  for (const char c : secure) {
    const auto byte = static_cast<unsigned char>(c);
    fuzzCheck((byte >= 0x20 || c == '\t') && byte != 0x7F, "no control byte in the Cookie line", input);
  }
  for (const std::string& entry : plainEntries) {
    const size_t equals = entry.find('=');
    fuzzCheck(equals != std::string::npos && equals + 1 < entry.size(), "every entry has a value", input);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  TIdCookieManager manager;
  TIdURI source("http://h.example/a/b");
  bool unrelatedSource = true;

  size_t start = 0;
  while (start <= input.size()) {
    const size_t end = std::min(input.find('\n', start), input.size());
    const std::string line = input.substr(start, end - start);
    start = end + 1;
    if (line.starts_with('@')) {
      source = TIdURI(line.substr(1));
      continue;
    }
    if (line.starts_with('?')) {
      checkHeaders(manager, TIdURI(line.substr(1)), input);
      continue;
    }
    if (UpperCase(source.Host).find("INVALID") != std::string::npos) unrelatedSource = false;
    try {
      if (line.starts_with('2')) {
        manager.AcceptSetCookie2(line.substr(1), source);
      } else {
        manager.AcceptSetCookie(line, source);
      }
    } catch (const EConvertError&) {
      // A Port list that holds a word.
    }
  }

  checkHeaders(manager, source, input);
  if (unrelatedSource) {
    fuzzCheck(manager.CookieHeaderFor(TIdURI(std::string("http://") + UnrelatedHost + "/"), true).empty(),
              "a host outside every cookie's domain gets no cookie", input);
  }
  return 0;
}
