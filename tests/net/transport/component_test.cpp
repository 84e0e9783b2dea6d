#include "net/transport/component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/transport/stack.h"
#include "tests/net/transport/event_log.h"

namespace {

using Lines = std::vector<std::string>;

TEST(WorkBrackets, OnlyTheOutermostBracketFiresAndTotalsRunAcrossNesting) {
  TIdComponent c;
  EventLog log;
  log.AttachWork(c);
  c.StartWork(wmRead, 3000);
  c.AddWork(wmRead, 100);
  c.StartWork(wmRead, 50);
  c.AddWork(wmRead, 50);
  c.FinishWork(wmRead);
  c.AddWork(wmRead, 10);
  c.FinishWork(wmRead);
  EXPECT_EQ(log.Lines, (Lines{"read begin 3000", "read 100", "read 150", "read 160", "read end"}));
  EXPECT_EQ(c.WorkInfo(wmRead).WorkSize, 3000);
  EXPECT_EQ(c.WorkInfo(wmRead).WorkLevel, 0);
}

TEST(WorkBrackets, AddWorkOutsideABracketFiresNothingAndKeepsThePosition) {
  TIdComponent c;
  EventLog log;
  log.AttachWork(c);
  c.AddWork(wmWrite, 500);
  EXPECT_TRUE(log.Lines.empty());
  EXPECT_EQ(c.WorkInfo(wmWrite).WorkPosition, 0);
}

TEST(WorkBrackets, ReadAndWriteCountSeparately) {
  TIdComponent c;
  EventLog log;
  log.AttachWork(c);
  c.StartWork(wmRead, 10);
  c.StartWork(wmWrite, 20);
  c.AddWork(wmWrite, 5);
  c.AddWork(wmRead, 7);
  c.FinishWork(wmWrite);
  c.FinishWork(wmRead);
  EXPECT_EQ(log.Lines, (Lines{"read begin 10", "write begin 20", "write 5", "read 7", "write end", "read end"}));
}

TEST(WorkBrackets, CountsPastTwoGigabytes) {
  TIdComponent c;
  int64_t last = 0;
  c.OnWork = [&](TIdComponent*, TWorkMode, int64_t count) { last = count; };
  const int64_t size = int64_t{5} << 30;
  c.StartWork(wmRead, size);
  for (int i = 0; i < 5; ++i) c.AddWork(wmRead, int64_t{1} << 30);
  c.FinishWork(wmRead);
  EXPECT_EQ(last, size);
}

TEST(StatusReports, TextsAreFormattedWithTheArgumentOrAnEmptyText) {
  TIdComponent c;
  EventLog log;
  c.ReportStatus(hsConnected);  // no handler: nothing happens
  std::vector<TIdStatus> statuses;
  c.OnStatus = [&](TIdComponent*, TIdStatus status, const std::string& text) {
    statuses.push_back(status);
    log.Lines.push_back(text);
  };
  c.ReportStatus(hsResolving, "example.test");
  c.ReportStatus(hsConnecting, "127.0.0.1");
  c.ReportStatus(hsConnected, "ignored host");
  c.ReportStatus(hsDisconnected);
  c.ReportStatus(hsStatusText);
  c.ReportStatus(hsStatusText, "free text");
  EXPECT_EQ(log.Lines, (Lines{"Resolving hostname example.test.", "Connecting to 127.0.0.1.", "Connected.",
                              "Disconnected.", "", "free text"}));
  EXPECT_EQ(statuses, (std::vector<TIdStatus>{hsResolving, hsConnecting, hsConnected, hsDisconnected, hsStatusText,
                                              hsStatusText}));
}

TEST(StackLifetime, TheSharedStackLivesWhileAnyComponentLives) {
  EXPECT_EQ(SharedStack, nullptr);
  {
    TIdComponent first;
    TIdStack* stack = SharedStack;
    ASSERT_NE(stack, nullptr);
    {
      TIdComponent second;
      EXPECT_EQ(SharedStack, stack);
      EXPECT_EQ(StackUsers, 2);
    }
    EXPECT_EQ(SharedStack, stack);
  }
  EXPECT_EQ(SharedStack, nullptr);
  EXPECT_EQ(StackUsers, 0);
  // A second life of the stack does not start the library again.
  TIdComponent again;
  EXPECT_NE(SharedStack, nullptr);
  EXPECT_TRUE(SocketLibraryStarted());
}

}  // namespace
