// Stop can be pressed in any handler that runs inside a call on the
// connection: a status handler during the connect, the anti-freeze step
// during a wait, the work handlers and the intercept's events. Each case
// closes the connection from such a handler; the interrupted call must end
// quietly (as a read stopped from OnWork does) without touching the freed
// transport, which AddressSanitizer would report.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "net/transport/anti_freeze.h"
#include "net/transport/exceptions.h"
#include "net/transport/intercept.h"
#include "net/transport/tcp_client.h"
#include "platform/streams.h"
#include "tests/servers/full_accept_queue.h"
#include "tests/servers/scripted_peer.h"

namespace {
class HandlerAntiFreeze : public TIdAntiFreezeBase {
public:
  void Process() override {
    if (Step) Step();
  }
  std::function<void()> Step;
};

// What the peer sends before it goes silent: 1500 bytes of a 3000-byte body.
const std::string kFirstPart(1500, 'b');

struct Fixture {
  Fixture() : Peer({script::Send(kFirstPart)}) {
    Client.SetHost("127.0.0.1");
    Client.SetPort(Peer.Port());
    Client.RecvBufferSize = 1024;
    AntiFreeze.Active = false;
    AntiFreeze.IdleTimeOut = 20;
  }
  // Closes the connection the first time it is called.
  void Stop() {
    if (Stopped) return;
    Stopped = true;
    Client.CloseConnection();
  }
  void Read() { Client.ReadToStream(Body, 3000); }

  ScriptedPeer Peer;
  TIdTCPClient Client;
  TIdConnectionIntercept Intercept;
  HandlerAntiFreeze AntiFreeze;
  TStringStream Body;
  bool Stopped = false;
};

struct CloseCase {
  const char* handler;
  // Installs the handler that stops; connects first when the case is about a read.
  std::function<void(Fixture&)> arm;
  std::function<void(Fixture&)> run;
};

void connectThen(Fixture& f, const std::function<void(Fixture&)>& arm) {
  f.Client.OpenConnection();
  arm(f);
}

const CloseCase kCases[] = {
    {"OnStatus while connecting",
     [](Fixture& f) {
       f.Client.OnStatus = [&f](TIdComponent*, TIdStatus status, const std::string&) {
         if (status == hsConnecting) f.Stop();
       };
     },
     [](Fixture& f) { f.Client.OpenConnection(); }},
    {"the anti-freeze step during a connect with a time-out",
     [](Fixture& f) {
       f.AntiFreeze.Active = true;
       f.AntiFreeze.Step = [&f] { f.Stop(); };
     },
     [](Fixture& f) { f.Client.OpenConnection(5000); }},
    {"the anti-freeze step during a read wait",
     [](Fixture& f) {
       connectThen(f, [](Fixture& g) {
         g.AntiFreeze.Active = true;
         g.AntiFreeze.Step = [&g] {
           if (g.Body.GetPosition() > 0) g.Stop();
         };
       });
     },
     &Fixture::Read},
    {"OnWorkBegin",
     [](Fixture& f) {
       connectThen(f, [](Fixture& g) { g.Client.OnWorkBegin = [&g](TIdComponent*, TWorkMode, int64_t) { g.Stop(); }; });
     },
     &Fixture::Read},
    {"OnWorkEnd after a read the peer ended",
     [](Fixture& f) {
       connectThen(f, [](Fixture& g) { g.Client.OnWorkEnd = [&g](TIdComponent*, TWorkMode) { g.Stop(); }; });
     },
     [](Fixture& f) { f.Client.ReadToStream(f.Body, 1500); }},
    {"an intercept's OnReceive",
     [](Fixture& f) {
       f.Client.SetIntercept(&f.Intercept);
       connectThen(f,
                   [](Fixture& g) { g.Intercept.OnReceive = [&g](TIdConnectionIntercept*, TStream&) { g.Stop(); }; });
     },
     &Fixture::Read},
    {"an intercept's OnConnect",
     [](Fixture& f) {
       f.Client.SetIntercept(&f.Intercept);
       f.Intercept.OnConnect = [&f](TIdConnectionIntercept*) { f.Stop(); };
     },
     [](Fixture& f) { f.Client.OpenConnection(); }},
    {"an intercept's OnDisconnect, closing again while the close detaches it",
     [](Fixture& f) {
       f.Client.SetIntercept(&f.Intercept);
       connectThen(f, [](Fixture& g) {
         g.Intercept.OnDisconnect = [&g](TIdConnectionIntercept*) { g.Client.CloseConnection(); };
       });
     },
     [](Fixture& f) { f.Client.CloseConnection(); }},
};

TEST(CloseFromHandler, EndsTheInterruptedCallQuietly) {
  for (const CloseCase& c : kCases) {
    SCOPED_TRACE(c.handler);
    Fixture f;
    c.arm(f);
    EXPECT_NO_THROW(c.run(f));
    EXPECT_FALSE(f.Client.IsConnected());
    EXPECT_FALSE(f.Client.OwnsIOHandler());
    EXPECT_THROW(f.Client.ReadLine(), EIdNotConnected);
  }
}

// The status line never says "Connected." for a connect that Stop ended.
TEST(CloseFromHandler, AStoppedConnectReportsNoConnection) {
  Fixture f;
  std::string statuses;
  f.Client.OnStatus = [&](TIdComponent*, TIdStatus status, const std::string& text) {
    statuses += text + "|";
    if (status == hsConnecting) f.Stop();
  };
  f.Client.OpenConnection();
  EXPECT_EQ(statuses, "Connecting to 127.0.0.1.|Disconnecting.|Disconnected.|");
}

// The stopped read keeps what arrived before the Stop.
TEST(CloseFromHandler, AReadStoppedInTheAntiFreezeStepKeepsWhatArrived) {
  Fixture f;
  f.Client.OpenConnection();
  f.AntiFreeze.Active = true;
  f.AntiFreeze.Step = [&f] {
    if (f.Body.GetPosition() == 1024) f.Stop();
  };
  f.Read();
  EXPECT_EQ(f.Body.DataString(), kFirstPart.substr(0, 1024));
}
}  // namespace
