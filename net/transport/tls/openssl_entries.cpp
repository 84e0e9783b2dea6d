#include "net/transport/tls/openssl_entries.h"

#include <dlfcn.h>

#include "net/transport/tls/openssl_shims.h"

namespace tls {

Entries OpenSSL;
std::atomic<int32_t> TLSLibraryUsers{0};
std::mutex PasswordLock;
std::mutex InfoLock;
std::mutex VerifyLock;

namespace {

std::mutex LoadLock;
std::string SslFileName = "libssl.so.3";
std::string CryptoFileName = "libcrypto.so.3";
void* SslLibrary = nullptr;
void* CryptoLibrary = nullptr;
bool EveryRequiredEntryResolved = false;

// One entry by its exact name from its own library; the shim stands in when
// the library does not export the name. True when the entry has an address.
template <typename Function>
bool resolve(void* library, Function& entry, const char* name, Function shim = nullptr) {
  entry = library ? reinterpret_cast<Function>(::dlsym(library, name)) : nullptr;
  if (!entry) entry = shim;
  return entry != nullptr;
}

#define QUILLFEN_REQUIRED(library, name) resolved &= resolve(library, OpenSSL.name, #name)
#define QUILLFEN_REQUIRED_OR_SHIM(library, name) resolved &= resolve(library, OpenSSL.name, #name, &shims::name)
#define QUILLFEN_OPTIONAL(library, name) resolve(library, OpenSSL.name, #name)
#define QUILLFEN_OPTIONAL_OR_SHIM(library, name) resolve(library, OpenSSL.name, #name, &shims::name)

bool resolveEntries() {
  void* const ssl = SslLibrary;
  void* const crypto = CryptoLibrary;
  bool resolved = true;

  // The current calls first: the shims are written over them.
  QUILLFEN_REQUIRED(ssl, OPENSSL_init_ssl);
  QUILLFEN_REQUIRED(ssl, TLS_method);
  QUILLFEN_REQUIRED(ssl, TLS_server_method);
  QUILLFEN_REQUIRED(ssl, TLS_client_method);
  QUILLFEN_REQUIRED(ssl, SSL_get1_peer_certificate);
  QUILLFEN_REQUIRED(ssl, SSL_CTX_set_info_callback);
  QUILLFEN_REQUIRED(ssl, SSL_get_ex_data_X509_STORE_CTX_idx);
  QUILLFEN_REQUIRED(ssl, SSL_SESSION_get_id);
  QUILLFEN_REQUIRED(ssl, SSL_SESSION_get0_id_context);
  QUILLFEN_REQUIRED(ssl, SSL_version);
  QUILLFEN_REQUIRED(ssl, SSL_CTX_set_options);
  QUILLFEN_REQUIRED(ssl, SSL_CTX_ctrl);
  QUILLFEN_REQUIRED(ssl, SSL_ctrl);
  QUILLFEN_REQUIRED(ssl, SSL_set1_host);
  QUILLFEN_REQUIRED(ssl, SSL_get_verify_result);
  QUILLFEN_REQUIRED(ssl, SSL_has_pending);
  QUILLFEN_REQUIRED(ssl, SSL_CTX_set_default_read_buffer_len);
  QUILLFEN_REQUIRED(crypto, X509_STORE_CTX_get_ex_data);
  QUILLFEN_REQUIRED(crypto, X509_getm_notBefore);
  QUILLFEN_REQUIRED(crypto, X509_getm_notAfter);
  QUILLFEN_REQUIRED(crypto, X509_NAME_hash_ex);
  QUILLFEN_REQUIRED(crypto, X509_verify_cert_error_string);
  QUILLFEN_REQUIRED(crypto, ERR_clear_error);
  QUILLFEN_REQUIRED(crypto, ERR_get_error);
  QUILLFEN_REQUIRED(crypto, ERR_reason_error_string);
  QUILLFEN_REQUIRED(crypto, RAND_poll);
  QUILLFEN_REQUIRED(crypto, DES_set_odd_parity);
  QUILLFEN_REQUIRED(crypto, DES_set_key);
  QUILLFEN_REQUIRED(crypto, DES_ecb_encrypt);

  QUILLFEN_REQUIRED(ssl, SSL_CTX_set_cipher_list);
  QUILLFEN_REQUIRED(ssl, SSL_CTX_new);
  QUILLFEN_REQUIRED(ssl, SSL_CTX_free);
  QUILLFEN_REQUIRED(ssl, SSL_set_fd);
  QUILLFEN_REQUIRED(ssl, SSL_CTX_use_PrivateKey_file);
  QUILLFEN_REQUIRED(ssl, SSL_CTX_use_certificate_file);
  QUILLFEN_REQUIRED_OR_SHIM(ssl, SSL_load_error_strings);
  QUILLFEN_REQUIRED(ssl, SSL_state_string_long);
  QUILLFEN_REQUIRED_OR_SHIM(ssl, SSL_get_peer_certificate);
  QUILLFEN_REQUIRED(ssl, SSL_CTX_set_verify);
  QUILLFEN_REQUIRED(ssl, SSL_CTX_set_verify_depth);
  QUILLFEN_REQUIRED(ssl, SSL_CTX_get_verify_depth);
  QUILLFEN_REQUIRED(ssl, SSL_CTX_set_default_passwd_cb);
  QUILLFEN_REQUIRED(ssl, SSL_CTX_set_default_passwd_cb_userdata);
  QUILLFEN_REQUIRED(ssl, SSL_CTX_check_private_key);
  QUILLFEN_REQUIRED(ssl, SSL_new);
  QUILLFEN_REQUIRED(ssl, SSL_free);
  QUILLFEN_REQUIRED(ssl, SSL_accept);
  QUILLFEN_REQUIRED(ssl, SSL_connect);
  QUILLFEN_REQUIRED(ssl, SSL_read);
  QUILLFEN_REQUIRED(ssl, SSL_peek);
  QUILLFEN_REQUIRED(ssl, SSL_write);
  QUILLFEN_REQUIRED(ssl, SSL_get_error);
  QUILLFEN_REQUIRED_OR_SHIM(ssl, SSLv2_method);
  QUILLFEN_REQUIRED_OR_SHIM(ssl, SSLv2_server_method);
  QUILLFEN_REQUIRED_OR_SHIM(ssl, SSLv2_client_method);
  QUILLFEN_REQUIRED_OR_SHIM(ssl, SSLv3_method);
  QUILLFEN_REQUIRED_OR_SHIM(ssl, SSLv3_server_method);
  QUILLFEN_REQUIRED_OR_SHIM(ssl, SSLv3_client_method);
  QUILLFEN_REQUIRED_OR_SHIM(ssl, SSLv23_method);
  QUILLFEN_REQUIRED_OR_SHIM(ssl, SSLv23_server_method);
  QUILLFEN_REQUIRED_OR_SHIM(ssl, SSLv23_client_method);
  QUILLFEN_REQUIRED(ssl, TLSv1_method);
  QUILLFEN_REQUIRED(ssl, TLSv1_server_method);
  QUILLFEN_REQUIRED(ssl, TLSv1_client_method);
  QUILLFEN_REQUIRED(ssl, SSL_shutdown);
  QUILLFEN_REQUIRED(ssl, SSL_set_connect_state);
  QUILLFEN_REQUIRED(ssl, SSL_set_accept_state);
  QUILLFEN_REQUIRED(ssl, SSL_set_shutdown);
  QUILLFEN_REQUIRED(ssl, SSL_CTX_load_verify_locations);
  QUILLFEN_REQUIRED(ssl, SSL_get_session);
  QUILLFEN_REQUIRED_OR_SHIM(ssl, SSL_library_init);
  QUILLFEN_REQUIRED_OR_SHIM(ssl, SSL_CTX_set_info_callback_vexa);
  QUILLFEN_REQUIRED_OR_SHIM(ssl, X509_STORE_CTX_get_app_data_vexa);
  QUILLFEN_REQUIRED_OR_SHIM(ssl, SSL_SESSION_get_id_vexa);
  QUILLFEN_REQUIRED_OR_SHIM(ssl, SSL_SESSION_get_id_ctx_vexa);
  QUILLFEN_REQUIRED_OR_SHIM(ssl, SSL_CTX_get_version_vexa);
  QUILLFEN_REQUIRED_OR_SHIM(ssl, SSL_CTX_set_options_vexa);
  QUILLFEN_REQUIRED_OR_SHIM(ssl, X509_get_notBefore_vexa);
  QUILLFEN_REQUIRED_OR_SHIM(ssl, X509_get_notAfter_vexa);
  QUILLFEN_REQUIRED(ssl, SSL_set_ex_data);
  QUILLFEN_REQUIRED(ssl, SSL_get_ex_data);
  QUILLFEN_REQUIRED(ssl, SSL_load_client_CA_file);
  QUILLFEN_REQUIRED(ssl, SSL_CTX_set_client_CA_list);
  QUILLFEN_REQUIRED(ssl, SSL_CTX_set_default_verify_paths);
  QUILLFEN_REQUIRED(ssl, SSL_CTX_set_session_id_context);
  QUILLFEN_REQUIRED(ssl, SSL_CIPHER_description);
  QUILLFEN_REQUIRED(ssl, SSL_get_current_cipher);
  QUILLFEN_REQUIRED(ssl, SSL_CIPHER_get_name);
  QUILLFEN_REQUIRED(ssl, SSL_CIPHER_get_version);
  QUILLFEN_REQUIRED(ssl, SSL_CIPHER_get_bits);
  // The name hash lives in the crypto library on this platform.
  QUILLFEN_OPTIONAL_OR_SHIM(crypto, X509_NAME_hash);
  QUILLFEN_OPTIONAL(crypto, X509_digest);
  QUILLFEN_OPTIONAL(crypto, EVP_md5);

  QUILLFEN_REQUIRED(crypto, X509_NAME_oneline);
  QUILLFEN_REQUIRED(crypto, X509_set_issuer_name);
  QUILLFEN_REQUIRED(crypto, X509_get_issuer_name);
  QUILLFEN_REQUIRED(crypto, X509_set_subject_name);
  QUILLFEN_REQUIRED(crypto, X509_get_subject_name);
  QUILLFEN_REQUIRED(crypto, X509_STORE_CTX_get_error);
  QUILLFEN_REQUIRED(crypto, X509_STORE_CTX_set_error);
  QUILLFEN_REQUIRED(crypto, X509_STORE_CTX_get_error_depth);
  QUILLFEN_REQUIRED(crypto, X509_STORE_CTX_get_current_cert);
  QUILLFEN_REQUIRED_OR_SHIM(crypto, des_set_odd_parity);
  QUILLFEN_REQUIRED_OR_SHIM(crypto, des_set_key);
  QUILLFEN_REQUIRED_OR_SHIM(crypto, des_ecb_encrypt);
  QUILLFEN_OPTIONAL_OR_SHIM(crypto, RAND_screen);
  QUILLFEN_OPTIONAL(crypto, EVP_CIPHER_CTX_new);
  QUILLFEN_OPTIONAL(crypto, EVP_CIPHER_CTX_free);
  QUILLFEN_OPTIONAL(crypto, EVP_CIPHER_CTX_set_padding);
  QUILLFEN_OPTIONAL(crypto, EVP_aes_128_cbc);
  QUILLFEN_OPTIONAL(crypto, EVP_DecryptInit_ex);
  QUILLFEN_OPTIONAL(crypto, EVP_DecryptUpdate);
  QUILLFEN_OPTIONAL(crypto, EVP_DecryptFinal_ex);
  return resolved;
}

#undef QUILLFEN_REQUIRED
#undef QUILLFEN_REQUIRED_OR_SHIM
#undef QUILLFEN_OPTIONAL
#undef QUILLFEN_OPTIONAL_OR_SHIM

}  // namespace

void SetLibraryFileNames(const std::string& sslFile, const std::string& cryptoFile) {
  std::lock_guard<std::mutex> guard(LoadLock);
  SslFileName = sslFile;
  CryptoFileName = cryptoFile;
}

bool LoadTLSLibraries() {
  std::lock_guard<std::mutex> guard(LoadLock);
  if (!CryptoLibrary) CryptoLibrary = ::dlopen(CryptoFileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  // A load that left entries unresolved must keep failing: answering true
  // for a loaded file would let callers jump through null entries.
  if (SslLibrary) return EveryRequiredEntryResolved;
  SslLibrary = ::dlopen(SslFileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  EveryRequiredEntryResolved = resolveEntries();
  if (!EveryRequiredEntryResolved) OpenSSL = Entries{};
  return EveryRequiredEntryResolved;
}

void UnloadTLSLibraries() {
  std::lock_guard<std::mutex> guard(LoadLock);
  OpenSSL = Entries{};
  EveryRequiredEntryResolved = false;
  TLSLibraryUsers = 0;
  if (SslLibrary) ::dlclose(SslLibrary);
  if (CryptoLibrary) ::dlclose(CryptoLibrary);
  SslLibrary = nullptr;
  CryptoLibrary = nullptr;
}

bool InitTLSLibrary() {
  if (!LoadTLSLibraries()) return false;
  if (OpenSSL.RAND_screen) OpenSSL.RAND_screen();
  OpenSSL.SSL_load_error_strings();
  return OpenSSL.SSL_library_init() > 0;
}

}  // namespace tls
