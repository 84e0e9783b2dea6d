#include "net/transport/component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/transport/stack.h"

namespace {

// Records every work and status event as one line of text.
struct EventLog {
  std::vector<std::string> lines;
  void attach(TIdComponent& c) {
    c.OnWorkBegin = [this](TIdComponent*, TWorkMode m, int64_t size) {
      lines.push_back("begin " + std::to_string(m) + " " + std::to_string(size));
    };
    c.OnWork = [this](TIdComponent*, TWorkMode m, int64_t count) {
      lines.push_back("work " + std::to_string(m) + " " + std::to_string(count));
    };
    c.OnWorkEnd = [this](TIdComponent*, TWorkMode m) { lines.push_back("end " + std::to_string(m)); };
    c.OnStatus = [this](TIdComponent*, TIdStatus s, const std::string& text) {
      lines.push_back("status " + std::to_string(s) + " " + text);
    };
  }
};

using Lines = std::vector<std::string>;

TEST(WorkBrackets, OnlyTheOutermostBracketFiresAndTotalsRunAcrossNesting) {
  TIdComponent c;
  EventLog log;
  log.attach(c);
  c.StartWork(wmRead, 3000);
  c.AddWork(wmRead, 100);
  c.StartWork(wmRead, 50);
  c.AddWork(wmRead, 50);
  c.FinishWork(wmRead);
  c.AddWork(wmRead, 10);
  c.FinishWork(wmRead);
  EXPECT_EQ(log.lines, (Lines{"begin 0 3000", "work 0 100", "work 0 150", "work 0 160", "end 0"}));
  EXPECT_EQ(c.WorkInfo(wmRead).WorkSize, 3000);
  EXPECT_EQ(c.WorkInfo(wmRead).WorkLevel, 0);
}

TEST(WorkBrackets, AddWorkOutsideABracketFiresNothingAndKeepsThePosition) {
  TIdComponent c;
  EventLog log;
  log.attach(c);
  c.AddWork(wmWrite, 500);
  EXPECT_TRUE(log.lines.empty());
  EXPECT_EQ(c.WorkInfo(wmWrite).WorkPosition, 0);
}

TEST(WorkBrackets, ReadAndWriteCountSeparately) {
  TIdComponent c;
  EventLog log;
  log.attach(c);
  c.StartWork(wmRead, 10);
  c.StartWork(wmWrite, 20);
  c.AddWork(wmWrite, 5);
  c.AddWork(wmRead, 7);
  c.FinishWork(wmWrite);
  c.FinishWork(wmRead);
  EXPECT_EQ(log.lines, (Lines{"begin 0 10", "begin 1 20", "work 1 5", "work 0 7", "end 1", "end 0"}));
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
  log.attach(c);
  c.ReportStatus(hsResolving, "example.test");
  c.ReportStatus(hsConnecting, "127.0.0.1");
  c.ReportStatus(hsConnected, "ignored host");
  c.ReportStatus(hsDisconnected);
  c.ReportStatus(hsStatusText);
  c.ReportStatus(hsStatusText, "free text");
  EXPECT_EQ(log.lines, (Lines{"status 0 Resolving hostname example.test.", "status 1 Connecting to 127.0.0.1.",
                              "status 2 Connected.", "status 4 Disconnected.", "status 5 ", "status 5 free text"}));
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
