#pragma once
// A filter between a connection and its transport that may rewrite the bytes
// in both directions; intercepts chain through NextIntercept.

#include <functional>

#include "net/transport/component.h"
#include "net/transport/free_notification.h"

class TStream;
class TIdConnectionIntercept;
class TIdTCPConnection;

using TIdInterceptNotifyEvent = std::function<void(TIdConnectionIntercept* ASender)>;
using TIdInterceptStreamEvent = std::function<void(TIdConnectionIntercept* ASender, TStream& AStream)>;

class TIdConnectionIntercept : public TIdBaseComponent, public TIdFreeNotifier {
public:
  ~TIdConnectionIntercept() override;

  // Attaches the chain front to back; detaching runs back to front.
  virtual void AttachTo(TIdTCPConnection* connection);
  virtual void Detach();
  // Incoming bytes pass the next intercept first; outgoing bytes pass this
  // one first. The stream is rewound after each filter.
  virtual void FilterIncoming(TStream& stream);
  virtual void FilterOutgoing(TStream& stream);

  void SetNextIntercept(TIdConnectionIntercept* next);
  TIdConnectionIntercept* NextIntercept() const { return FNextIntercept; }
  TIdTCPConnection* Connection() const { return FConnection; }

  TIdInterceptNotifyEvent OnConnect;
  TIdInterceptNotifyEvent OnDisconnect;
  TIdInterceptStreamEvent OnReceive;
  TIdInterceptStreamEvent OnSend;
  bool IsClient = true;

private:
  TIdTCPConnection* FConnection = nullptr;
  TIdConnectionIntercept* FNextIntercept = nullptr;
};
