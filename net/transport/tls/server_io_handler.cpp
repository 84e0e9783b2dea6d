#include "net/transport/tls/server_io_handler.h"

std::unique_ptr<TIdIOHandlerSocket> TIdServerIOHandler::Accept(TIdStackSocketHandle listeningSocket) {
  auto transport = std::make_unique<TIdIOHandlerSocket>();
  transport->OpenHandler();
  if (!transport->SocketBinding->AcceptFrom(listeningSocket)) return nullptr;
  return transport;
}

void TIdServerIOHandlerSSL::Init() {
  if (FContext) return;
  auto context = std::make_unique<TIdSSLContext>(this);
  context->Options.Assign(FSSLOptions);
  context->VerifyHookOn = static_cast<bool>(OnVerifyPeer);
  context->StatusHookOn = static_cast<bool>(OnStatusInfo);
  context->BuildContext(true);
  FContext = std::move(context);
}

std::unique_ptr<TIdIOHandlerSocket> TIdServerIOHandlerSSL::Accept(TIdStackSocketHandle listeningSocket) {
  Init();
  auto transport = std::make_unique<TIdSSLIOHandlerSocket>();
  transport->OpenHandler();
  if (!transport->SocketBinding->AcceptFrom(listeningSocket)) return nullptr;
  transport->OnStatusInfo = OnStatusInfo;
  transport->OnGetPassword = OnGetPassword;
  transport->OnVerifyPeer = OnVerifyPeer;
  transport->AcceptAsPeer(FSSLOptions, *FContext);
  return transport;
}

void TIdServerIOHandlerSSL::ReportTLSStatus(const std::string& Msg) {
  if (OnStatusInfo) OnStatusInfo(Msg);
}

void TIdServerIOHandlerSSL::AskPassword(std::string& Password) {
  Password.clear();
  if (OnGetPassword) OnGetPassword(Password);
}

bool TIdServerIOHandlerSSL::VerifyPeerCertificate(TIdX509* Certificate) {
  return OnVerifyPeer ? OnVerifyPeer(Certificate) : true;
}
