#include "net/http/http_protocol.h"

#include <cctype>
#include <cstdint>

#include <fmt/core.h>

#include "net/http/body_streams.h"
#include "net/http/client_limits.h"
#include "net/http/http_client.h"
#include "net/http/http_client_exceptions.h"
#include "net/http/messages.h"
#include "net/http/text_helpers.h"
#include "net/transport/messages.h"
#include "platform/streams.h"

namespace {
// Read time-out while an error page is read for the protocol exception.
constexpr int32_t ErrorPageTimeout = 2000;

// A page kept in memory refuses an announced size past its limit before a
// byte of it is read.
void checkRoom(TStream& stream, int64_t count) {
  if (auto* page = dynamic_cast<TBoundedStringStream*>(&stream)) page->CheckRoom(stream.GetPosition() + count);
}

int hexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

TIdHTTPProtocol::TIdHTTPProtocol(TIdCustomHTTP* client)
    : Client(client),
      Request(std::make_unique<TIdHTTPRequest>(client)),
      Response(std::make_unique<TIdHTTPResponse>(client)) {}

void TIdHTTPProtocol::ReadStatusLine() { Response->StatusLine = Client->ReadLine(); }

void TIdHTTPProtocol::ReadHeaderBlock() {
  TIdHeaderList& lines = Response->HeaderLines;
  lines.Clear();
  int64_t bytes = 0;
  for (;;) {
    std::string line;
    try {
      line = Client->ReadLine();
    } catch (const EIdConnClosedGracefully&) {
      if (lines.Count() == 0) throw;
      // A server that closes inside the block: decide on the lines read.
      Client->Disconnect();
      break;
    }
    if (line.empty()) break;
    bytes += static_cast<int64_t>(line.size());
    if (lines.Count() >= client_limits::MaxHeaderLines || bytes > client_limits::MaxHeaderBytes) {
      // The rest of the block is unread: the connection is out of step.
      Client->Disconnect();
      if (lines.Count() >= client_limits::MaxHeaderLines)
        throw EIdHTTPResponseTooLarge(
            fmt::format(http_messages::HeaderBlockTooManyLines, client_limits::MaxHeaderLines));
      throw EIdHTTPResponseTooLarge(fmt::format(http_messages::HeaderBlockTooLarge, client_limits::MaxHeaderBytes));
    }
    lines.Add(line);
  }
  Response->ParseHeaders();
  if (!Response->ConflictingLengths.empty()) {
    // Either length could be the real one: the rest of the connection is
    // out of step whichever is taken.
    Client->Disconnect();
    throw EIdHTTPFramingError(fmt::format(http_messages::ConflictingContentLengths, Response->ConflictingLengths));
  }
}

void TIdHTTPProtocol::ReadBody() { readBody(CutShortIsError); }

void TIdHTTPProtocol::readBody(TCutShort cutShort) {
  if (!Response->BodyStream) return;
  // Chunks win over a length: a body framed both ways is read as the chunks
  // say, or the chunk lines would land in the saved file.
  if (Response->Chunked()) {
    readChunkedBody();
  } else if (Response->ContentLength() > 0) {
    readCountedBody(Response->ContentLength(), cutShort);
  } else if (!Response->LengthGiven) {
    Client->ReadToStream(*Response->BodyStream, -1, true);
  }
}

void TIdHTTPProtocol::readCountedBody(int64_t length, TCutShort cutShort) {
  TStream& stream = *Response->BodyStream;
  const int64_t start = stream.GetPosition();
  checkRoom(stream, length);
  const uint32_t closesAtStart = Client->LocalCloses();
  try {
    Client->ReadToStream(stream, length);
  } catch (const EIdConnClosedGracefully&) {
    if (cutShort == CutShortIsError) throw;
    return;
  }
  // The read also ends quietly when the connection had closed before it
  // began; only the program's own close may leave a body incomplete.
  if (cutShort == CutShortIsError && Client->LocalCloses() == closesAtStart && stream.GetPosition() - start < length)
    throw EIdConnClosedGracefully(transport_messages::ConnectionClosedGracefully);
}

void TIdHTTPProtocol::readChunkedBody() {
  Client->ReportStatus(hsStatusText, http_messages::ChunkStarted);
  for (int64_t size = readChunkSize(); size > 0; size = readChunkSize()) {
    checkRoom(*Response->BodyStream, size);
    Client->ReadToStream(*Response->BodyStream, size);
    Client->ReadLine();
  }
  // Trailer lines up to the empty line, so a kept connection stays in step.
  for (int32_t lines = 0; !Client->ReadLine().empty(); ++lines) {
    if (lines >= client_limits::MaxHeaderLines) {
      Client->Disconnect();
      throw EIdHTTPResponseTooLarge(fmt::format(http_messages::HeaderBlockTooManyLines, client_limits::MaxHeaderLines));
    }
  }
}

// The hexadecimal digits up to the first other character: an extension
// follows with or without a blank. No digits at all read as 0.
int64_t TIdHTTPProtocol::readChunkSize() {
  const std::string line = Client->ReadLine();
  const int64_t room = INT64_MAX - Response->BodyStream->GetPosition();
  int64_t size = 0;
  for (char c : line) {
    const int digit = hexDigitValue(c);
    if (digit < 0) break;
    if (size > (room - digit) / 16) {
      Client->Disconnect();
      throw EIdHTTPResponseTooLarge(fmt::format(http_messages::ChunkSizeTooLarge, line));
    }
    size = size * 16 + digit;
  }
  return size;
}

template <class TRead>
void TIdHTTPProtocol::readInto(TStream& stream, TRead read) {
  TStream* previous = Response->BodyStream;
  Response->BodyStream = &stream;
  try {
    read();
  } catch (...) {
    Response->BodyStream = previous;
    throw;
  }
  Response->BodyStream = previous;
}

void TIdHTTPProtocol::DiscardBody() {
  TDiscardStream nothing;
  readInto(nothing, [this] { readBody(CutShortIsKept); });
}

void TIdHTTPProtocol::RaiseProtocolError(const std::string& message) {
  const int32_t readTimeout = Client->ReadTimeout;
  Client->ReadTimeout = ErrorPageTimeout;
  TBoundedStringStream page(client_limits::MaxTextBody);
  try {
    readInto(page, [this] { readBody(CutShortIsKept); });
  } catch (...) {
    Client->ReadTimeout = readTimeout;
    throw;
  }
  Client->ReadTimeout = readTimeout;
  throw EIdHTTPProtocolException(Response->StatusCode(), message.empty() ? Response->StatusLine : message,
                                 page.DataString());
}
