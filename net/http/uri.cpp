#include "net/http/uri.h"

#include <algorithm>
#include <cctype>

#include "net/http/http_exceptions.h"
#include "net/http/messages.h"
#include "net/http/text_helpers.h"
#include "net/http/tokens.h"
#include "platform/text.h"

namespace {
bool startsWithScheme(const std::string& reference) {
  const size_t colon = reference.find(':');
  if (colon == std::string::npos || colon == 0 || !std::isalpha(static_cast<unsigned char>(reference[0]))) return false;
  for (size_t i = 1; i < colon; ++i) {
    const auto c = static_cast<unsigned char>(reference[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

// RFC 3986 5.2.4.
std::string removeDotSegments(std::string input) {
  std::string output;
  while (!input.empty()) {
    if (input.starts_with("../")) input.erase(0, 3);
    else if (input.starts_with("./")) input.erase(0, 2);
    else if (input.starts_with("/./")) input.erase(0, 2);
    else if (input == "/.") input = "/";
    else if (input.starts_with("/../") || input == "/..") {
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

// An absolute address ("scheme:" first) with its path's dot segments
// removed; all else stays as written.
std::string withoutDotSegments(const std::string& address) {
  const size_t colon = address.find(':');
  const std::string rest = address.substr(colon + 1);
  if (!rest.starts_with("//")) return address;
  const size_t pathStart = rest.find_first_of("/?#", 2);
  if (pathStart == std::string::npos || rest[pathStart] != '/') return address;
  const size_t queryStart = rest.find_first_of("?#", pathStart);
  const std::string path = rest.substr(pathStart, queryStart - pathStart);
  return address.substr(0, colon + 1) + rest.substr(0, pathStart) + removeDotSegments(path) +
         (queryStart == std::string::npos ? "" : rest.substr(queryStart));
}

// Moves the text after the first "#" of from into fragment.
void splitFragment(std::string& from, std::string& fragment) {
  const size_t hash = from.find('#');
  if (hash == std::string::npos) return;
  fragment = from.substr(hash + 1);
  from.erase(hash);
}
}  // namespace

TIdURI::TIdURI(const std::string& address) {
  if (!address.empty()) SplitAddress(address);
}

void TIdURI::SplitAddress(const std::string& address) {
  URI = address;
  std::string work = address;
  std::replace(work.begin(), work.end(), '\\', '/');
  Protocol.clear();
  Username.clear();
  Password.clear();
  Host.clear();
  Port.clear();
  Path.clear();
  Document.clear();
  Params.clear();
  Fragment.clear();

  if (TextPos("://", work) == 0) {
    splitPathDocumentParams(work, "");
  } else {
    splitAbsolute(work);
  }
  if (Fragment.empty()) splitFragment(Params, Fragment);
}

void TIdURI::splitAbsolute(std::string address) {
  Protocol = TakeToken(address, "://");
  // The authority ends at the first "/", "?" or "#": "h?x=1" is the host "h"
  // with a query, and "h:8080#f" the port 8080 with a fragment.
  const size_t authorityEnd = address.find_first_of("/?#");
  std::string authority = address.substr(0, authorityEnd);
  // The "/" that ends it is dropped; a "?" or "#" stays with the rest.
  const bool endsAtSlash = authorityEnd != std::string::npos && address[authorityEnd] == '/';
  address.erase(0, endsAtSlash ? authorityEnd + 1 : authorityEnd);
  if (TextPos("@", authority) > 0) {
    std::string userInfo = TakeToken(authority, "@");
    Username = TakeToken(userInfo, ":");
    Password = userInfo;
    if (Username.empty()) Password.clear();
  }
  Host = TakeToken(authority, ":");
  Port = authority;
  // The fragment never reaches the server: it comes off before a "/" or "?"
  // inside it could be taken for path or query.
  splitFragment(address, Fragment);
  splitPathDocumentParams(address, "/");
}

// The query starts at the first "?", or at the first "=" when there is no
// "?"; the last "/" before it ends the path.
void TIdURI::splitPathDocumentParams(const std::string& rest, const std::string& pathPrefix) {
  size_t query = TextPos("?", rest);
  if (query == 0) query = TextPos("=", rest);
  const size_t slash = LastPosNoCase("/", rest, query > 0 ? static_cast<int>(query) : -1);
  Path = pathPrefix + rest.substr(0, slash);
  if (query > 0) {
    Document = rest.substr(0, query - 1);
    Params = rest.substr(query - 1);
  } else {
    Document = rest;
  }
  Document.erase(0, slash);
}

std::string TIdURI::ComposeFull(TIdURIOptionalFieldsSet options) const {
  if (Protocol.empty()) throw EIdURIException(http_messages::ProtocolFieldEmpty);
  std::string result = Protocol + "://";
  if ((options & IncludeAuthInfo) && !Username.empty()) {
    result += Username;
    if (!Password.empty()) result += ":" + Password;
    result += "@";
  }
  if (Host.empty()) throw EIdURIException(http_messages::HostFieldEmpty);
  result += Host;
  if (!Port.empty()) result += ":" + Port;
  result += Path + Document + Params;
  if ((options & IncludeFragment) && !Fragment.empty()) result += "#" + Fragment;
  return result;
}

std::string TIdURI::Compose() {
  URI = ComposeFull(IncludeAuthInfo | IncludeFragment);
  return ComposeFull(NoOptionalFields);
}

std::string MergePath(const std::string& basePath, const std::string& path, char delimiter) {
  if (!path.empty() && path.front() == delimiter) return path;
  const bool keepTrailingDelimiter = path.empty() || path.back() == delimiter;

  std::string joined = basePath;
  if (!joined.empty() && joined.back() != delimiter) joined += delimiter;
  joined += path;

  std::string result;
  for (size_t i = 0; i < joined.size(); ++i) {
    const char c = joined[i];
    if (c == delimiter) {
      if (result.empty() || result.back() != delimiter) result += delimiter;
    } else if (c == '.' && !result.empty() && result.back() == delimiter && i + 1 < joined.size() &&
               joined[i + 1] == '.') {
      // ".." climbs one segment: drop the trailing delimiter, then the
      // segment before it.
      result.pop_back();
      while (!result.empty() && result.back() != delimiter) result.pop_back();
      ++i;
    } else {
      result += c;
    }
  }
  if (!keepTrailingDelimiter && result.size() > 1 && result.back() == delimiter) result.pop_back();
  return result;
}

std::string ResolveReference(const std::string& base, const std::string& reference) {
  if (startsWithScheme(reference)) return withoutDotSegments(reference);
  // The record's own path split takes "=" for a query start, so only the
  // scheme comes from it; authority, path and query are read from the text.
  const size_t authorityStart = base.find("://");
  if (authorityStart == std::string::npos) return reference;
  const std::string scheme = TIdURI(base).Protocol;
  if (reference.starts_with("//")) return withoutDotSegments(scheme + ":" + reference);
  const size_t pathStart = base.find_first_of("/?#", authorityStart + 3);
  const std::string authority = base.substr(authorityStart + 3, pathStart - (authorityStart + 3));
  std::string basePathAndQuery = pathStart == std::string::npos ? "" : base.substr(pathStart);
  basePathAndQuery = basePathAndQuery.substr(0, basePathAndQuery.find('#'));
  const std::string basePath = basePathAndQuery.substr(0, basePathAndQuery.find('?'));
  const std::string baseQuery = basePathAndQuery.substr(basePath.size());
  const std::string origin = scheme + "://" + authority;

  std::string refPath = reference.substr(0, reference.find_first_of("?#"));
  const std::string refRest = reference.substr(refPath.size());
  if (refPath.empty()) {
    // A base is used with its dot segments removed, as a browser keeps it,
    // so that resolving the result again gives the same address.
    const std::string path = basePath.empty() ? "/" : removeDotSegments(basePath);
    if (refRest.empty() || refRest[0] == '#') return origin + path + baseQuery + refRest;
    return origin + path + refRest;
  }
  if (refPath[0] != '/') {
    // Everything of the base path up to its last "/".
    const size_t lastSlash = basePath.rfind('/');
    refPath = (lastSlash == std::string::npos ? "/" : basePath.substr(0, lastSlash + 1)) + refPath;
  }
  return origin + removeDotSegments(refPath) + refRest;
}

bool IsHttpAddress(const std::string& address) {
  const std::string scheme = TIdURI(address).Protocol;
  return SameText(scheme, "http") || SameText(scheme, "https");
}

std::string EncodeRequestTarget(std::string_view target) {
  static constexpr char HexDigits[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(target.size());
  for (const char c : target) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte < 0x7F) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += HexDigits[byte >> 4];
      encoded += HexDigits[byte & 0x0F];
    }
  }
  return encoded;
}
