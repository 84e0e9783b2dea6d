#include "app/streams/stream_address.h"

#include <fmt/format.h>

#include "app/streams/messages.h"
#include "app/streams/stream_errors.h"
#include "net/http/uri.h"

namespace streams {

namespace {

bool hasScheme(const std::string& reference) {
  const size_t colon = reference.find(':');
  if (colon == std::string::npos || colon == 0 || !std::isalpha(static_cast<unsigned char>(reference[0]))) return false;
  for (size_t i = 1; i < colon; ++i) {
    const unsigned char c = static_cast<unsigned char>(reference[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

// RFC 3986 5.2.4: "." and ".." segments go; everything else, empty
// segments included, stays as written (signed addresses depend on it).
std::string removeDotSegments(std::string input) {
  std::string output;
  while (!input.empty()) {
    if (input.rfind("../", 0) == 0) input.erase(0, 3);
    else if (input.rfind("./", 0) == 0) input.erase(0, 2);
    else if (input.rfind("/./", 0) == 0) input.erase(0, 2);
    else if (input == "/.") input = "/";
    else if (input.rfind("/../", 0) == 0 || input == "/..") {
      input = input.size() == 3 ? "/" : input.substr(3);
      const size_t slash = output.rfind('/');
      output.erase(slash == std::string::npos ? 0 : slash);
    } else if (input == "." || input == "..") input.clear();
    else {
      const size_t next = input.find('/', 1);
      output += input.substr(0, next);
      input.erase(0, next == std::string::npos ? input.size() : next);
    }
  }
  return output;
}

}  // namespace

std::string ResolveAddress(const std::string& base, const std::string& reference) {
  if (hasScheme(reference)) {
    const size_t colon = reference.find(':');
    const std::string rest = reference.substr(colon + 1);
    if (rest.rfind("//", 0) != 0) return reference;
    const size_t pathStart = rest.find_first_of("/?#", 2);
    if (pathStart == std::string::npos || rest[pathStart] != '/') return reference;
    const size_t queryStart = rest.find_first_of("?#", pathStart);
    const std::string path = rest.substr(pathStart, queryStart - pathStart);
    return reference.substr(0, colon + 1) + rest.substr(0, pathStart) + removeDotSegments(path) +
           (queryStart == std::string::npos ? "" : rest.substr(queryStart));
  }
  // The scheme and authority come from the HTTP layer's record of the base;
  // its path split looks for "=" as a query start, so the path is taken
  // from the base text itself.
  const TIdURI baseUri(base);
  const size_t authorityStart = base.find("://");
  if (authorityStart == std::string::npos) return reference;
  const size_t pathStart = base.find_first_of("/?#", authorityStart + 3);
  const std::string authority = base.substr(authorityStart + 3, pathStart - (authorityStart + 3));
  std::string basePathAndQuery = pathStart == std::string::npos ? "" : base.substr(pathStart);
  basePathAndQuery = basePathAndQuery.substr(0, basePathAndQuery.find('#'));
  const std::string basePath = basePathAndQuery.substr(0, basePathAndQuery.find('?'));
  const std::string baseQuery = basePathAndQuery.substr(basePath.size());
  const std::string origin = baseUri.Protocol + "://" + authority;

  if (reference.rfind("//", 0) == 0) return ResolveAddress(base, baseUri.Protocol + ":" + reference);
  std::string refPath = reference.substr(0, reference.find_first_of("?#"));
  const std::string refRest = reference.substr(refPath.size());
  if (refPath.empty()) {
    if (refRest.empty() || refRest[0] == '#') return origin + (basePath.empty() ? "/" : basePath) + baseQuery + refRest;
    return origin + (basePath.empty() ? "/" : basePath) + refRest;
  }
  if (refPath[0] != '/') {
    // RFC 3986 5.2.3: everything of the base path up to its last "/".
    const size_t lastSlash = basePath.rfind('/');
    refPath = (lastSlash == std::string::npos ? "/" : basePath.substr(0, lastSlash + 1)) + refPath;
  }
  return origin + removeDotSegments(refPath) + refRest;
}

bool IsHttpAddress(const std::string& address) {
  const size_t colon = address.find("://");
  if (colon == std::string::npos) return false;
  std::string scheme = address.substr(0, colon);
  for (char& c : scheme) c = char(std::tolower(static_cast<unsigned char>(c)));
  return scheme == "http" || scheme == "https";
}

std::string ResolveHttpAddress(const std::string& base, const std::string& reference) {
  std::string address = ResolveAddress(base, reference);
  if (!IsHttpAddress(address)) throw EVideoStreamRefused(fmt::format(stream_messages::UnsupportedScheme, address));
  return address;
}

}  // namespace streams
