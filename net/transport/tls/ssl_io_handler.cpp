#include "net/transport/tls/ssl_io_handler.h"

void TIdSSLIOHandlerSocket::SetPlainMode(bool value) { FPlainMode = value; }
