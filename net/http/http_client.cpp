#include "net/http/http_client.h"

#include <string>

#include "net/http/body_streams.h"
#include "net/http/client_limits.h"
#include "net/http/cookies.h"
#include "net/transport/io_handler_socket.h"
#include "net/transport/tls/ssl_io_handler.h"

TIdCustomHTTP::TIdCustomHTTP() : Protocol(std::make_unique<TIdHTTPProtocol>(this)) {
  SetPort(80);
  ProxyParams.Clear();
}

TIdCustomHTTP::~TIdCustomHTTP() {
  if (FCookieManager && !OwnedCookieManager) FCookieManager->RemoveFreeNotification(this);
}

std::string TIdCustomHTTP::GetAsText(const std::string& url) {
  TBoundedStringStream page(client_limits::MaxTextBody);
  GetIntoStream(url, page);
  return page.DataString();
}

void TIdCustomHTTP::GetIntoStream(const std::string& url, TStream& destination) {
  PerformRequest(hmGet, url, nullptr, &destination);
}

void TIdCustomHTTP::SetCookieManager(TIdCookieManager* manager) {
  if (manager == FCookieManager) return;
  if (FCookieManager && !OwnedCookieManager) FCookieManager->RemoveFreeNotification(this);
  OwnedCookieManager.reset();
  FCookieManager = manager;
  if (manager) manager->AddFreeNotification(this, [this] { FCookieManager = nullptr; });
}

void TIdCustomHTTP::SetHost(const std::string& value) {
  TIdTCPClient::SetHost(value);
  CurrentUri.Host = value;
}

void TIdCustomHTTP::SetPort(int32_t value) {
  TIdTCPClient::SetPort(value);
  CurrentUri.Port = std::to_string(value);
}

void TIdCustomHTTP::Disconnect() {
  // A transport the caller gave stays assigned after a close; closing it
  // again would only repeat the status events.
  if (IOHandler() && (OwnsIOHandler() || IOHandler()->HandlerConnected())) CloseConnection();
}

void TIdCustomHTTP::DoOnDisconnected() {
  TIdTCPClient::DoOnDisconnected();
  std::unique_ptr<TIdAuthentication>& authentication = Request().Authentication;
  // A scheme that has run all its steps is done with; Basic never gets there.
  if (authentication && authentication->StepIndex == authentication->StepCount()) authentication.reset();
  if (ProxyParams.Authentication) ProxyParams.Authentication->ResetScheme();
}

TIdSocksInfo* TIdCustomHTTP::TransportSocksInfo() const {
  auto* transport = dynamic_cast<TIdIOHandlerSocket*>(IOHandler());
  return transport ? transport->SocksInfo() : nullptr;
}

bool TIdCustomHTTP::RunsTls() const {
  const auto* tls = dynamic_cast<const TIdSSLIOHandlerSocket*>(IOHandler());
  return tls && !tls->PlainMode();
}
