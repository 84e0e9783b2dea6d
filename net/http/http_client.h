#pragma once
// The HTTP client component: a TCP client that sends one request at a time
// over its own connection and reads the response, following redirects,
// answering authentication challenges, keeping cookies and reusing the
// connection when the server allows it. TIdCustomHTTP holds the behaviour;
// TIdHTTP is the component the program creates.

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "net/http/authentication.h"
#include "net/http/http_protocol.h"
#include "net/http/http_request.h"
#include "net/http/http_response.h"
#include "net/http/proxy_chooser.h"
#include "net/http/proxy_info.h"
#include "net/http/uri.h"
#include "net/transport/tcp_client.h"

class TIdCookieManager;
class TIdIOHandlerSocket;
class TIdSocksInfo;
class TStream;

enum TIdHTTPOption { hoInProcessAuth, hoKeepOrigProtocol, hoForceEncodeParams };
using TIdHTTPOptions = std::set<TIdHTTPOption>;

enum TIdHTTPNextAction { naGoToUrl, naJustExit, naUndefined, naAuthRequest };

class TIdCustomHTTP;

// dest, NumRedirect, Handled and VMethod may be changed by the handler.
using TIdHTTPOnRedirectEvent = std::function<void(TIdCustomHTTP* Sender, std::string& dest, int32_t& NumRedirect,
                                                  bool& Handled, TIdHTTPMethod& VMethod)>;
// Handled starts false; a handler that fills in the credentials sets it.
using TIdOnAuthorization = std::function<void(TIdCustomHTTP* Sender, TIdAuthentication* Authentication, bool& Handled)>;
// May choose another scheme class for the challenges in AuthInfo.
using TIdOnSelectAuthorization =
    std::function<void(TIdCustomHTTP* Sender, TIdAuthenticationClass& AuthenticationClass, TIdHeaderList& AuthInfo)>;

class TIdCustomHTTP : public TIdTCPClient {
public:
  TIdCustomHTTP();
  ~TIdCustomHTTP() override;

  // Fetches url with GET and returns the body as text. A page larger than
  // 64 MiB fails instead of filling the memory.
  std::string GetAsText(const std::string& url);
  // Fetches url with GET and writes the body into destination from its
  // current position.
  void GetIntoStream(const std::string& url, TStream& destination);
  // The request loop every method runs through. upload and body may be none.
  virtual void PerformRequest(TIdHTTPMethod method, const std::string& url, TStream* upload, TStream* body);

  TIdHTTPRequest& Request() { return *Protocol->Request; }
  // Copies the published request fields into the client's own request.
  void SetRequest(const TIdHTTPRequest& request) { Protocol->Request->Assign(request); }
  TIdHTTPResponse& Response() { return *Protocol->Response; }
  const std::string& ResponseText() const { return Protocol->Response->StatusLine; }

  // Referenced; an owned manager (created on the first response when
  // AllowCookies is set) is freed when replaced or with the client.
  TIdCookieManager* CookieManager() const { return FCookieManager; }
  void SetCookieManager(TIdCookieManager* manager);
  bool CookieManagerOwned() const { return OwnedCookieManager != nullptr; }

  // Also set the current address's host and port.
  void SetHost(const std::string& value) override;
  void SetPort(int32_t value) override;
  // Forgets a completed authentication and resets the proxy's.
  void DoOnDisconnected() override;
  // The SOCKS settings of the client's socket transport; none while the
  // client has no transport or one that is not a socket transport.
  TIdSocksInfo* TransportSocksInfo() const;

  int32_t AuthAttempts = 0;
  int32_t ProxyAuthAttempts = 0;
  int32_t AuthRetries = 3;
  bool AllowCookies = true;
  TIdHTTPProtocolVersion ProtocolVersion = pv1_1;
  // Passes of the current call; starts from 0 on every call.
  int32_t RedirectCount = 0;
  int32_t RedirectMaximum = 15;
  bool HandleRedirects = false;
  TIdHTTPOptions HTTPOptions{hoForceEncodeParams};
  TIdURI CurrentUri;
  TIdProxyConnectionInfo ProxyParams;
  // Referenced, and asked before every pass; without one ProxyParams and the
  // transport's SOCKS settings stay as the program set them.
  TIdProxyChooser* ProxyChooser = nullptr;

  TIdHTTPOnRedirectEvent OnRedirect;
  TIdOnSelectAuthorization OnSelectAuthorization;
  TIdOnSelectAuthorization OnSelectProxyAuthorization;
  TIdOnAuthorization OnAuthorization;
  TIdOnAuthorization OnProxyAuthorization;

protected:
  friend class TIdHTTPProtocol;
  friend class TIdHTTPResponse;

  void PrepareRequest(TIdHTTPRequest& request);
  TIdHTTPRoute ChooseRoute();
  // Puts the chooser's answer into ProxyParams and the transport's SOCKS
  // settings, closing a connection that was opened on another route.
  void ApplyProxyRoute(const TIdProxyRoute& route);
  void OpenRoute();
  void OpenTunnel();
  // A tunnel still open to the same target carries the next request.
  bool TunnelOpenTo(const TIdURI& target);
  void EnsureConnected(TIdHTTPResponse& response);
  void SendRequestHead(TIdHTTPProtocol& protocol, const TIdURI* address);
  // Status line and header block, read past every interim 1xx answer (100
  // Continue, 102, 103 Early Hints) to the real one.
  void ReadResponseHead(TIdHTTPProtocol& protocol);
  TIdHTTPNextAction DecideNextAction(TIdHTTPProtocol& protocol);
  bool AskRedirect(std::string& location, TIdHTTPMethod& method);
  void DiscardQuietly(TIdHTTPProtocol& protocol);
  bool AskAuthorization(TIdHTTPRequest& request, TIdHTTPResponse& response);
  bool AskProxyAuthorization(TIdHTTPResponse& response);
  // Runs the scheme's steps, asking the program through event while the
  // scheme wants credentials; fill takes over what the handler gave.
  bool RunAuthorizationSteps(TIdAuthentication& authentication, const TIdOnAuthorization& event,
                             const std::function<void()>& giveCredentials,
                             const std::function<void()>& takeCredentials);
  void TakeCookies(TIdHTTPResponse& response);
  void PutCookieHeader(const TIdURI& address, TIdHTTPRequest& request);
  // The connection runs TLS: a TLS transport that is not passing through.
  bool RunsTls() const;
  // Closes the connection for the exchange's own reasons.
  void Disconnect();

  std::unique_ptr<TIdHTTPProtocol> Protocol;
  // The host whose credentials the request carries; an Authorization line
  // is never sent to another host that a redirect leads to.
  std::string AuthorizedHost;
  // host:port of the target the open tunnel leads to.
  std::string TunnelTarget;
  // The pass just made answered a challenge: the attempt counters carry on,
  // so a server that keeps refusing ends the call after AuthRetries.
  bool AnsweredChallenge = false;
  // The route the open connection (if any) was made on.
  TIdProxyRoute AppliedRoute;
  // The socket transport a SOCKS route needs when the program gave none.
  std::unique_ptr<TIdIOHandlerSocket> RouteTransport;

private:
  TIdCookieManager* FCookieManager = nullptr;
  std::unique_ptr<TIdCookieManager> OwnedCookieManager;
};

// The component the program creates; all behaviour is in TIdCustomHTTP.
class TIdHTTP : public TIdCustomHTTP {};
