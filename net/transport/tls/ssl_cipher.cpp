#include "net/transport/tls/ssl_cipher.h"

#include "net/transport/tls/openssl_entries.h"
#include "net/transport/tls/ssl_socket.h"

using tls::OpenSSL;

namespace {
constexpr int DescriptionSize = 1024;

std::string textOrEmpty(const char* text) { return text ? text : ""; }
}  // namespace

std::string TIdSSLCipher::Name() const {
  return textOrEmpty(OpenSSL.SSL_CIPHER_get_name(OpenSSL.SSL_get_current_cipher(Link.Handle)));
}

std::string TIdSSLCipher::Description() const {
  char text[DescriptionSize] = {};
  return textOrEmpty(
      OpenSSL.SSL_CIPHER_description(OpenSSL.SSL_get_current_cipher(Link.Handle), text, DescriptionSize));
}

int32_t TIdSSLCipher::Bits() const {
  int algorithmBits = 0;
  OpenSSL.SSL_CIPHER_get_bits(OpenSSL.SSL_get_current_cipher(Link.Handle), &algorithmBits);
  return algorithmBits;
}

std::string TIdSSLCipher::Version() const {
  return textOrEmpty(OpenSSL.SSL_CIPHER_get_version(OpenSSL.SSL_get_current_cipher(Link.Handle)));
}
