// A caller's own verification: VerifyMode with sslvrfPeer and an OnVerifyPeer
// handler that sees every certificate of the server's chain. The handler can
// refuse but never overrule the library, nor a chain deeper than VerifyDepth.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/transport/tls/tls_exceptions.h"
#include "tests/net/transport/tls/tls_client.h"
#include "tests/servers/openssl_server.h"
#include "tests/servers/tls_certificates.h"

namespace {

const TlsCertificates& certs() { return TlsCertificates::Shared(); }

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
    tls.Transport.OnVerifyPeer = [&](TIdX509* certificate) {
      subjects.push_back(certificate->Subject().OneLine() + " by " + certificate->Issuer().OneLine());
      if (c.answer == "throw") throw Exception("handler failed");
      return c.answer == "yes";
    };
    if (c.connects) {
      tls.Client.OpenConnection();
      tls.Client.WriteLine("chain");
      EXPECT_EQ(tls.Client.ReadLine(), "niahc");
      EXPECT_EQ(subjects, (std::vector<std::string>{"/CN=Quillfen Test CA by /CN=Quillfen Test CA",
                                                    "/CN=localhost by /CN=Quillfen Test CA"}));
    } else {
      EXPECT_THROW(tls.Client.OpenConnection(), EIdOSSLConnectError);
      EXPECT_FALSE(subjects.empty());
      EXPECT_FALSE(tls.Client.IsConnected());
    }
  }
}

// The certificate handed to the handler offers the fingerprint the openssl
// command line shows.
TEST(TlsVerifyPeer, CertificateFingerprintMatchesTheCommandLine) {
  OpensslServer server(certs().ServerCertFile(), certs().ServerKeyFile(), {"-rev"});
  TlsClient tls("localhost", server.Port(), certs().CaFile());
  tls.Transport.SSLOptions().SetVerifyMode({sslvrfPeer});
  tls.Transport.SSLOptions().VerifyDepth = 1;
  std::vector<std::string> fingerprints;
  tls.Transport.OnVerifyPeer = [&](TIdX509* certificate) {
    fingerprints.push_back(certificate->Fingerprint());
    EXPECT_NE(certificate->Subject().Hash(), 0u);
    return true;
  };
  tls.Client.OpenConnection();
  ASSERT_EQ(fingerprints.size(), 2u);
  FILE* pipe = ::popen(("openssl x509 -noout -fingerprint -md5 -in '" + certs().ServerCertFile() + "'").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char line[256] = {};
  ASSERT_NE(std::fgets(line, sizeof line, pipe), nullptr);
  ::pclose(pipe);
  std::string expected(line);
  expected = expected.substr(expected.find('=') + 1);
  expected.erase(expected.find_last_not_of("\r\n") + 1);
  EXPECT_EQ(fingerprints[1], expected);
}

}  // namespace
