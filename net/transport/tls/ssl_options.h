#pragma once
// The settings of a TLS transport or TLS server handler: certificate and key
// files, protocol method, role, peer verification and cipher list. A new
// object holds zero values throughout.

#include <cstdint>
#include <initializer_list>
#include <string>

enum TIdSSLVersion : int32_t { sslvSSLv2, sslvSSLv23, sslvSSLv3, sslvTLSv1 };
enum TIdSSLMode : int32_t { sslmUnassigned, sslmClient, sslmServer, sslmBoth };
enum TIdSSLVerifyMode : int32_t { sslvrfPeer, sslvrfFailIfNoPeerCert, sslvrfClientOnce };

class TIdSSLVerifyModeSet {
public:
  TIdSSLVerifyModeSet() = default;
  TIdSSLVerifyModeSet(std::initializer_list<TIdSSLVerifyMode> modes);
  bool Contains(TIdSSLVerifyMode mode) const { return (Bits & bitOf(mode)) != 0; }
  bool Empty() const { return Bits == 0; }
  bool operator==(const TIdSSLVerifyModeSet&) const = default;

private:
  static uint8_t bitOf(TIdSSLVerifyMode mode) { return static_cast<uint8_t>(1u << mode); }
  uint8_t Bits = 0;
};

class TIdSSLOptions {
public:
  // Copies the nine settings (and whether VerifyMode was chosen).
  void Assign(const TIdSSLOptions& source) { *this = source; }

  // Whether VerifyMode was ever set: a client that chose nothing verifies the
  // server against the system's trust store and checks its host name.
  const TIdSSLVerifyModeSet& VerifyMode() const { return FVerifyMode; }
  void SetVerifyMode(const TIdSSLVerifyModeSet& value);
  bool VerifyModeAssigned() const { return FVerifyModeAssigned; }

  std::string RootCertFile;
  std::string CertFile;
  std::string KeyFile;
  TIdSSLVersion Method = sslvSSLv2;
  TIdSSLMode Mode = sslmUnassigned;
  int32_t VerifyDepth = 0;
  // Stored only; the library is not given it.
  std::string VerifyDirs;
  std::string CipherList;

private:
  TIdSSLVerifyModeSet FVerifyMode;
  bool FVerifyModeAssigned = false;
};
