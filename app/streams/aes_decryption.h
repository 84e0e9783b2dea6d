#pragma once
// AES-128-CBC with PKCS7 padding, as encrypted HLS segments use it, through
// the crypto library the TLS layer loads at run time.

#include <array>
#include <cstdint>
#include <string>

namespace streams {

using TAesBlock = std::array<uint8_t, 16>;

// Replaces data by its plain text; false when the padding is wrong (a wrong
// key or a damaged segment). Raises EVideoStreamFetchFailed when the crypto
// library cannot be loaded.
bool DecryptAes128Cbc(std::string& data, const TAesBlock& key, const TAesBlock& iv);

}  // namespace streams
