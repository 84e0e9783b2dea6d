#pragma once
// The response an HTTP client reads: the response header record plus the
// status line, the keep-alive decision and the stream the body goes to.

#include <cstdint>
#include <string>

#include "net/http/header_info.h"

class TIdCustomHTTP;
class TStream;

enum TIdHTTPProtocolVersion { pv1_0, pv1_1 };

// "1.0" and "1.1": the request line and the reading of a status line share them.
const char* ProtocolVersionText(TIdHTTPProtocolVersion version);

class TIdHTTPResponse : public TIdResponseHeaderInfo {
public:
  explicit TIdHTTPResponse(TIdCustomHTTP* client) : Client(client) {}
  const char* ClassName() const override { return "TIdHTTPResponse"; }

  // The code after the version in StatusLine; -1 when there is none.
  int32_t StatusCode();
  // Whether the connection may carry the next request. Decided by the
  // client's own protocol version and the Connection lines; false once the
  // connection has closed, and false after a body framed both by chunks and
  // by a length, since the two readings of it disagree.
  bool StaysOpen();
  // The Transfer-Encoding names chunked (in any letter case).
  bool Chunked() const;

  TIdCustomHTTP* Client;
  std::string StatusLine;
  // Where the body goes; none reads no body at all. Not owned.
  TStream* BodyStream = nullptr;
  TIdHTTPProtocolVersion ServerVersion = pv1_0;
};
