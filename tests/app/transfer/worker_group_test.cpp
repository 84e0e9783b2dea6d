// The worker group with workers blocked in real reads on loopback: Stop (its
// own or the job's it belongs to) ends them at once, a worker's failure
// reaches the waiting thread as raised, an error on the waiting thread still
// joins every worker, and the connection slots of a host hold across groups.
#include "app/transfer/worker_group.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>

#include "app/transfer/host_slots.h"
#include "net/http/http_client.h"
#include "net/transport/exceptions.h"
#include "tests/servers/scripted_peer.h"

namespace {

constexpr auto Tick = std::chrono::milliseconds(20);

// A GET the peer never answers: the client sits in its read until its
// socket is shut.
void silentGet(ScriptedPeer& peer) {
  TIdHTTP http;
  http.GetAsText("http://127.0.0.1:" + std::to_string(peer.Port()) + "/");
}

std::unique_ptr<ScriptedPeer> silentPeer() {
  return std::make_unique<ScriptedPeer>(std::vector<ScriptStep>{script::Receive(1 << 20)});
}

TEST(WorkerGroup, StopEndsReadsAServerHoldsSilent) {
  struct Case {
    const char* what;
    bool byTheJob;
  };
  for (const Case& c : {Case{"the group's own stop", false}, Case{"the stop of the job it belongs to", true}}) {
    SCOPED_TRACE(c.what);
    TSocketStop job;
    const TSocketStop::TScope scope(job);
    const std::unique_ptr<ScriptedPeer> peer = silentPeer();
    TWorkerGroup group;
    std::atomic<int> ended{0};
    for (int i = 0; i < 2; ++i)
      group.Start("h", [&] {
        try {
          silentGet(*peer);
        } catch (const EIdException&) {
        }
        ++ended;
      });
    int ticks = 0;
    group.Wait(Tick, [&] {
      if (++ticks == 5) c.byTheJob ? job.Stop() : group.Stop();
    });
    EXPECT_EQ(ended, 2);
    EXPECT_TRUE(group.StopRequested());
  }
}

TEST(WorkerGroup, FailuresReachTheWaiterAsRaisedAndEveryWorkerIsJoined) {
  const std::unique_ptr<ScriptedPeer> peer = silentPeer();
  {
    // A worker's failure ends the silent one and is raised by Wait, type
    // and code intact.
    TWorkerGroup group;
    group.Start("h", [&] { silentGet(*peer); });
    group.Start("h", [] { throw EIdSocketError(10061, "refused"); });
    try {
      group.Wait(Tick, {});
      FAIL() << "the failure was lost";
    } catch (const EIdSocketError& error) {
      EXPECT_EQ(error.SocketErrorCode, 10061);
    }
    EXPECT_FALSE(group.StopRequested());
  }
  // An error on the waiting thread (a record that cannot be written) leaves
  // with workers still reading: the group stops and joins them as it goes.
  EXPECT_THROW(
      {
        TWorkerGroup group;
        group.Start("h", [&] { silentGet(*peer); });
        group.Wait(Tick, [] { throw std::runtime_error("disk full"); });
      },
      std::runtime_error);
}

TEST(HostSlots, ConnectionsToOneHostStayWithinTheLimitAcrossGroups) {
  THostSlots::SetLimit(2);
  std::atomic<int> most{0};
  {
    TWorkerGroup first, second;
    for (TWorkerGroup* group : {&first, &second})
      for (int i = 0; i < 3; ++i)
        group->Start("busy.example", [&] {
          std::this_thread::sleep_for(Tick);
          const int now = THostSlots::InUse("busy.example");
          for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
          }
        });
    first.Wait(Tick, {});
    second.Wait(Tick, {});
  }
  THostSlots::SetLimit(THostSlots::DefaultLimit);
  EXPECT_EQ(most, 2);
  EXPECT_EQ(THostSlots::InUse("busy.example"), 0);
}

}  // namespace
