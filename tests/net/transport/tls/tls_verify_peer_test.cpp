// A caller's own verification: VerifyMode with sslvrfPeer and an OnVerifyPeer
// handler that sees every certificate of the server's chain. The handler can
// refuse but never overrule the library, nor a chain deeper than VerifyDepth.
// The certificates it gets show their names and fingerprints.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "net/transport/tls/tls_exceptions.h"
#include "tests/net/transport/tls/tls_client.h"
#include "tests/servers/openssl_server.h"
#include "tests/servers/tls_certificates.h"

namespace {

const TlsCertificates& certs() { return TlsCertificates::Shared(); }

// "AB:CD:..." as the openssl command line prints a certificate's MD5.
std::string commandLineFingerprint(const std::string& certFile) {
  FILE* pipe = ::popen(("openssl x509 -noout -fingerprint -md5 -in '" + certFile + "'").c_str(), "r");
  char line[256] = {};
  const bool read = pipe && std::fgets(line, sizeof line, pipe);
  if (pipe) ::pclose(pipe);
  const std::string text = read ? line : "";
  return text.substr(text.find('=') + 1, text.find_last_not_of("\r\n") - text.find('='));
}

struct HandlerCase {
  const char* what;
  int32_t verifyDepth;
  bool trustTestCa;
  // What the handler answers; "throw" raises inside the handler.
  std::string answer;
  bool connects;
};

const HandlerCase kHandlerCases[] = {
    {"handler accepts the chain", 1, true, "yes", true},
    {"handler refuses", 1, true, "no", false},
    {"handler raises", 1, true, "throw", false},
    {"chain deeper than VerifyDepth", 0, true, "yes", false},
    {"library refuses an untrusted chain", 1, false, "yes", false},
};

TEST(TlsVerifyPeer, HandlerJudgesTheChainWithinTheLibrarysVerdict) {
  OpensslServer server(certs().ServerCertFile(), certs().ServerKeyFile(), {"-rev"});
  for (const HandlerCase& c : kHandlerCases) {
    SCOPED_TRACE(c.what);
    TlsClient tls("localhost", server.Port(), c.trustTestCa ? certs().CaFile() : "");
    tls.Transport.SSLOptions().SetVerifyMode({sslvrfPeer});
    tls.Transport.SSLOptions().VerifyDepth = c.verifyDepth;
    std::vector<std::string> subjects;
    std::string leafFingerprint;
    tls.Transport.OnVerifyPeer = [&](TIdX509* certificate) {
      subjects.push_back(certificate->Subject().OneLine() + " by " + certificate->Issuer().OneLine());
      leafFingerprint = certificate->Fingerprint();
      EXPECT_NE(certificate->Subject().Hash(), 0u);
      if (c.answer == "throw") throw Exception("handler failed");
      return c.answer == "yes";
    };
    if (c.connects) {
      tls.Client.OpenConnection();
      tls.Client.WriteLine("chain");
      EXPECT_EQ(tls.Client.ReadLine(), "niahc");
      EXPECT_EQ(subjects, (std::vector<std::string>{"/CN=Quillfen Test CA by /CN=Quillfen Test CA",
                                                    "/CN=localhost by /CN=Quillfen Test CA"}));
      EXPECT_EQ(leafFingerprint, commandLineFingerprint(certs().ServerCertFile()));
    } else {
      EXPECT_THROW(tls.Client.OpenConnection(), EIdOSSLConnectError);
      EXPECT_FALSE(subjects.empty());
      EXPECT_FALSE(tls.Client.IsConnected());
    }
  }
}

}  // namespace
