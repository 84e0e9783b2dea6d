#pragma once
// A transport that plays scripted server connections from memory and records
// what the client sends, so the whole HTTP exchange runs without a socket.
// Each connect starts the next scripted connection. A connection's replies
// are released one per request head the client has sent, as a server would
// answer; a reply may come in pieces, and one receive never takes bytes of
// two pieces. After the last reply the server either closes or falls silent
// (every wait for more bytes then times out at once).

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>
#include <type_traits>
#include <vector>

#include "net/transport/exceptions.h"
#include "net/transport/io_handler.h"
#include "net/transport/tls/ssl_io_handler.h"

struct ScriptedReply {
  ScriptedReply(std::string bytes) : Pieces{std::move(bytes)} {}
  ScriptedReply(const char* bytes) : Pieces{bytes} {}
  std::vector<std::string> Pieces;
};

inline ScriptedReply InPieces(std::vector<std::string> pieces) {
  ScriptedReply reply("");
  reply.Pieces = std::move(pieces);
  return reply;
}

struct ScriptedConnection {
  enum TEnd { Closes, FallsSilent };
  std::vector<ScriptedReply> Replies;
  TEnd End = Closes;
  // Filled in as the client connects and sends.
  std::string Host;
  int32_t Port = 0;
  // The SOCKS proxy the transport was set to go through ("socks5 h:1080").
  std::string Socks;
  std::string Sent;
};

template <class TBase>
class TMemoryTransportOf : public TBase {
public:
  void Script(std::vector<ScriptedReply> replies, ScriptedConnection::TEnd end = ScriptedConnection::Closes) {
    ScriptedConnection connection;
    connection.Replies = std::move(replies);
    connection.End = end;
    Connections.push_back(std::move(connection));
  }

  // Forgets every connection, played or not.
  void Reset() {
    Connections.clear();
    Waits.clear();
    Current = -1;
    Open = false;
  }

  std::vector<ScriptedConnection> Connections;
  // The time-out of every wait, in order.
  std::vector<int32_t> Waits;

  void OpenHandler() override {}
  void CloseHandler() override { Open = false; }
  void ConnectTo(const std::string& host, int32_t port, const std::string&, int32_t, int32_t, int32_t,
                 int32_t) override {
    if (++Current >= static_cast<int>(Connections.size())) throw EIdConnectException("no scripted connection left");
    Connections[Current].Host = host;
    Connections[Current].Port = port;
    if constexpr (std::is_base_of_v<TIdIOHandlerSocket, TBase>) {
      static const char* const versions[] = {"", "socks4", "socks4a", "socks5"};
      const TIdSocksInfo& socks = *this->SocksInfo();
      if (socks.Version != svNoSocks)
        Connections[Current].Socks =
            std::string(versions[socks.Version]) + " " + socks.Host + ":" + std::to_string(socks.Port);
    }
    Open = true;
    RepliesReleased = 0;
    Released.clear();
  }
  bool HandlerConnected() override { return Open; }
  bool WaitReadable(int32_t timeout) override {
    Waits.push_back(timeout);
    release();
    return !Released.empty() || closesNow();
  }
  int32_t ReceiveSome(void* buffer, int32_t length) override {
    release();
    if (Released.empty()) return 0;
    std::string& piece = Released.front();
    const size_t count = std::min(static_cast<size_t>(length), piece.size());
    std::memcpy(buffer, piece.data(), count);
    piece.erase(0, count);
    if (piece.empty()) Released.pop_front();
    return static_cast<int32_t>(count);
  }
  int32_t SendSome(const void* buffer, int32_t length) override {
    connection().Sent.append(static_cast<const char*>(buffer), static_cast<size_t>(length));
    return length;
  }

private:
  ScriptedConnection& connection() { return Connections[Current]; }
  size_t requestsSent() {
    size_t heads = 0;
    for (size_t at = connection().Sent.find("\r\n\r\n"); at != std::string::npos;
         at = connection().Sent.find("\r\n\r\n", at + 4))
      ++heads;
    return heads;
  }
  void release() {
    const size_t due = std::min(requestsSent(), connection().Replies.size());
    for (; RepliesReleased < due; ++RepliesReleased)
      for (const std::string& piece : connection().Replies[RepliesReleased].Pieces)
        if (!piece.empty()) Released.push_back(piece);
  }
  bool closesNow() {
    return connection().End == ScriptedConnection::Closes && RepliesReleased == connection().Replies.size();
  }

  int Current = -1;
  bool Open = false;
  std::deque<std::string> Released;
  size_t RepliesReleased = 0;
};

using TMemoryTransport = TMemoryTransportOf<TIdIOHandler>;
// Passes the exchange's test for a TLS transport; PlainMode tells which way
// the exchange switched it.
using TMemoryTlsTransport = TMemoryTransportOf<TIdSSLIOHandlerSocket>;
