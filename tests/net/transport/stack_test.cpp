#include "net/transport/stack.h"

#include <gtest/gtest.h>

#include <thread>

#include "net/transport/component.h"
#include "net/transport/exceptions.h"
#include "net/transport/socket_binding.h"

namespace {

// Every stack test runs with a live component, so SharedStack exists.
class StackTest : public ::testing::Test {
protected:
  TIdComponent component;
  TIdStack& stack = *SharedStack;
};

struct DottedQuadCase {
  const char* text;
  bool expected;
};

const DottedQuadCase kDottedQuads[] = {
    {"127.0.0.1", true}, {"0.0.0.0", true},    {"255.255.255.255", true}, {"1.2.3.256", false},
    {"1.2.3", false},    {"1.2.3.4.5", false}, {"1..3.4", false},         {"a.b.c.d", false},
    {"", false},         {"1.2.3.", false},    {"300.1.1.1", false},      {"video.example.test", false},
};

TEST_F(StackTest, DottedQuadsNeedFourFieldsFrom0To255) {
  for (const auto& c : kDottedQuads) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TIdStack::IsDottedQuad(c.text), c.expected);
  }
}

TEST_F(StackTest, LocalhostInAnyCaseAndDottedQuadsResolveWithoutLookup) {
  EXPECT_EQ(stack.ResolveHostAddress("LocalHost"), "127.0.0.1");
  EXPECT_EQ(stack.ResolveHostAddress("LOCALHOST"), "127.0.0.1");
  EXPECT_EQ(stack.ResolveHostAddress("127.1.2.3"), "127.1.2.3");
}

TEST_F(StackTest, ErrorTextsFollowTheCodeTable) {
  EXPECT_EQ(stack.ErrorText(10061), "Socket Error # 10061\r\nConnection refused.");
  EXPECT_EQ(stack.ErrorText(10035), "Socket Error # 10035\r\nOperation would block. ");
  EXPECT_EQ(stack.ErrorText(11001), "Socket Error # 11001\r\nHost not found.");
  EXPECT_EQ(stack.ErrorText(12345), "Socket Error # 12345\r\n");
  try {
    stack.RaiseSocketErrorFor(10060);
    FAIL();
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.SocketErrorCode, 10060);
    EXPECT_EQ(e.Message, "Socket Error # 10060\r\nConnection timed out.");
  }
}

TEST_F(StackTest, CheckSocketResultToleratesOnlyListedCodes) {
  EXPECT_FALSE(stack.CheckSocketResult(0));
  // Closing a handle that is no socket fails with "bad file number".
  EXPECT_TRUE(stack.CheckSocketResult(stack.SocketClose(-5), {10009}));
  EXPECT_EQ(stack.LastErrorCode, 10009);
  EXPECT_THROW(stack.CheckSocketResult(stack.SocketClose(-5), {10038}), EIdSocketError);
}

// The connect thread's failures must not overwrite the error the caller's
// thread is about to report.
TEST_F(StackTest, LastErrorCodeIsKeptPerThread) {
  EXPECT_TRUE(stack.CheckSocketResult(stack.SocketClose(-5), {10009}));
  std::thread([this] {
    EXPECT_TRUE(stack.CheckSocketResult(stack.SocketCreate(Id_PF_INET, 99, 0), {10044}));
    EXPECT_EQ(stack.LastErrorCode, 10044);
  }).join();
  EXPECT_EQ(stack.LastErrorCode, 10009);
}

TEST_F(StackTest, AddressesConvertBothWays) {
  uint8_t bytes[4];
  stack.TextToAddress("192.0.2.17", bytes);
  EXPECT_EQ(stack.AddressToText(bytes), "192.0.2.17");
  EXPECT_THROW(stack.TextToAddress("1.2.x.4", bytes), EConvertError);
  // A field over 255 must not wrap into a byte: 127.0.0.257 is not 127.0.0.1.
  EXPECT_THROW(stack.TextToAddress("127.0.0.257", bytes), EConvertError);
  EXPECT_THROW(stack.TextToAddress("1.2.3.4.5", bytes), EConvertError);
}

TEST_F(StackTest, ServicePortsComeFromTheServiceTableOrTheNumber) {
  EXPECT_EQ(stack.LookupServicePort("http"), 80);
  EXPECT_EQ(stack.LookupServicePort("8080"), 8080);
  try {
    stack.LookupServicePort("no-such-service");
    FAIL();
  } catch (const EIdInvalidServiceName& e) {
    EXPECT_EQ(e.Message, "no-such-service is not a valid service.");
  }
  const auto names = stack.LookupServiceNames(80);
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.front(), "http");
}

TEST(SocketList, HoldsAtMost64Handles) {
  TIdSocketListWindows list;
  for (int i = 0; i < 64; ++i) list.Add(100 + i);
  EXPECT_THROW(list.Add(999), EIdStackSetSizeExceeded);
  try {
    list.GetItem(64);
    FAIL();
  } catch (const EIdStackSetSizeExceeded& e) {
    EXPECT_EQ(e.Message, "Set Size Exceeded.");
  }
  // Removing moves the last handle into the gap.
  list.Remove(100);
  EXPECT_EQ(list.Count(), 63);
  EXPECT_EQ(list.GetItem(0), 163);
}

// A connected loopback pair through the stack itself.
class LoopbackPair : public StackTest {
protected:
  void SetUp() override {
    listener = stack.NewSocket(Id_SOCK_STREAM, 0);
    ASSERT_FALSE(stack.CheckSocketResult(stack.SocketBind(listener, Id_PF_INET, "127.0.0.1", 0)));
    ASSERT_FALSE(stack.CheckSocketResult(stack.SocketListen(listener, 1)));
    const int32_t port = stack.LocalAddressOf(listener).Port;
    client = stack.NewSocket(Id_SOCK_STREAM, 0);
    ASSERT_FALSE(stack.CheckSocketResult(stack.SocketConnect(client, Id_PF_INET, "127.0.0.1", port)));
    std::string ip;
    int32_t peerPort = 0;
    server = stack.SocketAccept(listener, ip, peerPort);
    ASSERT_NE(server, Id_INVALID_SOCKET);
    EXPECT_EQ(ip, "127.0.0.1");
    EXPECT_EQ(peerPort, stack.LocalAddressOf(client).Port);
  }
  void TearDown() override {
    for (auto s : {client, server, listener}) stack.SocketClose(s);
  }
  TIdStackSocketHandle listener = Id_INVALID_SOCKET, client = Id_INVALID_SOCKET, server = Id_INVALID_SOCKET;
};

TEST_F(LoopbackPair, SelectKeepsOnlyTheReadySockets) {
  TIdSocketListWindows readList;
  readList.Add(client);
  readList.Add(server);
  EXPECT_EQ(stack.SocketSelect(&readList, nullptr, 0, nullptr), 0);
  EXPECT_EQ(readList.Count(), 0);

  ASSERT_EQ(stack.SocketSend(client, "ping", 4, 0), 4);
  readList.Add(client);
  readList.Add(server);
  EXPECT_EQ(stack.SocketSelect(&readList, nullptr, 1500, nullptr), 1);
  ASSERT_EQ(readList.Count(), 1);
  EXPECT_EQ(readList.GetItem(0), server);

  char buffer[8];
  EXPECT_EQ(stack.SocketRecv(server, buffer, sizeof buffer, 0), 4);
  EXPECT_EQ(std::string(buffer, 4), "ping");
}

TEST_F(LoopbackPair, SendingToAClosedPeerGivesAnErrorCodeNotASignal) {
  stack.SocketClose(server);
  server = Id_INVALID_SOCKET;
  std::string big(1 << 20, 'x');
  int32_t result = 0;
  for (int i = 0; i < 64 && result != Id_SOCKET_ERROR; ++i)
    result = stack.SocketSend(client, big.data(), static_cast<int32_t>(big.size()), 0);
  ASSERT_EQ(result, Id_SOCKET_ERROR);
  EXPECT_TRUE(stack.CheckSocketResult(result, {10054, 10058, 10053}));
}

TEST_F(StackTest, ARefusedConnectReportsCode10061) {
  // A port that was just bound and released has no listener.
  const auto probe = stack.NewSocket(Id_SOCK_STREAM, 0);
  stack.SocketBind(probe, Id_PF_INET, "127.0.0.1", 0);
  const int32_t port = stack.LocalAddressOf(probe).Port;
  stack.SocketClose(probe);
  const auto s = stack.NewSocket(Id_SOCK_STREAM, 0);
  try {
    stack.CheckSocketResult(stack.SocketConnect(s, Id_PF_INET, "127.0.0.1", port));
    FAIL();
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.SocketErrorCode, 10061);
    EXPECT_EQ(e.Message, "Socket Error # 10061\r\nConnection refused.");
  }
  stack.SocketClose(s);
}

TEST(SocketBinding, CallsBeforeTheLibraryIsLoadedRaiseTheStubError) {
  socket_binding::UnloadLibrary();
  try {
    socket_binding::socket(Id_PF_INET, Id_SOCK_STREAM, 0);
    FAIL();
  } catch (const EIdWS2StubError& e) {
    EXPECT_EQ(e.OsErrorCode, 10093);
    EXPECT_EQ(e.CallTitle, "Error on call Winsock2 library function socket");
    EXPECT_EQ(e.Message, e.OsErrorText + ": " + e.CallTitle);
  }
  // Loading again binds the entries afresh.
  EXPECT_EQ(socket_binding::WSAStartup(0x0202), 0);
  const auto s = socket_binding::socket(Id_PF_INET, Id_SOCK_STREAM, 0);
  EXPECT_GE(s, 0);
  socket_binding::closesocket(s);
}

}  // namespace
