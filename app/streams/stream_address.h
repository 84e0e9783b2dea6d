#pragma once
// Addresses inside playlists and manifests: resolved against the address the
// text came from (the HTTP layer's ResolveReference), and checked to be
// something our HTTP client may fetch.

#include <string>

#include "net/http/uri.h"

namespace streams {

// Resolves and refuses (EVideoStreamRefused) an address we may not fetch.
std::string ResolveHttpAddress(const std::string& base, const std::string& reference);

}  // namespace streams
