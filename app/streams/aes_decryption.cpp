#include "app/streams/aes_decryption.h"

#include <memory>

#include "app/streams/messages.h"
#include "app/streams/stream_errors.h"
#include "net/transport/tls/openssl_entries.h"

namespace streams {

bool DecryptAes128Cbc(std::string& data, const TAesBlock& key, const TAesBlock& iv) {
  const tls::Entries& crypto = tls::OpenSSL;
  if (!tls::LoadTLSLibraries() || !crypto.EVP_CIPHER_CTX_new || !crypto.EVP_CIPHER_CTX_free ||
      !crypto.EVP_CIPHER_CTX_set_padding || !crypto.EVP_aes_128_cbc || !crypto.EVP_DecryptInit_ex ||
      !crypto.EVP_DecryptUpdate || !crypto.EVP_DecryptFinal_ex)
    throw EVideoStreamFetchFailed(stream_messages::NoCipher);
  if (data.empty() || data.size() % 16 != 0) return false;
  const std::unique_ptr<EVP_CIPHER_CTX, decltype(crypto.EVP_CIPHER_CTX_free)> context(crypto.EVP_CIPHER_CTX_new(),
                                                                                      crypto.EVP_CIPHER_CTX_free);
  if (!context ||
      crypto.EVP_DecryptInit_ex(context.get(), crypto.EVP_aes_128_cbc(), nullptr, key.data(), iv.data()) != 1)
    return false;
  crypto.EVP_CIPHER_CTX_set_padding(context.get(), 1);
  std::string plain(data.size() + 16, '\0');
  int written = 0;
  int last = 0;
  auto* out = reinterpret_cast<unsigned char*>(plain.data());
  if (crypto.EVP_DecryptUpdate(context.get(), out, &written, reinterpret_cast<const unsigned char*>(data.data()),
                               int(data.size())) != 1 ||
      crypto.EVP_DecryptFinal_ex(context.get(), out + written, &last) != 1)
    return false;
  plain.resize(size_t(written + last));
  data.swap(plain);
  return true;
}

}  // namespace streams
