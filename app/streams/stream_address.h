#pragma once
// Addresses inside playlists and manifests: resolved against the address the
// text came from (RFC 3986 reference resolution over the HTTP layer's
// address record), and checked to be something our HTTP client may fetch.

#include <string>

namespace streams {

// The reference as an absolute address; base is absolute.
std::string ResolveAddress(const std::string& base, const std::string& reference);

// http or https, in any letter case.
bool IsHttpAddress(const std::string& address);

// Resolves and refuses (EVideoStreamRefused) an address we may not fetch.
std::string ResolveHttpAddress(const std::string& base, const std::string& reference);

}  // namespace streams
