#include "net/transport/tls/ssl_options.h"

TIdSSLVerifyModeSet::TIdSSLVerifyModeSet(std::initializer_list<TIdSSLVerifyMode> modes) {
  for (TIdSSLVerifyMode mode : modes) Bits |= bitOf(mode);
}

void TIdSSLOptions::SetVerifyMode(const TIdSSLVerifyModeSet& value) {
  FVerifyMode = value;
  FVerifyModeAssigned = true;
}
