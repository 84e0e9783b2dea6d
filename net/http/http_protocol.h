#pragma once
// One request and its response over a client's connection: the client has
// one for its calls, and a proxy tunnel makes a second, temporary one. The
// response reading lives here: status line, header block, bodies (counted,
// chunked, until the server closes) and the protocol error with its page.

#include <memory>
#include <string>

#include "net/http/http_request.h"
#include "net/http/http_response.h"

class TIdCustomHTTP;

class TIdHTTPProtocol {
public:
  explicit TIdHTTPProtocol(TIdCustomHTTP* client);

  // Reads the status line into the response; an empty line leaves it empty.
  void ReadStatusLine();
  // Reads header lines up to the empty line and parses them. A peer that
  // closes after the first line ends the block with the lines read so far.
  void ReadHeaderBlock();
  // Reads the body into the response's BodyStream (none reads nothing). A
  // counted body the server cuts short is an error; one cut short by the
  // program's own close (the Stop button) keeps what arrived.
  void ReadBody();
  // Reads the body into a stream that keeps nothing, so the connection
  // stays in step.
  void DiscardBody();
  // Raises EIdHTTPProtocolException with the status code, the status line
  // (or the given message) and the error page read for at most 2 seconds of
  // silence.
  [[noreturn]] void RaiseProtocolError(const std::string& message = "");

  TIdCustomHTTP* Client;
  std::unique_ptr<TIdHTTPRequest> Request;
  std::unique_ptr<TIdHTTPResponse> Response;

private:
  // Pages that are only read past or shown in an error may be cut short.
  enum TCutShort { CutShortIsError, CutShortIsKept };
  void readBody(TCutShort cutShort);
  void readCountedBody(int64_t length, TCutShort cutShort);
  void readChunkedBody();
  int64_t readChunkSize();
  // Runs read with another stream in place of BodyStream.
  template <class TRead>
  void readInto(TStream& stream, TRead read);
};
