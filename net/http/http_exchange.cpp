// The request loop of the HTTP client: preparing each pass from the address,
// choosing and opening the route, sending the head, reading the response
// head and deciding what comes next (redirect, challenge, body), with the
// cookies taken from and put into every exchange.

#include <fmt/core.h>

#include "net/http/body_streams.h"
#include "net/http/client_limits.h"
#include "net/http/cookies.h"
#include "net/http/http_client.h"
#include "net/http/http_client_exceptions.h"
#include "net/http/messages.h"
#include "net/http/text_helpers.h"
#include "net/http/uri.h"
#include "net/transport/io_handler_socket.h"
#include "net/transport/messages.h"
#include "net/transport/tls/ssl_io_handler.h"
#include "platform/int_parse.h"
#include "platform/streams.h"

namespace {
// Read time-out while the body of a redirect or challenge is read past.
constexpr int32_t DiscardTimeout = 4000;

bool methodNeedsVersion11(TIdHTTPMethod method) {
  return method == hmOptions || method == hmTrace || method == hmPut || method == hmDelete;
}

bool sendsUpload(TIdHTTPMethod method) { return method == hmPost || method == hmPut; }

// The last guard against header injection: a line that would end early or
// be cut on the wire is never sent.
void checkWireLine(const std::string& line) {
  if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
    throw EIdException(http_messages::UnsafeRequestLine);
}

}  // namespace

// Reads past a body that never reaches the caller. A failure there is no
// failure of the call, but the rest of that body is still on its way: the
// connection is out of step and must not carry the next request.
void TIdCustomHTTP::DiscardQuietly(TIdHTTPProtocol& protocol) {
  const int32_t readTimeout = ReadTimeout;
  ReadTimeout = DiscardTimeout;
  try {
    protocol.DiscardBody();
  } catch (const Exception&) {
    Disconnect();
  }
  ReadTimeout = readTimeout;
}

void TIdCustomHTTP::PerformRequest(TIdHTTPMethod method, const std::string& url, TStream* upload, TStream* body) {
  TIdHTTPRequest& request = Request();
  TIdHTTPResponse& response = Response();
  const int64_t bodyStart = body ? body->GetPosition() : 0;
  AuthAttempts = 0;
  ProxyAuthAttempts = 0;
  // Every call gets the whole redirect allowance, also after a failed one.
  RedirectCount = 0;
  AuthorizedHost.clear();
  request.TargetUrl = url;
  request.RequestMethod = method;
  request.UploadStream = upload;
  response.BodyStream = body;
  // The streams are the caller's and may be gone once the call returns.
  const auto finish = [&] {
    if (!response.StaysOpen()) Disconnect();
    request.UploadStream = nullptr;
    response.BodyStream = nullptr;
  };
  try {
    for (bool done = false; !done;) {
      ++RedirectCount;
      AnsweredChallenge = false;
      PrepareRequest(request);
      if (AuthorizedHost.empty()) AuthorizedHost = CurrentUri.Host;
      OpenRoute();
      ReadResponseHead(*Protocol);
      switch (DecideNextAction(*Protocol)) {
        case naJustExit: done = true; break;
        case naGoToUrl:
          if (body) {
            body->SetPosition(bodyStart);
            body->SetSize(bodyStart);
          }
          if (!AnsweredChallenge) {
            AuthAttempts = 0;
            ProxyAuthAttempts = 0;
          }
          break;
        case naAuthRequest:
          // Asked again at the address that was challenged, which after a
          // redirect is not the caller's.
          --RedirectCount;
          request.TargetUrl = CurrentUri.ComposeFull(NoOptionalFields);
          break;
        case naUndefined: throw EIdException(http_messages::UndefinedSituation);
      }
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
  RedirectCount = 0;
}

void TIdCustomHTTP::PrepareRequest(TIdHTTPRequest& request) {
  TIdURI address(request.TargetUrl);
  // Without a scheme an address always continues over plain HTTP. Any other
  // scheme (a redirect to file: or ftp:) is refused before anything changes.
  const std::string protocol = address.Protocol.empty() ? "http" : address.Protocol;
  const bool https = SameText(protocol, "https");
  if (!https && !SameText(protocol, "http"))
    throw EIdUnknownProtocol(fmt::format(http_messages::UnknownProtocol, protocol));
  if (!address.Username.empty()) {
    request.Username = address.Username;
    request.Password = address.Password;
  }
  CurrentUri.Username = request.Username;
  CurrentUri.Password = request.Password;
  // A redirect's Location ends up in the request line: what could end or
  // split that line travels percent-encoded.
  CurrentUri.Path = EncodeRequestTarget(MergePath(CurrentUri.Path, address.Path));
  CurrentUri.Document = EncodeRequestTarget(address.Document);
  CurrentUri.Params = EncodeRequestTarget(address.Params);
  const bool otherHost = !address.Host.empty() && !SameText(address.Host, CurrentUri.Host);
  if (!address.Host.empty()) CurrentUri.Host = address.Host;
  CurrentUri.Protocol = protocol;
  if (!address.Port.empty()) {
    CurrentUri.Port = address.Port;
  } else {
    const int32_t port = StrToIntDef(CurrentUri.Port, 0);
    // A custom port belongs to its host: another host gets the scheme's own.
    if (otherHost || port == 0 || port == 80 || port == 443) CurrentUri.Port = https ? "443" : "80";
  }
  request.TargetUrl = CurrentUri.Path + CurrentUri.Document + CurrentUri.Params;
  if (request.RequestMethod == hmOptions && address.Document == "*") request.TargetUrl = "*";
  if (methodNeedsVersion11(request.RequestMethod) && ProtocolVersion != pv1_1)
    throw EIdException(http_messages::MethodRequiresVersion11);
  if (sendsUpload(request.RequestMethod))
    request.SetContentLength(request.UploadStream ? request.UploadStream->GetSize() : 0);
  else request.SetContentLength(-1);
  request.Host = CurrentUri.Port == "80" ? CurrentUri.Host : CurrentUri.Host + ":" + CurrentUri.Port;
}

TIdHTTPRoute TIdCustomHTTP::ChooseRoute() {
  if (ProxyChooser) ApplyProxyRoute(ProxyChooser->ChooseProxy(CurrentUri));
  auto* tls = dynamic_cast<TIdSSLIOHandlerSocket*>(IOHandler());
  const bool https = SameText(CurrentUri.Protocol, "HTTPS");
  if (ProxyParams.ProxyServer().empty()) {
    const int32_t port = StrToIntDef(CurrentUri.Port, 0);
    if (!SameText(Host(), CurrentUri.Host) || Port() != port) {
      if (IsConnected()) Disconnect();
      SetHost(CurrentUri.Host);
      SetPort(port);
    }
    if (https) {
      if (!tls) throw EIdIOHandlerPropInvalid(transport_messages::IOHandlerPropInvalid);
      // Switching it off again would start another handshake on a kept
      // TLS connection.
      if (tls->PlainMode()) tls->SetPlainMode(false);
      return rtTls;
    }
    if (tls) tls->SetPlainMode(true);
    return rtDirect;
  }
  if (IsConnected() && (!SameText(Host(), ProxyParams.ProxyServer()) || Port() != ProxyParams.ProxyPort()))
    Disconnect();
  // The proxy is the peer; the current address stays the target.
  TIdTCPClient::SetHost(ProxyParams.ProxyServer());
  TIdTCPClient::SetPort(ProxyParams.ProxyPort());
  if (https) {
    if (IOHandler() && !tls) throw EIdIOHandlerPropInvalid(transport_messages::IOHandlerPropInvalid);
    if (tls && !TunnelOpenTo(CurrentUri)) tls->SetPlainMode(true);
    return rtTlsProxy;
  }
  if (tls) tls->SetPlainMode(true);
  return rtProxy;
}

void TIdCustomHTTP::ApplyProxyRoute(const TIdProxyRoute& route) {
  // A kept connection or an open tunnel leads where the last route led.
  if (route != AppliedRoute && IsConnected()) Disconnect();
  AppliedRoute = route;
  const bool viaHttp = route.Kind == TIdProxyKind::Http;
  ProxyParams.SetProxyServer(viaHttp ? route.Host : "");
  ProxyParams.SetProxyPort(viaHttp ? route.Port : 0);
  ProxyParams.ProxyUsername = viaHttp ? route.Username : "";
  ProxyParams.ProxyPassword = viaHttp ? route.Password : "";
  ProxyParams.BasicAuthentication = viaHttp && !route.Username.empty();
  if (route.Kind == TIdProxyKind::Direct || viaHttp) {
    if (RouteTransport && IOHandler() == RouteTransport.get()) SetIOHandler(nullptr);
    else if (TIdSocksInfo* socks = TransportSocksInfo()) socks->Version = svNoSocks;
    return;
  }
  // The program's own socket transport (its TLS transport) carries the SOCKS
  // settings, so https goes through SOCKS too.
  if (!IOHandler()) {
    if (!RouteTransport) {
      RouteTransport = std::make_unique<TIdIOHandlerSocket>();
      RouteTransport->OnStatus = OnStatus;
    }
    SetIOHandler(RouteTransport.get());
  }
  TIdSocksInfo* socks = TransportSocksInfo();
  if (!socks) throw EIdIOHandlerPropInvalid(transport_messages::IOHandlerPropInvalid);
  socks->Version = route.Kind == TIdProxyKind::Socks4    ? svSocks4
                   : route.Kind == TIdProxyKind::Socks4A ? svSocks4A
                                                         : svSocks5;
  socks->Host = route.Host;
  socks->Port = route.Port;
  socks->Username = route.Username;
  socks->Password = route.Password;
  socks->Authentication = route.Username.empty() ? saNoAuthentication : saUsernamePassword;
}

void TIdCustomHTTP::OpenRoute() {
  TIdHTTPRequest& request = Request();
  request.Route = ChooseRoute();
  const bool keepAliveUnasked = ProtocolVersion == pv1_0 && request.Connection.empty();
  switch (request.Route) {
    case rtDirect:
      if (keepAliveUnasked) request.Connection = "keep-alive";
      break;
    case rtProxy:
      request.TargetUrl = CurrentUri.Compose();
      if (keepAliveUnasked) request.ProxyConnection = "keep-alive";
      break;
    case rtTls:
    case rtTlsProxy: request.Connection.clear(); break;
  }
  if (request.Route != rtTlsProxy) EnsureConnected(Response());
  else if (!TunnelOpenTo(CurrentUri)) OpenTunnel();
  SendRequestHead(*Protocol, &CurrentUri);
  if (sendsUpload(request.RequestMethod) && request.UploadStream) WriteFromStream(*request.UploadStream, true);
}

// A CONNECT exchange with the proxy; once it answers 200 the connection
// carries TLS to the target.
void TIdCustomHTTP::OpenTunnel() {
  const TIdHTTPRequest& request = Request();
  TIdHTTPProtocol tunnel(this);
  TIdHTTPRequest& connect = *tunnel.Request;
  connect.UserAgent = request.UserAgent;
  connect.Host = request.Host;
  connect.SetContentLength(request.ContentLength());
  connect.Pragma = "no-cache";
  connect.TargetUrl = CurrentUri.Host + ":" + CurrentUri.Port;
  connect.RequestMethod = hmConnect;
  connect.ProxyConnection = "keep-alive";
  TBoundedStringStream answer(client_limits::MaxTextBody);
  tunnel.Response->BodyStream = &answer;
  for (;;) {
    EnsureConnected(*tunnel.Response);
    SendRequestHead(tunnel, nullptr);
    tunnel.ReadStatusLine();
    if (tunnel.Response->StatusLine.empty()) {
      tunnel.Response->StatusLine = "HTTP/1.0 200 OK";
      tunnel.Response->Connection = "close";
    } else {
      tunnel.ReadHeaderBlock();
      TakeCookies(*tunnel.Response);
    }
    const int32_t code = tunnel.Response->StatusCode();
    if (code == 200) break;
    // Only a proxy challenge is worth another CONNECT; anything else would
    // be sent again for ever.
    if (code != 407) tunnel.RaiseProtocolError();
    DecideNextAction(tunnel);
  }
  auto* tls = dynamic_cast<TIdSSLIOHandlerSocket*>(IOHandler());
  if (!tls) throw EInvalidCast(http_messages::InvalidTypecast);
  // The certificate must name the target, not the proxy.
  tls->HostName = CurrentUri.Host;
  tls->SetPlainMode(false);
  TunnelTarget = connect.TargetUrl;
}

// Another CONNECT would cost a new connection and handshake: a tunnel kept
// open to the same target is used again.
bool TIdCustomHTTP::TunnelOpenTo(const TIdURI& target) {
  const auto* tls = dynamic_cast<TIdSSLIOHandlerSocket*>(IOHandler());
  if (!tls || tls->PlainMode() || TunnelTarget != target.Host + ":" + target.Port) return false;
  if (!Response().StaysOpen()) return false;
  PollGracefulClose(false);
  return IsConnected();
}

void TIdCustomHTTP::EnsureConnected(TIdHTTPResponse& response) {
  if (!response.StaysOpen()) Disconnect();
  PollGracefulClose(false);
  if (IsConnected()) return;
  try {
    OpenConnection(ReadTimeout);
  } catch (const EIdSSLProtocolReplyError&) {
    Disconnect();
    throw;
  }
}

void TIdCustomHTTP::SendRequestHead(TIdHTTPProtocol& protocol, const TIdURI* address) {
  TIdHTTPRequest& request = *protocol.Request;
  request.ComposeHeaders();
  // The proxy's lines are for the proxy alone: a request inside a tunnel (or
  // straight to the server) must not show the server the proxy's password.
  if (request.RequestMethod == hmConnect || request.Route == rtProxy) ProxyParams.ComposeHeaders(request.HeaderLines);
  else request.HeaderLines.PutValue("Proxy-Connection", "");
  if (address) PutCookieHeader(*address, request);
  // Credentials given for one host do not follow a redirect to another.
  if (address && !SameText(CurrentUri.Host, AuthorizedHost)) request.HeaderLines.PutValue("Authorization", "");
  const std::string requestLine = fmt::format("{} {} HTTP/{}", MethodToken(request.RequestMethod), request.TargetUrl,
                                              ProtocolVersionText(ProtocolVersion));
  checkWireLine(requestLine);
  for (int32_t i = 0; i < request.HeaderLines.Count(); ++i) checkWireLine(request.HeaderLines.Strings(i));
  BeginWriteBuffering(-1);
  try {
    WriteLine(requestLine);
    for (int32_t i = 0; i < request.HeaderLines.Count(); ++i)
      if (!request.HeaderLines.Strings(i).empty()) WriteLine(request.HeaderLines.Strings(i));
    WriteLine();
  } catch (...) {
    OutgoingBuffer.reset();
    throw;
  }
  EndWriteBuffering();
}

void TIdCustomHTTP::ReadResponseHead(TIdHTTPProtocol& protocol) {
  for (;;) {
    protocol.ReadStatusLine();
    protocol.ReadHeaderBlock();
    TakeCookies(*protocol.Response);
    const int32_t code = protocol.Response->StatusCode();
    // 101 switches the connection to a protocol the client never asked for.
    if (code == 101) {
      Disconnect();
      throw EIdHTTPProtocolException(code, protocol.Response->StatusLine, "");
    }
    if (code < 100 || code > 199) return;
  }
}

TIdHTTPNextAction TIdCustomHTTP::DecideNextAction(TIdHTTPProtocol& protocol) {
  TIdHTTPRequest& request = *protocol.Request;
  TIdHTTPResponse& response = *protocol.Response;
  const int32_t code = response.StatusCode();
  if ((code >= 300 && code <= 399 && code != 304) || !response.Location.empty()) {
    std::string location = response.Location;
    TIdHTTPMethod method = request.RequestMethod;
    TIdHTTPNextAction result = naJustExit;
    if (HandleRedirects && RedirectCount < RedirectMaximum) {
      if (!AskRedirect(location, method)) protocol.RaiseProtocolError();
      result = naGoToUrl;
      request.TargetUrl = location;
      request.RequestMethod = method;
    } else {
      // Redirects that never end must not look like an empty page.
      if (HandleRedirects) protocol.RaiseProtocolError(fmt::format(http_messages::TooManyRedirects, RedirectMaximum));
      if (!AskRedirect(location, method)) protocol.RaiseProtocolError();
      response.Location = location;
    }
    if (IsConnected()) DiscardQuietly(protocol);
    return result;
  }
  TIdHTTPNextAction result = naUndefined;
  bool inProcessAuth = false;
  if (code < 200 || code > 299) {
    result = naGoToUrl;
    if (code == 401) {
      if (AuthAttempts >= AuthRetries || !AskAuthorization(request, response)) {
        if (request.Authentication) request.Authentication->ResetScheme();
        protocol.RaiseProtocolError();
      }
    } else if (code == 407) {
      if (ProxyAuthAttempts >= AuthRetries || !AskProxyAuthorization(response)) {
        if (ProxyParams.Authentication) ProxyParams.Authentication->ResetScheme();
        protocol.RaiseProtocolError();
      }
    } else {
      protocol.RaiseProtocolError();
    }
    AnsweredChallenge = true;
    inProcessAuth = HTTPOptions.contains(hoInProcessAuth);
  }
  if (IsConnected()) {
    if (inProcessAuth) {
      DiscardQuietly(protocol);
      result = naAuthRequest;
    } else {
      if (code != 204) protocol.ReadBody();
      result = naJustExit;
    }
  }
  return result;
}

bool TIdCustomHTTP::AskRedirect(std::string& location, TIdHTTPMethod& method) {
  bool handled = HandleRedirects;
  if (OnRedirect) {
    int32_t count = RedirectCount;
    OnRedirect(this, location, count, handled, method);
  }
  return handled;
}

void TIdCustomHTTP::TakeCookies(TIdHTTPResponse& response) {
  if (!FCookieManager && AllowCookies) {
    OwnedCookieManager = std::make_unique<TIdCookieManager>();
    FCookieManager = OwnedCookieManager.get();
  }
  if (!FCookieManager) return;
  TIdHeaderList cookies;
  response.HeaderLines.ExtractValues("Set-cookie", &cookies);
  for (int32_t i = 0; i < cookies.Count(); ++i) FCookieManager->AcceptSetCookie(cookies.Strings(i), CurrentUri);
  TIdHeaderList cookies2;
  response.HeaderLines.ExtractValues("Set-cookie2", &cookies2);
  for (int32_t i = 0; i < cookies2.Count(); ++i) FCookieManager->AcceptSetCookie2(cookies2.Strings(i), CurrentUri);
}

void TIdCustomHTTP::PutCookieHeader(const TIdURI& address, TIdHTTPRequest& request) {
  if (!FCookieManager) return;
  // A secure cookie needs a connection that really runs TLS.
  const std::string cookies = FCookieManager->CookieHeaderFor(address, RunsTls());
  if (!cookies.empty()) request.HeaderLines.PutValue("Cookie", cookies);
}
