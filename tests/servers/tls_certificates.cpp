#include "tests/servers/tls_certificates.h"

#include <unistd.h>

#include <cstdlib>

#include "tests/servers/peer_error.h"

namespace {
constexpr const char* OpensslProgram = "/usr/bin/openssl";
constexpr const char* EcKey = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
}  // namespace

const TlsCertificates& TlsCertificates::Shared() {
  static const TlsCertificates certificates;
  return certificates;
}

TlsCertificates::TlsCertificates() {
  if (::access(OpensslProgram, X_OK) != 0)
    throw PeerError("openssl is not installed; install the Debian package openssl (scripts/install-deps does)");
  Folder.WriteFile("good.ext", "subjectAltName=DNS:localhost,IP:127.0.0.1\n");
  Folder.WriteFile("wrong.ext", "subjectAltName=DNS:other.invalid\n");
  Run(std::string("req -x509 ") + EcKey + " -keyout ca.key -out ca.pem -subj '/CN=Quillfen Test CA' -days 3650" +
      " -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign");
  Run(std::string("req -new ") + EcKey + " -keyout server.key -out server.csr -subj /CN=localhost");
  const std::string sign = "x509 -req -in server.csr -CA ca.pem -CAkey ca.key ";
  Run(sign + "-set_serial 2 -days 365 -extfile good.ext -out server.pem");
  Run(sign + "-set_serial 3 -days 365 -extfile wrong.ext -out wrong-host.pem");
  // A validity that ends a day before it starts: expired from the start.
  Run(sign + "-set_serial 4 -days -1 -extfile good.ext -out expired.pem");
  Run(std::string("pkey -in server.key -aes256 -passout pass:") + KeyPassword + " -out encrypted.key");
}

void TlsCertificates::Run(const std::string& arguments) const {
  const std::string command =
      "cd '" + Folder.Path() + "' && " + OpensslProgram + " " + arguments + " >>openssl.log 2>&1";
  if (std::system(command.c_str()) != 0)
    throw PeerError("openssl " + arguments + " failed:\n" + Folder.ReadFile("openssl.log"));
}

std::string TlsCertificates::NginxTlsServer(const std::string& certFile, const std::string& serverConfig) const {
  return "  server {\n"
         "    listen 127.0.0.1:@PORT1@ ssl;\n"
         "    server_name localhost;\n"
         "    root @ROOT@;\n"
         "    ssl_certificate " +
         certFile +
         ";\n"
         "    ssl_certificate_key " +
         ServerKeyFile() +
         ";\n"
         "    " +
         serverConfig + "  }\n";
}
