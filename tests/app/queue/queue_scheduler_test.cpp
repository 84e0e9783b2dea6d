// The scheduler over a fake runner: no more jobs at once than allowed, in
// queue order; pause, resume, remove and move; events of a job that has
// ended or whose item is gone change nothing; and a restart brings the queue
// back as it was left.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <thread>

#include "app/queue/queue_errors.h"
#include "app/queue/queue_event_inbox.h"
#include "app/queue/queue_scheduler.h"
#include "tests/app/queue/queue_test_support.h"
#include "tests/servers/temp_folder.h"

namespace {

using enum TQueueState;

TJobFailure failure(TFailureKind kind, const std::string& message) {
  TJobFailure failure;
  failure.Kind = kind;
  failure.Message = message;
  return failure;
}

// Records what the scheduler asks of it; the test plays each job's part
// through the events it keeps.
class FakeRunner : public TQueueJobRunner {
public:
  struct Job {
    TQueueItem Item;
    TQueueJobEvents Events;
    bool Paused = false;
    bool Stopped = false;
    bool Ended = false;  // the handle is gone
  };
  class Handle : public TQueueJobHandle {
  public:
    explicit Handle(Job& job) : job_(job) {}
    ~Handle() override { job_.Ended = true; }
    void Pause() override { job_.Paused = true; }
    void Stop() override { job_.Stopped = true; }

  private:
    Job& job_;
  };

  std::unique_ptr<TQueueJobHandle> Start(const TQueueItem& item, TQueueJobEvents events) override {
    if (!RefuseWith.empty()) throw Exception(RefuseWith);
    Started.push_back(item.Address);
    Job& job = *jobs.emplace_back(std::make_unique<Job>(Job{item, std::move(events)}));
    return std::make_unique<Handle>(job);
  }
  void DiscardPartial(const TQueueItem& item) override {
    const bool running = std::any_of(jobs.begin(), jobs.end(),
                                     [&](const auto& job) { return job->Item.Address == item.Address && !job->Ended; });
    Discarded.push_back(item.Address + (running ? " while its job runs" : ""));
  }

  // The latest job started for address.
  Job& JobOf(const std::string& address) {
    for (auto job = jobs.rbegin(); job != jobs.rend(); ++job)
      if ((*job)->Item.Address == address) return **job;
    throw std::runtime_error("no job for " + address);
  }

  std::vector<std::string> Started;
  std::vector<std::string> Discarded;
  std::string RefuseWith;
  std::vector<std::unique_ptr<Job>> jobs;
};

class QueueSchedulerTest : public ::testing::Test {
protected:
  void open() {
    store = std::make_unique<TQueueStore>(temp.File("queue.sqlite3"));
    scheduler = std::make_unique<TQueueScheduler>(*store, runner, [this] { return ++clock; });
  }
  void reopen() {
    scheduler.reset();
    store.reset();
    open();
  }
  int64_t add(const std::string& address) { return scheduler->Add(address, {}); }
  // The job for address downloads, converts and saves.
  void save(const std::string& address) {
    const TQueueJobEvents& events = runner.JobOf(address).Events;
    events.Started("/w/" + address);
    events.Converting(100);
    events.Saved("/v/" + address);
  }
  TQueueState stateOf(int64_t id) { return scheduler->Item(id).State; }
  std::vector<std::string> order() {
    std::vector<std::string> addresses;
    for (const TQueueItem& item : scheduler->Items()) addresses.push_back(item.Address);
    return addresses;
  }

  TempFolder temp;
  int64_t clock = 0;
  FakeRunner runner;
  std::unique_ptr<TQueueStore> store;
  std::unique_ptr<TQueueScheduler> scheduler;
};

// Two jobs at once by default; each job that ends, however it ends, lets the
// next waiting item start, and a new limit counts at once.
TEST_F(QueueSchedulerTest, RunsNoMoreJobsThanTheLimitInOrder) {
  open();
  const int64_t a = add("a"), b = add("b"), c = add("c"), d = add("d");
  add("e");
  EXPECT_EQ(runner.Started, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(stateOf(a), Reading);
  EXPECT_EQ(stateOf(c), Queued);

  runner.JobOf("a").Events.Started("/w/a.flv");
  runner.JobOf("a").Events.Progress(500, 1000, 250);
  EXPECT_EQ(StateText(scheduler->Item(a)), "downloading 50 %");
  EXPECT_EQ(SecondsLeft(scheduler->Item(a)), 2);
  runner.JobOf("a").Events.Converting(40);
  EXPECT_EQ(StateText(scheduler->Item(a)), "converting 40 %");
  runner.JobOf("a").Events.Saved("/v/a.avi");
  EXPECT_EQ(runner.Started, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_TRUE(runner.JobOf("a").Ended);

  runner.JobOf("b").Events.Failed(failure(TFailureKind::NoVideo, "No video"));
  EXPECT_EQ(StateText(scheduler->Item(b)), "failed: No video");
  EXPECT_EQ(runner.Started, (std::vector<std::string>{"a", "b", "c", "d"}));

  scheduler->SetJobsAtOnce(3);
  EXPECT_EQ(runner.Started.back(), "e");
  scheduler->SetJobsAtOnce(1);
  EXPECT_FALSE(runner.JobOf("c").Stopped);  // running jobs finish
  save("c");
  save("d");
  EXPECT_EQ(scheduler->RunningJobs(), 1);
  scheduler->Retry(b);
  EXPECT_EQ(stateOf(b), Queued);  // the one slot is e's
  save("e");
  EXPECT_EQ(stateOf(b), Reading);
  EXPECT_EQ(scheduler->Item(b).Error, "");
  EXPECT_EQ(stateOf(d), Saved);
  EXPECT_THROW(scheduler->SetJobsAtOnce(0), EQueueError);
}

// The queue's settings refuse what no job could work with, with the word
// the user reads, and keep the value they had; good ones are stored.
TEST_F(QueueSchedulerTest, SettingsRefuseWhatNoJobCanUse) {
  open();
  scheduler->SetSaveTarget("/v", "%(title)s [q].%(ext)s");
  struct Refused {
    const char* what;
    std::function<void()> command;
    const char* message;
  };
  const Refused cases[] = {
      {"17 jobs", [&] { scheduler->SetJobsAtOnce(17); }, "The number of jobs at once must be from 1 to 16, not 17"},
      {"no connection", [&] { scheduler->SetConnections(0); },
       "The number of connections per download must be from 1 to 16, not 0"},
      {"17 connections", [&] { scheduler->SetConnections(17); },
       "The number of connections per download must be from 1 to 16, not 17"},
      {"a negative rate", [&] { scheduler->SetLimitRate(-1); },
       "The rate limit must be from 0 to 1099511627776 bytes a second, not -1"},
      {"unknown field", [&] { scheduler->SetSaveTarget("/w/", "%(id)s.%(ext)s"); },
       "The output template '%(id)s.%(ext)s' has a field other than %(title)s, %(ext)s and %%"},
      {"a folder for a name", [&] { scheduler->SetSaveTarget("/w/", "%(title)s/"); },
       "The output template '%(title)s/' names no file"},
  };
  for (const Refused& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      c.command();
      ADD_FAILURE() << "no exception";
    } catch (const Exception& error) {
      EXPECT_EQ(error.Message, c.message);
    }
  }
  scheduler->SetConnections(16);
  scheduler->SetLimitRate(512 * 1024);
  reopen();
  const TQueueSettings& settings = scheduler->Settings();
  EXPECT_EQ(settings.JobsAtOnce, 2);
  EXPECT_EQ(settings.Folder, "/v/");
  EXPECT_EQ(settings.NameTemplate, "%(title)s [q].%(ext)s");
  EXPECT_EQ(settings.Connections, 16);
  EXPECT_EQ(settings.LimitRate, 512 * 1024);
}

// A running job pauses when it confirms; until then it holds its slot. The
// resumed item waits for a slot and is started again with its partial
// file, for the job to continue.
TEST_F(QueueSchedulerTest, PauseKeepsThePartialFileForResume) {
  open();
  scheduler->SetJobsAtOnce(1);
  const int64_t a = add("a"), b = add("b");
  runner.JobOf("a").Events.Started("/w/a.flv");
  runner.JobOf("a").Events.Progress(300, 1000, 10);
  scheduler->Pause(a);
  EXPECT_TRUE(runner.JobOf("a").Paused);
  EXPECT_EQ(stateOf(a), Downloading);
  EXPECT_EQ(stateOf(b), Queued);
  runner.JobOf("a").Events.Paused();
  EXPECT_EQ(stateOf(a), Paused);
  EXPECT_EQ(stateOf(b), Reading);

  scheduler->Resume(a);
  EXPECT_EQ(stateOf(a), Queued);
  save("b");
  EXPECT_EQ(runner.Started, (std::vector<std::string>{"a", "b", "a"}));
  EXPECT_EQ(runner.JobOf("a").Item.PartialFile, "/w/a.flv");
  EXPECT_EQ(runner.JobOf("a").Item.BytesDone, 300);

  // A waiting item pauses at once; pausing it again is a fault.
  const int64_t c = add("c");
  scheduler->Pause(c);
  EXPECT_EQ(stateOf(c), Paused);
  EXPECT_THROW(scheduler->Pause(c), EQueueTransition);
  EXPECT_THROW(scheduler->Resume(b), EQueueTransition);  // saved is history
}

// A job that saves before it notices the pause has saved; a job that reports
// after its end, or a report no state allows, is no quiet change.
TEST_F(QueueSchedulerTest, LateAndImpossibleEvents) {
  open();
  const int64_t a = add("a"), b = add("b");
  FakeRunner::Job& jobA = runner.JobOf("a");
  jobA.Events.Converting(99);
  scheduler->Pause(a);
  jobA.Events.Saved("/v/a");
  EXPECT_EQ(stateOf(a), Saved);
  jobA.Events.Progress(5, 10, 1);  // the job has ended: nothing changes
  jobA.Events.Failed(failure(TFailureKind::Network, "late"));
  EXPECT_EQ(StateText(scheduler->Item(a)), "saved: /v/a");
  EXPECT_THROW(runner.JobOf("b").Events.Saved("/v/b.avi"), EQueueTransition);  // still reading its page
  EXPECT_EQ(stateOf(b), Reading);
}

// Removing a running item stops its job; the partial file goes only once
// the job has ended, and its slot is free only then.
TEST_F(QueueSchedulerTest, RemoveStopsTheJobAndDiscardsAfterItEnds) {
  open();
  scheduler->SetJobsAtOnce(1);
  const int64_t a = add("a");
  add("b");
  const int64_t c = add("c");
  runner.JobOf("a").Events.Started("/w/a.flv");
  scheduler->Remove(a, true);
  EXPECT_TRUE(runner.JobOf("a").Stopped);
  EXPECT_TRUE(runner.Discarded.empty());
  EXPECT_EQ(order(), (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(runner.Started, (std::vector<std::string>{"a"}));
  runner.JobOf("a").Events.Progress(1, 2, 3);  // its item is gone
  runner.JobOf("a").Events.Failed(failure(TFailureKind::Stopped, "stopped"));
  EXPECT_EQ(runner.Discarded, (std::vector<std::string>{"a"}));
  EXPECT_EQ(runner.Started, (std::vector<std::string>{"a", "b"}));

  scheduler->Pause(c);
  scheduler->Remove(c, false);
  EXPECT_EQ(runner.Discarded, (std::vector<std::string>{"a"}));
  EXPECT_THROW(scheduler->Item(c), EQueueError);
}

// Moving changes the order jobs start in, and the stored order.
TEST_F(QueueSchedulerTest, MovesChangeStartOrderAndAreStored) {
  open();
  scheduler->SetJobsAtOnce(1);
  const int64_t a = add("a");
  add("b");
  const int64_t c = add("c");
  scheduler->MoveUp(c);
  scheduler->MoveUp(c);
  scheduler->MoveUp(c);  // already first: nothing
  scheduler->MoveDown(a);
  EXPECT_EQ(order(), (std::vector<std::string>{"c", "b", "a"}));
  save("a");
  EXPECT_EQ(runner.Started, (std::vector<std::string>{"a", "c"}));
  reopen();
  EXPECT_EQ(order(), (std::vector<std::string>{"c", "b", "a"}));
}

// Pause all stops every job and holds every waiting item; resume all lets
// them wait again; clear finished removes the saved ones only.
TEST_F(QueueSchedulerTest, WholeQueueCommands) {
  open();
  const int64_t a = add("a"), b = add("b"), c = add("c"), d = add("d");
  save("a");
  runner.JobOf("c").Events.Failed(failure(TFailureKind::NoVideo, "No video"));
  scheduler->PauseAll();
  EXPECT_TRUE(runner.JobOf("b").Paused);
  EXPECT_TRUE(runner.JobOf("d").Paused);
  runner.JobOf("b").Events.Paused();
  runner.JobOf("d").Events.Paused();
  EXPECT_EQ(scheduler->RunningJobs(), 0);
  scheduler->ResumeAll();
  EXPECT_EQ(stateOf(b), Reading);
  EXPECT_EQ(stateOf(d), Reading);
  EXPECT_EQ(stateOf(c), Failed);
  scheduler->ClearFinished();
  EXPECT_EQ(order(), (std::vector<std::string>{"b", "c", "d"}));
  EXPECT_THROW(scheduler->Item(a), EQueueError);
}

// After a restart: history stays, interrupted and waiting items come back
// paused - or waiting, and started, when the settings say to resume - and
// what the user paused stays paused.
TEST_F(QueueSchedulerTest, RestoreAfterRestart) {
  struct RestoreCase {
    bool resumeAtStart;
    std::vector<std::string> expected;
    std::vector<std::string> started;
  };
  const RestoreCase cases[] = {
      {false, {"paused", "paused", "paused", "paused", "saved", "failed"}, {}},
      {true, {"reading", "reading", "queued", "paused", "saved", "failed"}, {"converting", "downloading"}},
  };
  for (const RestoreCase& c : cases) {
    SCOPED_TRACE(c.resumeAtStart);
    {
      TQueueStore seeded(temp.File("queue.sqlite3"));
      TQueueSettings settings;
      settings.ResumeAtStart = c.resumeAtStart;
      seeded.SaveSettings(settings);
      for (TQueueState state : {Converting, Downloading, Queued, Paused, Saved, Failed}) {
        TQueueItem item;
        item.Address = StateName(state);
        item.State = state;
        seeded.Add(item);
      }
    }
    runner.Started.clear();
    open();
    std::vector<std::string> states;
    for (const TQueueItem& item : scheduler->Items()) states.push_back(StateName(item.State));
    EXPECT_EQ(states, c.expected);
    EXPECT_EQ(runner.Started, c.started);
    scheduler.reset();
    store.reset();
    std::filesystem::remove(temp.File("queue.sqlite3"));
    std::filesystem::remove(temp.File("queue.sqlite3-wal"));
  }
}

// A crash in the middle of a conversion leaves its unfinished output beside
// the target. The next start removes those of the items it knows, named in
// full or cut to fit, and nothing else: not one another process still
// writes, not another name's, not the target.
TEST_F(QueueSchedulerTest, StartRemovesUnfinishedOutputsOfInterruptedItems) {
  const std::string ended = std::to_string(queue_test::EndedProcess());
  const std::string running = std::to_string(::getppid());
  const std::string longName = std::string(244, 'x') + ".avi";
  const std::string longSuffix = "." + ended + "-0.part";
  const struct {
    const char* what;
    std::string file;
    bool stays;
  } cases[] = {
      {"an ended process's", ".clip10.avi." + ended + "-2.part", false},
      {"an ended process's, cut", "." + longName.substr(0, 254 - longSuffix.size()) + longSuffix, false},
      {"a running process's", ".clip10.avi." + running + "-0.part", true},
      {"another name's", ".clip1.avi." + ended + "-0.part", true},
      {"the target", "clip10.avi", true},
  };
  std::filesystem::create_directory(temp.File("out"));
  open();
  for (const std::string& name : {std::string("clip10.avi"), longName}) {
    const std::string address = "http://h/" + name;
    add(address);
    runner.JobOf(address).Events.Started("/w/" + name);
    runner.JobOf(address).Events.Named(temp.File("out/" + name));
    runner.JobOf(address).Events.Converting(78);
  }
  for (const auto& c : cases) temp.WriteFile("out/" + c.file, "unfinished");
  // Killed: the items stay as stored.
  reopen();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(std::filesystem::exists(temp.File("out/" + c.file)), c.stays);
  }
}

// A runner that cannot start a job fails its item with its reason.
TEST_F(QueueSchedulerTest, JobThatCannotStartFails) {
  open();
  runner.RefuseWith = "Another Quillfen is already downloading a; this run leaves it alone";
  const int64_t a = add("a");
  EXPECT_EQ(StateText(scheduler->Item(a)), "failed: " + runner.RefuseWith);
  EXPECT_EQ(scheduler->RunningJobs(), 0);
}

// Jobs on worker threads, their events carried to the owner's thread by the
// inbox: every job ends saved, and the owner never runs more than the limit.
TEST_F(QueueSchedulerTest, WorkerThreadsThroughTheInbox) {
  struct ThreadRunner : TQueueJobRunner {
    struct Handle : TQueueJobHandle {
      std::thread worker;
      ~Handle() override { worker.join(); }
      void Pause() override {}
      void Stop() override {}
    };
    std::unique_ptr<TQueueJobHandle> Start(const TQueueItem& item, TQueueJobEvents events) override {
      auto handle = std::make_unique<Handle>();
      handle->worker = std::thread([events = inbox.Marshal(events), address = item.Address] {
        events.Started("/w/" + address);
        for (int64_t bytes = 0; bytes <= 4 << 20; bytes += 1 << 18) events.Progress(bytes, 4 << 20, 1000);
        events.Converting(50);
        events.Saved("/v/" + address);
      });
      return handle;
    }
    void DiscardPartial(const TQueueItem&) override {}
    TQueueEventInbox inbox;
  } threads;
  TQueueStore threadStore(temp.File("threads.sqlite3"));
  TQueueScheduler owner(threadStore, threads);
  int mostRunning = 0;
  owner.OnItemChanged = [&](const TQueueItem&) { mostRunning = std::max(mostRunning, owner.RunningJobs()); };
  for (int i = 0; i < 6; ++i) owner.Add("job" + std::to_string(i), {});
  auto allSaved = [&] {
    return std::all_of(owner.Items().begin(), owner.Items().end(),
                       [](const TQueueItem& item) { return item.State == Saved; });
  };
  for (int round = 0; round < 2000 && !allSaved(); ++round) threads.inbox.Deliver(std::chrono::milliseconds(50));
  EXPECT_TRUE(allSaved());
  EXPECT_EQ(mostRunning, 2);
  EXPECT_EQ(owner.Items().back().OutputFile, "/v/job5");
}

}  // namespace
