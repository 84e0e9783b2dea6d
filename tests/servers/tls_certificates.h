#pragma once
// A private test CA and the certificates the TLS tests need, made with the
// openssl command line in a temporary folder: a server certificate for
// localhost and 127.0.0.1, one for another name, an expired one, and the
// server key also in an encrypted copy. Made once per test program.

#include <string>

#include "tests/servers/temp_folder.h"

class TlsCertificates {
public:
  static constexpr const char* KeyPassword = "quill-secret";

  // The one set of this test program, made on first use.
  static const TlsCertificates& Shared();

  std::string CaFile() const { return Folder.File("ca.pem"); }
  std::string ServerCertFile() const { return Folder.File("server.pem"); }
  std::string ServerKeyFile() const { return Folder.File("server.key"); }
  // The server key encrypted with KeyPassword.
  std::string EncryptedKeyFile() const { return Folder.File("encrypted.key"); }
  // Signed by the CA for "other.invalid" only.
  std::string WrongHostCertFile() const { return Folder.File("wrong-host.pem"); }
  // Signed by the CA, valid until a day before it was made.
  std::string ExpiredCertFile() const { return Folder.File("expired.pem"); }

  // An nginx server block listening with TLS on the site's first extra port
  // (@PORT1@) for localhost, serving the same documents with certFile and the
  // server key; serverConfig goes inside the block.
  std::string NginxTlsServer(const std::string& certFile, const std::string& serverConfig = "") const;

private:
  TlsCertificates();
  void Run(const std::string& arguments) const;

  TempFolder Folder;
};
