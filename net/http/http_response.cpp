#include "net/http/http_response.h"

#include "net/http/http_client.h"
#include "net/http/text_helpers.h"
#include "net/http/tokens.h"
#include "platform/int_parse.h"

const char* ProtocolVersionText(TIdHTTPProtocolVersion version) { return version == pv1_0 ? "1.0" : "1.1"; }

int32_t TIdHTTPResponse::StatusCode() {
  std::string rest = StatusLine;
  TakeToken(rest, " ");
  rest = Trim(rest);
  return StrToIntDef(TakeToken(rest, " "), -1);
}

bool TIdHTTPResponse::Chunked() const {
  return UpperCase(HeaderLines.ValueOf("Transfer-Encoding")).find("CHUNKED") != std::string::npos;
}

bool TIdHTTPResponse::StaysOpen() {
  if (StatusLine.size() >= 8) {
    const std::string version = StatusLine.substr(5, 3);
    if (SameText(version, ProtocolVersionText(pv1_0))) ServerVersion = pv1_0;
    if (SameText(version, ProtocolVersionText(pv1_1))) ServerVersion = pv1_1;
  }
  Client->CheckDisconnected(false, false);
  if (!Client->IsConnected()) return false;
  if (LengthGiven && Chunked()) return false;
  // Decided by the client's own version, whatever the server's says.
  if (Client->ProtocolVersion == pv1_0)
    return SameText(Trim(Connection), "KEEP-ALIVE") || SameText(Trim(ProxyConnection), "KEEP-ALIVE");
  return !SameText(Trim(Connection), "CLOSE") && !SameText(Trim(ProxyConnection), "CLOSE");
}
