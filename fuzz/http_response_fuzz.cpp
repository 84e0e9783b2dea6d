// Any bytes as a server's answers: the client reads status lines, header
// blocks and counted, chunked and until-close bodies from them, follows
// redirects and challenges, and never reads outside its buffers, never
// hangs, never hands the caller more body than the server sent, and never
// lets a server's text (a Location, a cookie) put a CR, LF or NUL of its own
// into a later request.
//
// The first byte chooses the client's settings; the rest, cut at each
// "\n\n\n", are the replies of one connection (then a second connection
// plays them again), ending in a close or in silence.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "net/http/http_client.h"
#include "platform/streams.h"
#include "tests/net/http/memory_transport.h"

namespace {
// Every line the client wrote ends in CR LF, and no NUL is among them.
bool linesAreWhole(const std::string& sent) {
  for (size_t i = 0; i < sent.size(); ++i) {
    if (sent[i] == '\0') return false;
    if (sent[i] == '\r' && (i + 1 == sent.size() || sent[i + 1] != '\n')) return false;
    if (sent[i] == '\n' && (i == 0 || sent[i - 1] != '\r')) return false;
  }
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t settings = data[0];
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::vector<ScriptedReply> replies;
  for (size_t start = 0;;) {
    const size_t cut = bytes.find("\n\n\n", start);
    replies.emplace_back(bytes.substr(start, cut == std::string::npos ? std::string::npos : cut - start));
    if (cut == std::string::npos) break;
    start = cut + 3;
  }

  TMemoryTransport transport;
  const auto end = settings & 1 ? ScriptedConnection::FallsSilent : ScriptedConnection::Closes;
  transport.Script(replies, end);
  transport.Script(replies, end);
  TIdHTTP http;
  http.SetIOHandler(&transport);
  http.ProtocolVersion = settings & 2 ? pv1_0 : pv1_1;
  http.HandleRedirects = settings & 4;
  http.HTTPOptions = settings & 8 ? TIdHTTPOptions{hoInProcessAuth} : TIdHTTPOptions{};
  http.RecvBufferSize = settings & 16 ? 7 : 1024;
  http.MaxLineAction = settings & 32 ? maSplit : maException;
  if (settings & 64) {
    http.OnAuthorization = [](TIdCustomHTTP*, TIdAuthentication* authentication, bool& handled) {
      authentication->SetUsername("user");
      handled = true;
    };
  }
  try {
    if (settings & 128) {
      const std::string page = http.GetAsText("http://site.example/page");
      fuzzCheck(page.size() <= bytes.size() * 2, "no more text than the server sent", bytes);
    } else {
      TMemoryStream body;
      http.GetIntoStream("http://site.example/video", body);
      fuzzCheck(body.GetSize() <= static_cast<int64_t>(bytes.size()) * 2, "no more body than the server sent", bytes);
    }
  } catch (const Exception&) {
  }
  for (const ScriptedConnection& connection : transport.Connections)
    fuzzCheck(linesAreWhole(connection.Sent), "no CR, LF or NUL of the server's inside a request line", bytes);
  return 0;
}
