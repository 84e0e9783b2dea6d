#pragma once
// The address record of the HTTP client: splits an address into scheme, user
// information, host, port, path, document, query and fragment and puts them
// together again. Nothing is decoded; only what a request line cannot carry
// is percent-encoded (EncodeRequestTarget), the rest passes as written.

#include <string>
#include <string_view>

enum TIdURIOptionalFieldsSet : unsigned {
  NoOptionalFields = 0,
  IncludeAuthInfo = 1,
  IncludeFragment = 2,
};

constexpr TIdURIOptionalFieldsSet operator|(TIdURIOptionalFieldsSet a, TIdURIOptionalFieldsSet b) {
  return static_cast<TIdURIOptionalFieldsSet>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}

class TIdURI {
public:
  explicit TIdURI(const std::string& address = "");

  // Stores the text in URI and fills every other field from it.
  void SplitAddress(const std::string& address);
  // Builds the address from the fields; raises EIdURIException without a
  // scheme or a host.
  std::string ComposeFull(TIdURIOptionalFieldsSet options) const;
  // Stores the full address (user information and fragment included) in URI
  // and returns it without them.
  std::string Compose();

  std::string Protocol;
  std::string Username;
  std::string Password;
  std::string Host;
  std::string Port;
  std::string Path;
  std::string Document;
  std::string Params;
  std::string Fragment;
  std::string URI;

private:
  void splitAbsolute(std::string address);
  void splitPathDocumentParams(const std::string& rest, const std::string& pathPrefix);
};

// Resolves path against basePath, collapsing runs of the delimiter and ".."
// segments; a single "." segment is kept as it stands.
std::string MergePath(const std::string& basePath, const std::string& path, char delimiter = '/');

// RFC 3986 reference resolution: the reference as an absolute address,
// resolved against the absolute base. "." and ".." segments go; everything
// else, empty segments and the reference's query included, stays as written
// (signed addresses depend on it). A base without a scheme gives the
// reference unchanged.
std::string ResolveReference(const std::string& base, const std::string& reference);

// Whether the address is one the HTTP client fetches: http or https, in any
// letter case.
bool IsHttpAddress(const std::string& address);

// Percent-encodes blanks, control bytes and bytes above 0x7E, so that the
// text cannot end or split a request line; "%" and every other byte stay, so
// encoding twice changes nothing.
std::string EncodeRequestTarget(std::string_view target);
