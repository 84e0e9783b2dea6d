#include "net/transport/intercept.h"

#include "platform/streams.h"

TIdConnectionIntercept::~TIdConnectionIntercept() {
  if (FNextIntercept) FNextIntercept->RemoveFreeNotification(this);
}

void TIdConnectionIntercept::SetNextIntercept(TIdConnectionIntercept* next) {
  if (next == FNextIntercept) return;
  if (FNextIntercept) FNextIntercept->RemoveFreeNotification(this);
  FNextIntercept = next;
  if (next) next->AddFreeNotification(this, [this] { FNextIntercept = nullptr; });
}

void TIdConnectionIntercept::AttachTo(TIdTCPConnection* connection) {
  FConnection = connection;
  if (OnConnect) OnConnect(this);
  if (FNextIntercept) FNextIntercept->AttachTo(connection);
}

void TIdConnectionIntercept::Detach() {
  if (FNextIntercept) FNextIntercept->Detach();
  if (OnDisconnect) OnDisconnect(this);
  FConnection = nullptr;
}

void TIdConnectionIntercept::FilterIncoming(TStream& stream) {
  if (FNextIntercept) FNextIntercept->FilterIncoming(stream);
  if (OnReceive) OnReceive(this, stream);
  stream.SetPosition(0);
}

void TIdConnectionIntercept::FilterOutgoing(TStream& stream) {
  if (OnSend) OnSend(this, stream);
  stream.SetPosition(0);
  if (FNextIntercept) FNextIntercept->FilterOutgoing(stream);
}
