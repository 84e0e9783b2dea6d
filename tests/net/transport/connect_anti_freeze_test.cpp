// With an anti-freeze in use every connect runs on the connect thread, and the
// waiting main thread hands control to the anti-freeze at every poll step
// (the smaller of IdleTimeOut and 125 ms), so the user interface stays alive
// while a connect hangs.

#include <gtest/gtest.h>

#include <chrono>

#include "net/transport/anti_freeze.h"
#include "net/transport/exceptions.h"
#include "net/transport/tcp_client.h"
#include "tests/servers/echo_peer.h"
#include "tests/servers/full_accept_queue.h"

namespace {
class CountingAntiFreeze : public TIdAntiFreezeBase {
public:
  void Process() override { ++Calls; }
  int Calls = 0;
};

TEST(ConnectAntiFreeze, RunsAtEveryStepOfAHangingConnect) {
  FullAcceptQueue silent;
  CountingAntiFreeze antiFreeze;
  antiFreeze.IdleTimeOut = 50;
  TIdTCPClient client;
  client.SetHost("127.0.0.1");
  client.SetPort(silent.Port());
  EXPECT_THROW(client.OpenConnection(300), EIdConnectTimeout);
  // 300 ms in 50 ms steps: five steps with a hand-over, then the last sleep.
  EXPECT_EQ(antiFreeze.Calls, 5);
}

// An anti-freeze step that raises leaves the connect at once: the blocked
// connect on the other thread is aborted, not waited for until the system
// gives up on it minutes later.
TEST(ConnectAntiFreeze, ARaisingStepEndsTheConnectWithinTheTimeOut) {
  struct Raised : EIdException {
    using EIdException::EIdException;
  };
  class RaisingAntiFreeze : public TIdAntiFreezeBase {
  public:
    void Process() override { throw Raised("closing the window"); }
  };
  FullAcceptQueue silent;
  RaisingAntiFreeze antiFreeze;
  antiFreeze.IdleTimeOut = 50;
  TIdTCPClient client;
  client.SetHost("127.0.0.1");
  client.SetPort(silent.Port());
  const auto started = std::chrono::steady_clock::now();
  EXPECT_THROW(client.OpenConnection(2000), Raised);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(3000));
  EXPECT_FALSE(client.IsConnected());
}

TEST(ConnectAntiFreeze, AConnectWithoutTimeOutAlsoRunsOnTheThread) {
  EchoPeer peer;
  CountingAntiFreeze antiFreeze;
  TIdTCPClient client;
  client.SetHost("127.0.0.1");
  client.SetPort(peer.Port());
  client.OpenConnection();
  EXPECT_GE(antiFreeze.Calls, 1);
  client.WriteLine("still works");
  EXPECT_EQ(client.ReadLine(), "still works");
}
}  // namespace
