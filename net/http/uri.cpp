#include "net/http/uri.h"

#include <algorithm>

#include "net/http/http_exceptions.h"
#include "net/http/messages.h"
#include "net/http/text_helpers.h"
#include "net/http/tokens.h"

namespace {
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
