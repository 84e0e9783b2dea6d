#pragma once
// A certificate handed to OnVerifyPeer while the library verifies a peer: a
// view of the library's certificate (not owned, valid during the callback)
// with its subject and issuer names.

#include <memory>
#include <string>

#include "net/transport/tls/openssl_entries.h"

class TIdX509Name {
public:
  explicit TIdX509Name(X509_NAME* name) : Name(name) {}
  // The name in the library's one-line form, "/C=../CN=..".
  std::string OneLine() const;
  // The library's hash of the name, 0 when the library offers none.
  unsigned long Hash() const;

private:
  X509_NAME* Name;
};

class TIdX509 {
public:
  explicit TIdX509(X509* certificate) : Certificate(certificate) {}
  TIdX509Name& Subject();
  TIdX509Name& Issuer();
  // The MD5 fingerprint as colon-separated upper-case hex pairs; empty when
  // the library offers no digest.
  std::string Fingerprint() const;

private:
  X509* Certificate;
  std::unique_ptr<TIdX509Name> FSubject;
  std::unique_ptr<TIdX509Name> FIssuer;
};
