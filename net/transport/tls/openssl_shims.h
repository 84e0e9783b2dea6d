#pragma once
// Our own versions of the entry points OpenSSL 3 no longer exports, written
// over the current calls of the entry table. Each stands in for the name it
// carries only when the library does not export that name.

#include "net/transport/tls/openssl_entries.h"

namespace tls::shims {

void SSL_load_error_strings();
int SSL_library_init();
X509* SSL_get_peer_certificate(const SSL* ssl);

// The historic fixed-version methods are broken protocols that current
// OpenSSL refuses; each stands for the version-flexible method of its role.
const SSL_METHOD* SSLv2_method();
const SSL_METHOD* SSLv2_server_method();
const SSL_METHOD* SSLv2_client_method();
const SSL_METHOD* SSLv3_method();
const SSL_METHOD* SSLv3_server_method();
const SSL_METHOD* SSLv3_client_method();
const SSL_METHOD* SSLv23_method();
const SSL_METHOD* SSLv23_server_method();
const SSL_METHOD* SSLv23_client_method();

void SSL_CTX_set_info_callback_vexa(SSL_CTX* context, InfoCallbackFunction callback);
SSL* X509_STORE_CTX_get_app_data_vexa(X509_STORE_CTX* store);
const unsigned char* SSL_SESSION_get_id_vexa(const SSL_SESSION* session, unsigned int* length);
const unsigned char* SSL_SESSION_get_id_ctx_vexa(const SSL_SESSION* session, unsigned int* length);
int SSL_CTX_get_version_vexa(SSL_CTX* context);
long SSL_CTX_set_options_vexa(SSL_CTX* context, long options);
ASN1_TIME* X509_get_notBefore_vexa(X509* certificate);
ASN1_TIME* X509_get_notAfter_vexa(X509* certificate);

unsigned long X509_NAME_hash(X509_NAME* name);
void des_set_odd_parity(DesBlock* key);
int des_set_key(DesBlock* key, void* schedule);
void des_ecb_encrypt(DesBlock* input, DesBlock* output, void* schedule, int encrypt);
void RAND_screen();

}  // namespace tls::shims
