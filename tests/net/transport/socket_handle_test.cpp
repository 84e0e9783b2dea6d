#include "net/transport/socket_handle.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include <fmt/core.h>

#include "net/transport/anti_freeze.h"
#include "net/transport/component.h"
#include "net/transport/exceptions.h"
#include "net/transport/io_handler_socket.h"
#include "tests/servers/loopback.h"

namespace {

class SocketHandleTest : public ::testing::Test {
protected:
  // A socket bound to 127.0.0.1:port, or none when the port is taken.
  std::unique_ptr<TIdSocketHandle> occupy(int32_t port) {
    auto h = std::make_unique<TIdSocketHandle>();
    h->OpenSocket();
    h->IP = "127.0.0.1";
    h->Port = port;
    if (!h->TryBindLocal()) return nullptr;
    return h;
  }

  // Three consecutive ports of which the upper two are held by other sockets.
  int32_t rangeWithUpperTwoTaken(std::vector<std::unique_ptr<TIdSocketHandle>>& held) {
    for (int attempt = 0; attempt < 20; ++attempt) {
      auto probe = occupy(0);
      const int32_t low = probe->Port;
      probe.reset();
      if (low > 65000) continue;
      auto second = occupy(low + 1);
      auto third = occupy(low + 2);
      if (second && third) {
        held.push_back(std::move(second));
        held.push_back(std::move(third));
        return low;
      }
    }
    ADD_FAILURE() << "no free port range found";
    return 0;
  }

  TIdComponent component;
};

TEST_F(SocketHandleTest, ARangeIsTriedFromTheTopDown) {
  std::vector<std::unique_ptr<TIdSocketHandle>> held;
  const int32_t low = rangeWithUpperTwoTaken(held);
  TIdSocketHandle h;
  h.OpenSocket();
  h.IP = "127.0.0.1";
  h.ClientPortMin = low;
  h.ClientPortMax = low + 2;
  h.BindLocal();
  EXPECT_EQ(h.Port, low);
}

TEST_F(SocketHandleTest, AFullRangeAndAReversedRangeRaiseTheirMessages) {
  std::vector<std::unique_ptr<TIdSocketHandle>> held;
  const int32_t low = rangeWithUpperTwoTaken(held);
  TIdSocketHandle h;
  h.OpenSocket();
  h.IP = "127.0.0.1";
  h.ClientPortMin = low + 1;
  h.ClientPortMax = low + 2;
  try {
    h.BindLocal();
    FAIL();
  } catch (const EIdCanNotBindPortInRange& e) {
    EXPECT_EQ(e.Message, fmt::format("Can not bind in port range ({} - {})", low + 1, low + 2));
  }
  h.Port = 0;
  h.ClientPortMin = 5002;
  h.ClientPortMax = 5000;
  try {
    h.BindLocal();
    FAIL();
  } catch (const EIdInvalidPortRange& e) {
    EXPECT_EQ(e.Message, "Invalid Port Range (5002 - 5000)");
  }
}

TEST_F(SocketHandleTest, WithOnlyOneBoundGivenTheHandleBindsItsPortOnce) {
  std::vector<std::unique_ptr<TIdSocketHandle>> held;
  const int32_t low = rangeWithUpperTwoTaken(held);
  TIdSocketHandle h;
  h.OpenSocket();
  h.IP = "127.0.0.1";
  h.Port = low + 1;  // taken
  h.ClientPortMin = 0;
  h.ClientPortMax = low + 2;
  try {
    h.BindLocal();
    FAIL();
  } catch (const EIdCouldNotBindSocket& e) {
    EXPECT_EQ(e.Message, "Could not bind socket. Address and port are already in use.");
  }
}

TEST_F(SocketHandleTest, AClosedHandleReportsAGracefulCloseToAWaitingReader) {
  TIdSocketHandle h;
  h.ShutSocket();  // nothing open: nothing happens
  EXPECT_FALSE(h.IsOpen);
  try {
    h.WaitReadable(TimeoutForever);
    FAIL();
  } catch (const EIdConnClosedGracefully& e) {
    EXPECT_EQ(e.Message, "Connection Closed Gracefully.");
  }
}

TEST_F(SocketHandleTest, ConnectAndAcceptRefreshBothEnds) {
  TIdSocketHandle listener;
  listener.OpenSocket();
  listener.IP = "127.0.0.1";
  listener.BindLocal();
  ASSERT_NE(listener.Port, 0);
  ASSERT_FALSE(SharedStack->CheckSocketResult(SharedStack->SocketListen(listener.SocketId, 1)));

  TIdSocketHandle client;
  client.OpenSocket();
  client.SetRemote("127.0.0.1", listener.Port);
  ASSERT_NE(client.ConnectPeer(), Id_SOCKET_ERROR);
  EXPECT_EQ(client.IP, "127.0.0.1");
  EXPECT_NE(client.Port, 0);

  TIdSocketHandle server;
  ASSERT_TRUE(server.AcceptFrom(listener.SocketId));
  EXPECT_TRUE(server.IsOpen);
  EXPECT_EQ(server.RemotePort, client.Port);
  EXPECT_EQ(server.Port, listener.Port);

  EXPECT_FALSE(server.WaitReadable(0));
  ASSERT_EQ(client.Send("x", 1), 1);
  EXPECT_TRUE(server.WaitReadable(TimeoutForever));

  TIdSocketHandle copy;
  copy.Assign(server);
  EXPECT_EQ(copy.RemoteIP, "127.0.0.1");
  EXPECT_EQ(copy.RemotePort, server.RemotePort);
  EXPECT_FALSE(copy.IsOpen);
}

// With an anti-freeze the wait runs in IdleTimeOut slices; a very long wait
// in 1 ms slices must not cost a stack frame per slice.
TEST_F(SocketHandleTest, ALongSlicedWaitNeedsNoStackPerSlice) {
  struct Idle : TIdAntiFreezeBase {
    void Process() override {}
  } antiFreeze;
  antiFreeze.IdleTimeOut = 1;
  LoopbackListener listener;
  TIdSocketHandle client;
  client.OpenSocket();
  client.SetRemote("127.0.0.1", listener.Port());
  ASSERT_NE(client.ConnectPeer(), Id_SOCKET_ERROR);
  const UniqueFd accepted(::accept(listener.Fd(), nullptr, nullptr));
  ASSERT_EQ(::send(accepted.Get(), "x", 1, 0), 1);
  EXPECT_TRUE(client.WaitReadable(100'000'000));
}

// True once the peer of fd has closed its end (within two seconds).
bool peerClosed(int fd) {
  pollfd entry{fd, POLLIN, 0};
  char byte;
  return ::poll(&entry, 1, 2000) == 1 && ::recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
}

// Taking a new socket first closes the one still open, which would otherwise
// stay open and unreachable: its peer sees the close.
TEST_F(SocketHandleTest, ReopeningClosesTheSocketStillOpen) {
  LoopbackListener listener;
  TIdIOHandlerSocket transport;
  transport.OpenHandler();
  transport.ConnectTo("127.0.0.1", listener.Port(), "", 0, 0, 0, TimeoutUseDefault);
  const UniqueFd served(::accept(listener.Fd(), nullptr, nullptr));
  transport.OpenHandler();
  EXPECT_TRUE(peerClosed(served.Get()));

  const UniqueFd firstClient = ConnectToLoopback(listener.Port());
  const UniqueFd secondClient = ConnectToLoopback(listener.Port());
  TIdSocketHandle server;
  ASSERT_TRUE(server.AcceptFrom(listener.Fd()));
  ASSERT_TRUE(server.AcceptFrom(listener.Fd()));
  EXPECT_TRUE(peerClosed(firstClient.Get()));
}

TEST_F(SocketHandleTest, AcceptOnANonSocketIsToleratedAsFalse) {
  const int notASocket = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  TIdSocketHandle h;
  EXPECT_FALSE(h.AcceptFrom(notASocket));
  EXPECT_FALSE(h.IsOpen);
  ::close(notASocket);
}

}  // namespace
