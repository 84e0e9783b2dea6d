#include "net/transport/tls/x509.h"

#include <fmt/core.h>

using tls::OpenSSL;

namespace {
constexpr int OneLineSize = 1024;
}

std::string TIdX509Name::OneLine() const {
  char text[OneLineSize] = {};
  OpenSSL.X509_NAME_oneline(Name, text, OneLineSize);
  return text;
}

unsigned long TIdX509Name::Hash() const { return OpenSSL.X509_NAME_hash ? OpenSSL.X509_NAME_hash(Name) : 0; }

TIdX509Name& TIdX509::Subject() {
  if (!FSubject) FSubject = std::make_unique<TIdX509Name>(OpenSSL.X509_get_subject_name(Certificate));
  return *FSubject;
}

TIdX509Name& TIdX509::Issuer() {
  if (!FIssuer) FIssuer = std::make_unique<TIdX509Name>(OpenSSL.X509_get_issuer_name(Certificate));
  return *FIssuer;
}

std::string TIdX509::Fingerprint() const {
  if (!OpenSSL.X509_digest || !OpenSSL.EVP_md5) return "";
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (OpenSSL.X509_digest(Certificate, OpenSSL.EVP_md5(), digest, &length) <= 0) return "";
  std::string text;
  for (unsigned int i = 0; i < length; ++i) {
    if (i > 0) text += ':';
    text += fmt::format("{:02X}", digest[i]);
  }
  return text;
}
