#include "net/transport/tls/openssl_shims.h"

namespace tls::shims {

void SSL_load_error_strings() {
  OpenSSL.OPENSSL_init_ssl(OPENSSL_INIT_LOAD_SSL_STRINGS | OPENSSL_INIT_LOAD_CRYPTO_STRINGS, nullptr);
}

int SSL_library_init() { return OpenSSL.OPENSSL_init_ssl(0, nullptr); }

X509* SSL_get_peer_certificate(const SSL* ssl) { return OpenSSL.SSL_get1_peer_certificate(ssl); }

const SSL_METHOD* SSLv2_method() { return OpenSSL.TLS_method(); }
const SSL_METHOD* SSLv2_server_method() { return OpenSSL.TLS_server_method(); }
const SSL_METHOD* SSLv2_client_method() { return OpenSSL.TLS_client_method(); }
const SSL_METHOD* SSLv3_method() { return OpenSSL.TLS_method(); }
const SSL_METHOD* SSLv3_server_method() { return OpenSSL.TLS_server_method(); }
const SSL_METHOD* SSLv3_client_method() { return OpenSSL.TLS_client_method(); }
const SSL_METHOD* SSLv23_method() { return OpenSSL.TLS_method(); }
const SSL_METHOD* SSLv23_server_method() { return OpenSSL.TLS_server_method(); }
const SSL_METHOD* SSLv23_client_method() { return OpenSSL.TLS_client_method(); }

void SSL_CTX_set_info_callback_vexa(SSL_CTX* context, InfoCallbackFunction callback) {
  OpenSSL.SSL_CTX_set_info_callback(context, callback);
}

SSL* X509_STORE_CTX_get_app_data_vexa(X509_STORE_CTX* store) {
  return static_cast<SSL*>(OpenSSL.X509_STORE_CTX_get_ex_data(store, OpenSSL.SSL_get_ex_data_X509_STORE_CTX_idx()));
}

const unsigned char* SSL_SESSION_get_id_vexa(const SSL_SESSION* session, unsigned int* length) {
  return OpenSSL.SSL_SESSION_get_id(session, length);
}

const unsigned char* SSL_SESSION_get_id_ctx_vexa(const SSL_SESSION* session, unsigned int* length) {
  return OpenSSL.SSL_SESSION_get0_id_context(session, length);
}

// A context has no version accessor of its own; a handle made from it starts
// with the version of the context's method.
int SSL_CTX_get_version_vexa(SSL_CTX* context) {
  SSL* ssl = OpenSSL.SSL_new(context);
  if (!ssl) return 0;
  const int version = OpenSSL.SSL_version(ssl);
  OpenSSL.SSL_free(ssl);
  return version;
}

long SSL_CTX_set_options_vexa(SSL_CTX* context, long options) {
  return static_cast<long>(OpenSSL.SSL_CTX_set_options(context, static_cast<uint64_t>(options)));
}

ASN1_TIME* X509_get_notBefore_vexa(X509* certificate) { return OpenSSL.X509_getm_notBefore(certificate); }
ASN1_TIME* X509_get_notAfter_vexa(X509* certificate) { return OpenSSL.X509_getm_notAfter(certificate); }

unsigned long X509_NAME_hash(X509_NAME* name) { return OpenSSL.X509_NAME_hash_ex(name, nullptr, nullptr, nullptr); }

void des_set_odd_parity(DesBlock* key) { OpenSSL.DES_set_odd_parity(key); }
int des_set_key(DesBlock* key, void* schedule) { return OpenSSL.DES_set_key(key, schedule); }
void des_ecb_encrypt(DesBlock* input, DesBlock* output, void* schedule, int encrypt) {
  OpenSSL.DES_ecb_encrypt(input, output, schedule, encrypt);
}

void RAND_screen() { OpenSSL.RAND_poll(); }

}  // namespace tls::shims
