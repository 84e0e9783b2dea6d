#pragma once
// The cipher a TLS link currently uses, read from the link's native handle.

#include <cstdint>
#include <string>

class TIdSSLSocket;

class TIdSSLCipher {
public:
  explicit TIdSSLCipher(TIdSSLSocket& link) : Link(link) {}
  std::string Name() const;
  std::string Description() const;
  int32_t Bits() const;
  std::string Version() const;

private:
  TIdSSLSocket& Link;
};
