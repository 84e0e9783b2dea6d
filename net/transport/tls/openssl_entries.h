#pragma once
// The OpenSSL library as the TLS transport sees it: two library files loaded
// at run time and a table of entry points resolved by name. Names that
// OpenSSL 3 no longer exports (the historic method functions, the "_vexa"
// extras, the DES calls, ...) are supplied by our own shims over the current
// calls; a name that neither provides stays unresolved and loading fails.
// The libraries are never linked: the headers give only types.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

// OpenSSL 3's headers turn these historic names into macros over their
// successors; the entry table keeps the names themselves.
#undef SSL_load_error_strings
#undef SSL_library_init
#undef SSL_get_peer_certificate
#undef SSLv23_method
#undef SSLv23_server_method
#undef SSLv23_client_method
#undef X509_NAME_hash

namespace tls {

using MethodFunction = const SSL_METHOD* (*)();
using InfoCallbackFunction = void (*)(const SSL* ssl, int where, int result);
using DesBlock = unsigned char[8];

// One pointer per entry point, null until resolved.
struct Entries {
  // From the SSL library, in the order they are resolved.
  decltype(&::SSL_CTX_set_cipher_list) SSL_CTX_set_cipher_list = nullptr;
  decltype(&::SSL_CTX_new) SSL_CTX_new = nullptr;
  decltype(&::SSL_CTX_free) SSL_CTX_free = nullptr;
  decltype(&::SSL_set_fd) SSL_set_fd = nullptr;
  decltype(&::SSL_CTX_use_PrivateKey_file) SSL_CTX_use_PrivateKey_file = nullptr;
  decltype(&::SSL_CTX_use_certificate_file) SSL_CTX_use_certificate_file = nullptr;
  void (*SSL_load_error_strings)() = nullptr;
  decltype(&::SSL_state_string_long) SSL_state_string_long = nullptr;
  X509* (*SSL_get_peer_certificate)(const SSL* ssl) = nullptr;
  decltype(&::SSL_CTX_set_verify) SSL_CTX_set_verify = nullptr;
  decltype(&::SSL_CTX_set_verify_depth) SSL_CTX_set_verify_depth = nullptr;
  decltype(&::SSL_CTX_get_verify_depth) SSL_CTX_get_verify_depth = nullptr;
  decltype(&::SSL_CTX_set_default_passwd_cb) SSL_CTX_set_default_passwd_cb = nullptr;
  decltype(&::SSL_CTX_set_default_passwd_cb_userdata) SSL_CTX_set_default_passwd_cb_userdata = nullptr;
  decltype(&::SSL_CTX_check_private_key) SSL_CTX_check_private_key = nullptr;
  decltype(&::SSL_new) SSL_new = nullptr;
  decltype(&::SSL_free) SSL_free = nullptr;
  decltype(&::SSL_accept) SSL_accept = nullptr;
  decltype(&::SSL_connect) SSL_connect = nullptr;
  decltype(&::SSL_read) SSL_read = nullptr;
  decltype(&::SSL_peek) SSL_peek = nullptr;
  decltype(&::SSL_write) SSL_write = nullptr;
  decltype(&::SSL_get_error) SSL_get_error = nullptr;
  MethodFunction SSLv2_method = nullptr;
  MethodFunction SSLv2_server_method = nullptr;
  MethodFunction SSLv2_client_method = nullptr;
  MethodFunction SSLv3_method = nullptr;
  MethodFunction SSLv3_server_method = nullptr;
  MethodFunction SSLv3_client_method = nullptr;
  MethodFunction SSLv23_method = nullptr;
  MethodFunction SSLv23_server_method = nullptr;
  MethodFunction SSLv23_client_method = nullptr;
  MethodFunction TLSv1_method = nullptr;
  MethodFunction TLSv1_server_method = nullptr;
  MethodFunction TLSv1_client_method = nullptr;
  decltype(&::SSL_shutdown) SSL_shutdown = nullptr;
  decltype(&::SSL_set_connect_state) SSL_set_connect_state = nullptr;
  decltype(&::SSL_set_accept_state) SSL_set_accept_state = nullptr;
  decltype(&::SSL_set_shutdown) SSL_set_shutdown = nullptr;
  decltype(&::SSL_CTX_load_verify_locations) SSL_CTX_load_verify_locations = nullptr;
  decltype(&::SSL_get_session) SSL_get_session = nullptr;
  int (*SSL_library_init)() = nullptr;
  void (*SSL_CTX_set_info_callback_vexa)(SSL_CTX* context, InfoCallbackFunction callback) = nullptr;
  SSL* (*X509_STORE_CTX_get_app_data_vexa)(X509_STORE_CTX* store) = nullptr;
  const unsigned char* (*SSL_SESSION_get_id_vexa)(const SSL_SESSION* session, unsigned int* length) = nullptr;
  const unsigned char* (*SSL_SESSION_get_id_ctx_vexa)(const SSL_SESSION* session, unsigned int* length) = nullptr;
  int (*SSL_CTX_get_version_vexa)(SSL_CTX* context) = nullptr;
  long (*SSL_CTX_set_options_vexa)(SSL_CTX* context, long options) = nullptr;
  ASN1_TIME* (*X509_get_notBefore_vexa)(X509* certificate) = nullptr;
  ASN1_TIME* (*X509_get_notAfter_vexa)(X509* certificate) = nullptr;
  decltype(&::SSL_set_ex_data) SSL_set_ex_data = nullptr;
  decltype(&::SSL_get_ex_data) SSL_get_ex_data = nullptr;
  decltype(&::SSL_load_client_CA_file) SSL_load_client_CA_file = nullptr;
  decltype(&::SSL_CTX_set_client_CA_list) SSL_CTX_set_client_CA_list = nullptr;
  decltype(&::SSL_CTX_set_default_verify_paths) SSL_CTX_set_default_verify_paths = nullptr;
  decltype(&::SSL_CTX_set_session_id_context) SSL_CTX_set_session_id_context = nullptr;
  decltype(&::SSL_CIPHER_description) SSL_CIPHER_description = nullptr;
  decltype(&::SSL_get_current_cipher) SSL_get_current_cipher = nullptr;
  decltype(&::SSL_CIPHER_get_name) SSL_CIPHER_get_name = nullptr;
  decltype(&::SSL_CIPHER_get_version) SSL_CIPHER_get_version = nullptr;
  decltype(&::SSL_CIPHER_get_bits) SSL_CIPHER_get_bits = nullptr;
  // Optional.
  unsigned long (*X509_NAME_hash)(X509_NAME* name) = nullptr;
  decltype(&::X509_digest) X509_digest = nullptr;
  decltype(&::EVP_md5) EVP_md5 = nullptr;

  // From the crypto library.
  decltype(&::X509_NAME_oneline) X509_NAME_oneline = nullptr;
  decltype(&::X509_set_issuer_name) X509_set_issuer_name = nullptr;
  decltype(&::X509_get_issuer_name) X509_get_issuer_name = nullptr;
  decltype(&::X509_set_subject_name) X509_set_subject_name = nullptr;
  decltype(&::X509_get_subject_name) X509_get_subject_name = nullptr;
  decltype(&::X509_STORE_CTX_get_error) X509_STORE_CTX_get_error = nullptr;
  decltype(&::X509_STORE_CTX_set_error) X509_STORE_CTX_set_error = nullptr;
  decltype(&::X509_STORE_CTX_get_error_depth) X509_STORE_CTX_get_error_depth = nullptr;
  decltype(&::X509_STORE_CTX_get_current_cert) X509_STORE_CTX_get_current_cert = nullptr;
  void (*des_set_odd_parity)(DesBlock* key) = nullptr;
  int (*des_set_key)(DesBlock* key, void* schedule) = nullptr;
  void (*des_ecb_encrypt)(DesBlock* input, DesBlock* output, void* schedule, int encrypt) = nullptr;
  // Optional.
  void (*RAND_screen)() = nullptr;
  // Optional: AES-128-CBC for encrypted stream segments; TLS needs none of them.
  decltype(&::EVP_CIPHER_CTX_new) EVP_CIPHER_CTX_new = nullptr;
  decltype(&::EVP_CIPHER_CTX_free) EVP_CIPHER_CTX_free = nullptr;
  decltype(&::EVP_CIPHER_CTX_set_padding) EVP_CIPHER_CTX_set_padding = nullptr;
  decltype(&::EVP_aes_128_cbc) EVP_aes_128_cbc = nullptr;
  decltype(&::EVP_DecryptInit_ex) EVP_DecryptInit_ex = nullptr;
  decltype(&::EVP_DecryptUpdate) EVP_DecryptUpdate = nullptr;
  decltype(&::EVP_DecryptFinal_ex) EVP_DecryptFinal_ex = nullptr;

  // Current calls the shims and the transport build on.
  decltype(&::OPENSSL_init_ssl) OPENSSL_init_ssl = nullptr;
  decltype(&::TLS_method) TLS_method = nullptr;
  decltype(&::TLS_server_method) TLS_server_method = nullptr;
  decltype(&::TLS_client_method) TLS_client_method = nullptr;
  decltype(&::SSL_get1_peer_certificate) SSL_get1_peer_certificate = nullptr;
  decltype(&::SSL_CTX_set_info_callback) SSL_CTX_set_info_callback = nullptr;
  decltype(&::SSL_get_ex_data_X509_STORE_CTX_idx) SSL_get_ex_data_X509_STORE_CTX_idx = nullptr;
  decltype(&::SSL_SESSION_get_id) SSL_SESSION_get_id = nullptr;
  decltype(&::SSL_SESSION_get0_id_context) SSL_SESSION_get0_id_context = nullptr;
  decltype(&::SSL_version) SSL_version = nullptr;
  decltype(&::SSL_CTX_set_options) SSL_CTX_set_options = nullptr;
  decltype(&::SSL_CTX_ctrl) SSL_CTX_ctrl = nullptr;
  decltype(&::SSL_ctrl) SSL_ctrl = nullptr;
  decltype(&::SSL_set1_host) SSL_set1_host = nullptr;
  decltype(&::SSL_get_verify_result) SSL_get_verify_result = nullptr;
  decltype(&::SSL_has_pending) SSL_has_pending = nullptr;
  decltype(&::SSL_CTX_set_default_read_buffer_len) SSL_CTX_set_default_read_buffer_len = nullptr;
  decltype(&::X509_STORE_CTX_get_ex_data) X509_STORE_CTX_get_ex_data = nullptr;
  decltype(&::X509_getm_notBefore) X509_getm_notBefore = nullptr;
  decltype(&::X509_getm_notAfter) X509_getm_notAfter = nullptr;
  decltype(&::X509_NAME_hash_ex) X509_NAME_hash_ex = nullptr;
  decltype(&::X509_verify_cert_error_string) X509_verify_cert_error_string = nullptr;
  decltype(&::ERR_clear_error) ERR_clear_error = nullptr;
  decltype(&::ERR_get_error) ERR_get_error = nullptr;
  decltype(&::ERR_reason_error_string) ERR_reason_error_string = nullptr;
  decltype(&::RAND_poll) RAND_poll = nullptr;
  void (*DES_set_odd_parity)(DesBlock* key) = nullptr;
  int (*DES_set_key)(DesBlock* key, void* schedule) = nullptr;
  void (*DES_ecb_encrypt)(DesBlock* input, DesBlock* output, void* schedule, int encrypt) = nullptr;
};

// The resolved entry points; all null while the libraries are not loaded.
extern Entries OpenSSL;

// The library files to load: "libssl.so.3" and "libcrypto.so.3" unless
// changed (tests name files that do not exist to see a missing library).
void SetLibraryFileNames(const std::string& sslFile, const std::string& cryptoFile);

// Loads both files once and resolves every entry; true only when every
// required entry resolved. Later calls answer the first load's outcome.
bool LoadTLSLibraries();
// Frees both files and forgets every entry; the next context loads again.
// Only while no context exists (tests that change the file names).
void UnloadTLSLibraries();
// Loads and starts the library: error strings, then the library's own start.
bool InitTLSLibrary();

// Number of contexts created since the libraries were loaded.
extern std::atomic<int32_t> TLSLibraryUsers;
// The library may call back from any thread that runs a handshake.
extern std::mutex PasswordLock;
extern std::mutex InfoLock;
extern std::mutex VerifyLock;

}  // namespace tls
