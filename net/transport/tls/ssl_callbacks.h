#pragma once
// The three functions the library calls back during context loading and
// handshakes. Each runs under its own lock, because the library may call
// from any thread that runs a handshake, and none lets an exception pass
// into the library.

#include "net/transport/tls/openssl_entries.h"

namespace tls {

// Asks the context's owner for the password of an encrypted key. userData
// is the TIdSSLContext.
int PasswordCallback(char* buffer, int size, int rwflag, void* userData);
// Reports the handshake state to the link's owner.
void InfoCallback(const SSL* ssl, int where, int result);
// Lets the link's owner judge each certificate of the peer's chain.
int VerifyCallback(int preverified, X509_STORE_CTX* store);

}  // namespace tls
