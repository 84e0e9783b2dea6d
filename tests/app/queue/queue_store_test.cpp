// The queue file: what is stored comes back after a restart or a crash, an
// old layout is upgraded, and a file that cannot be used says why - a damaged
// one kept aside, one in use left alone, a read-only folder or a planted
// queue refused.
#include <gtest/gtest.h>

#include <pwd.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fmt/core.h>

#include "app/queue/queue_errors.h"
#include "app/queue/queue_scheduler.h"
#include "app/queue/queue_store.h"
#include "tests/app/queue/queue_test_support.h"
#include "tests/servers/temp_folder.h"

namespace {

using namespace queue_test;
using enum TQueueState;

TQueueItem someItem(const std::string& address, TQueueState state) {
  TQueueItem item;
  item.Address = address;
  item.State = state;
  item.AddedAt = 1000;
  item.ChangedAt = 1001;
  item.Settings.Folder = "/videos/";
  item.Settings.Choices.Format = otDVD_PAL;
  return item;
}

// The stored fields of an item, for whole comparisons.
std::string stored(const TQueueItem& item) {
  return fmt::format("{}|{}|{}|{}|{}|{}|{}|{}|{}|{}|{}|{}|{}", item.Id, item.Address, item.Title,
                     EncodeItemSettings(item.Settings), StateName(item.State), item.PartialFile, item.BytesDone,
                     item.BytesTotal, item.Error, item.OutputFile, item.AddedAt, item.ChangedAt, item.FinishedAt);
}

std::string settingsText(const TQueueSettings& s) {
  return fmt::format("jobs={} resume={} folder={} template={} connections={} limit={}", s.JobsAtOnce, s.ResumeAtStart,
                     s.Folder, s.NameTemplate, s.Connections, s.LimitRate);
}

std::vector<std::string> storedAll(const std::vector<TQueueItem>& items) {
  std::vector<std::string> all;
  for (const TQueueItem& item : items) all.push_back(stored(item));
  return all;
}

mode_t modeOf(const std::string& path) {
  struct stat status {};
  ::stat(path.c_str(), &status);
  return status.st_mode & 07777;
}

int layoutOf(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &statement, nullptr);
  const int layout = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int(statement, 0) : -1;
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return layout;
}

class QueueStoreTest : public ::testing::Test {
protected:
  ~QueueStoreTest() override { ::umask(umask_); }

  // What the tests make stands for the user's own, closed to others' writes.
  const mode_t umask_ = ::umask(022);
  TempFolder temp;
  std::string folder = temp.File("state/quillfen");
  std::string path = folder + "/queue.sqlite3";
};

// Every field, the order, removals and swaps survive closing the file; the
// file and its folder are the user's alone.
TEST_F(QueueStoreTest, ComesBackAfterReopening) {
  std::vector<TQueueItem> written;
  {
    TQueueStore store(path);
    for (const char* address : {"http://a/1", "http://a/2", "http://a/3", "http://a/4"}) {
      TQueueItem item = someItem(address, Queued);
      store.Add(item);
      written.push_back(item);
    }
    written[1].State = Failed;
    written[1].Error = "The connection ended before the whole file had arrived";
    written[1].PartialFile = "/work/x/temp.flv";
    written[1].BytesDone = 12345678901;
    written[1].BytesTotal = 22345678901;
    written[1].Title = "Ünïcode title";
    written[1].FinishedAt = 1005;
    store.Save(written[1]);
    store.SwapPositions(written[0].Id, written[2].Id);
    store.Remove({written[3].Id});
    store.SaveSettings({.JobsAtOnce = 4,
                        .ResumeAtStart = true,
                        .Folder = "/v/",
                        .NameTemplate = "%(title)s",
                        .Connections = 16,
                        .LimitRate = 2048});
  }
  EXPECT_EQ(modeOf(path), 0600u);
  EXPECT_EQ(modeOf(folder), 0700u);
  TQueueStore store(path);
  EXPECT_EQ(storedAll(store.Load()), storedAll({written[2], written[1], written[0]}));
  EXPECT_EQ(settingsText(store.LoadSettings()),
            "jobs=4 resume=true folder=/v/ template=%(title)s connections=16 limit=2048");
}

// A file of the first layout, made here as that program made it, is
// upgraded in place: its items keep everything, finished ones get their
// finishing time, and the queue's settings start at their defaults.
TEST_F(QueueStoreTest, UpgradesTheFirstLayout) {
  std::filesystem::create_directories(folder);
  RunSql(path, R"sql(
    CREATE TABLE items(id INTEGER PRIMARY KEY, position INTEGER NOT NULL, address TEXT NOT NULL,
      title TEXT NOT NULL DEFAULT '', settings TEXT NOT NULL, state TEXT NOT NULL,
      partial_file TEXT NOT NULL DEFAULT '', bytes_done INTEGER NOT NULL DEFAULT 0,
      error TEXT NOT NULL DEFAULT '', output_file TEXT NOT NULL DEFAULT '',
      added_at INTEGER NOT NULL, changed_at INTEGER NOT NULL);
    INSERT INTO items VALUES(7, 2, 'http://a/saved', 'Saved one', 'format=SVCD_PAL
folder=/v/
', 'saved', '', 900, '', '/v/Saved one.wmv', 100, 200);
    INSERT INTO items VALUES(9, 1, 'http://a/paused', '', 'format=AVI
', 'paused', '/w/temp.flv', 300, '', '', 110, 210);
    PRAGMA user_version = 1;)sql");
  TQueueStore store(path);
  const std::vector<TQueueItem> items = store.Load();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(stored(items[0]), "9|http://a/paused||" + EncodeItemSettings({}) + "|paused|/w/temp.flv|300|0|||110|210|0");
  TQueueItemSettings savedSettings;
  savedSettings.Choices.Format = otSVCD_PAL;
  savedSettings.Folder = "/v/";
  EXPECT_EQ(stored(items[1]), "7|http://a/saved|Saved one|" + EncodeItemSettings(savedSettings) +
                                  "|saved||900|0||/v/Saved one.wmv|100|200|200");
  EXPECT_EQ(store.LoadSettings().JobsAtOnce, 2);
  store.SaveSettings(TQueueSettings());
  TQueueItem added = someItem("http://a/new", Queued);
  store.Add(added);
  EXPECT_EQ(store.Load().back().Address, "http://a/new");
}

// A file of the second layout keeps its items and the queue's settings it
// knew; the connections, which it did not store, start at their default,
// and once stored they come back. The layout stays one that program reads.
TEST_F(QueueStoreTest, SecondLayoutGainsTheConnections) {
  std::filesystem::create_directories(folder);
  {
    TQueueStore store(path);
    TQueueItem item = someItem("http://a/1", Paused);
    store.Add(item);
  }
  RunSql(path, R"sql(
    DELETE FROM queue_settings;
    INSERT INTO queue_settings VALUES('jobs_at_once', '3'), ('resume_at_start', '1'), ('folder', '/v/'),
      ('name_template', '%(title)s [x].%(ext)s');)sql");
  {
    TQueueStore store(path);
    EXPECT_EQ(store.Load().size(), 1u);
    TQueueSettings settings = store.LoadSettings();
    EXPECT_EQ(settingsText(settings),
              "jobs=3 resume=true folder=/v/ template=%(title)s [x].%(ext)s connections=4 limit=0");
    settings.Connections = 1;
    store.SaveSettings(settings);
  }
  EXPECT_EQ(TQueueStore(path).LoadSettings().Connections, 1);
  EXPECT_EQ(layoutOf(path), 2);
}

// A value edited by hand or written by another program that this one
// cannot use is read as its default, never as something a job would trip
// over later; the bounds themselves are good values.
TEST_F(QueueStoreTest, SettingsThatCannotBeUsedKeepTheirDefaults) {
  struct ValueCase {
    const char* name;
    const char* value;
    const char* expected;
  };
  const std::string defaults = settingsText({});
  const ValueCase cases[] = {
      {"jobs_at_once", "0", nullptr},
      {"jobs_at_once", "17", nullptr},
      {"jobs_at_once", "99999999999", nullptr},
      {"jobs_at_once", "3 jobs", nullptr},
      {"jobs_at_once", "16", "jobs=16 resume=false folder= template=%(title)s.%(ext)s connections=4 limit=0"},
      {"connections", "0", nullptr},
      {"connections", "-4", nullptr},
      {"connections", "17", nullptr},
      {"connections", "", nullptr},
      {"connections", "1", "jobs=2 resume=false folder= template=%(title)s.%(ext)s connections=1 limit=0"},
      {"folder", "/videos", nullptr},
      {"folder", "/videos/", "jobs=2 resume=false folder=/videos/ template=%(title)s.%(ext)s connections=4 limit=0"},
      {"name_template", "%(id)s.%(ext)s", nullptr},
      {"name_template", "", nullptr},
      {"name_template", "%(title)s/", nullptr},
      {"name_template", "../%(title)s.%(ext)s", nullptr},
      {"name_template", "/tmp/%(title)s.%(ext)s", nullptr},
      {"name_template", "%%(title)s", "jobs=2 resume=false folder= template=%%(title)s connections=4 limit=0"},
      {"resume_at_start", "yes", nullptr},
      {"limit_rate", "-1", nullptr},
      {"limit_rate", "1099511627777", nullptr},
      {"limit_rate", "2M", nullptr},
      {"limit_rate", "524288", "jobs=2 resume=false folder= template=%(title)s.%(ext)s connections=4 limit=524288"},
  };
  TQueueStore{path};
  for (const ValueCase& c : cases) {
    SCOPED_TRACE(fmt::format("{}={}", c.name, c.value));
    RunSql(path,
           fmt::format("DELETE FROM queue_settings; INSERT INTO queue_settings VALUES('{}', '{}')", c.name, c.value));
    EXPECT_EQ(settingsText(TQueueStore(path).LoadSettings()), c.expected ? c.expected : defaults);
  }
}

// A file from a newer program is neither read nor moved.
TEST_F(QueueStoreTest, NewerLayoutIsRefusedAndKept) {
  std::filesystem::create_directories(folder);
  RunSql(path, "CREATE TABLE future(x); PRAGMA user_version = 3;");
  try {
    TQueueStore store(path);
    FAIL() << "no exception";
  } catch (const EQueueStoreError& error) {
    EXPECT_EQ(error.Message, "The queue file '" + path +
                                 "' was written by a newer Quillfen (version 3 of its layout; this one knows up to 2)");
  }
  EXPECT_TRUE(std::filesystem::exists(path));
}

// Garbage where the database should be, and a database whose pages were
// overwritten: the file is moved aside whole, never deleted, and the next
// store starts an empty queue.
TEST_F(QueueStoreTest, DamagedFileIsKeptAside) {
  struct DamageCase {
    const char* what;
    std::function<void(const std::string& path)> damage;
  };
  const DamageCase cases[] = {
      {"garbage bytes", [](const std::string& p) { WriteWhole(p, std::string(8192, '\x5a')); }},
      {"overwritten pages",
       [](const std::string& p) {
         {
           TQueueStore store(p);
           for (int i = 0; i < 200; ++i) {
             TQueueItem item = someItem("http://a/" + std::string(300, 'x') + std::to_string(i), Queued);
             store.Add(item);
           }
         }
         RunSql(p, "PRAGMA wal_checkpoint(TRUNCATE)");
         std::string bytes = ReadAll(p);
         for (size_t i = 4096; i < bytes.size(); i += 7) bytes[i] = char(i * 31);
         WriteWhole(p, bytes);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::create_directories(folder);
    c.damage(path);
    const std::string damaged = ReadAll(path);
    try {
      TQueueStore store(path);
      FAIL() << "no exception";
    } catch (const EQueueDamaged& error) {
      EXPECT_EQ(ReadAll(error.KeptAs), damaged);
      EXPECT_EQ(error.KeptAs.rfind(path + ".broken-", 0), 0u) << error.KeptAs;
      EXPECT_NE(error.Message.find("it was kept as '" + error.KeptAs + "'"), std::string::npos) << error.Message;
      std::filesystem::remove(error.KeptAs);
    }
    EXPECT_TRUE(TQueueStore(path).Load().empty());
    std::filesystem::remove_all(folder);
  }
}

// While one store holds the file, a second - in this process or another -
// is told the queue is in use, and the file is left as it is; once the
// first has gone, the next one opens it.
TEST_F(QueueStoreTest, SecondStoreIsToldTheQueueIsInUse) {
  auto first = std::make_unique<TQueueStore>(path);
  TQueueItem item = someItem("http://a/1", Queued);
  first->Add(item);
  EXPECT_EQ(InChild([&] {
              TQueueStore second(path);
              return std::string("opened");
            }),
            "the queue is in use by another Quillfen window");
  try {
    TQueueStore second(path);
    FAIL() << "no exception";
  } catch (const EQueueInUse& error) {
    EXPECT_STREQ(error.what(), "the queue is in use by another Quillfen window");
  }
  first.reset();
  EXPECT_EQ(TQueueStore(path).Load().size(), 1u);
}

// A window killed in the middle of its work: every item it had stored is
// there at the next start, and the interrupted ones (the conversion that was
// cut among them) come back paused.
TEST_F(QueueStoreTest, SurvivesAKill) {
  InChild([&] {
    TQueueStore store(path);
    for (TQueueState state : {Saved, Converting, Downloading, Queued}) {
      TQueueItem item = someItem(std::string("http://a/") + StateName(state), state);
      store.Add(item);
    }
    ::raise(SIGKILL);
    return std::string();
  });
  TQueueStore store(path);
  struct NoJobs : TQueueJobRunner {
    std::unique_ptr<TQueueJobHandle> Start(const TQueueItem&, TQueueJobEvents) override { throw Exception("none"); }
    void DiscardPartial(const TQueueItem&) override {}
  } runner;
  TQueueScheduler scheduler(store, runner);
  std::vector<std::string> states;
  for (const TQueueItem& item : scheduler.Items()) states.push_back(item.Address + " " + StateName(item.State));
  EXPECT_EQ(states, (std::vector<std::string>{"http://a/saved saved", "http://a/converting paused",
                                              "http://a/downloading paused", "http://a/queued paused"}));
}

// A folder that cannot be written: a new queue cannot be made there, and an
// existing one cannot be opened for writing. Root ignores permissions, so
// as root the folder is made read-only by a bind mount in a mount namespace
// of the child's own.
TEST_F(QueueStoreTest, ReadOnlyFolderIsAClearError) {
  struct ReadOnlyCase {
    const char* what;
    bool existing;
  };
  for (const ReadOnlyCase c : {ReadOnlyCase{"new queue", false}, ReadOnlyCase{"existing queue", true}}) {
    SCOPED_TRACE(c.what);
    std::filesystem::create_directories(folder);
    if (c.existing) TQueueStore{path};
    const std::string said = InChild([&] {
      if (::geteuid() == 0) {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
            ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
          return std::string("cannot make the folder read-only: ") + std::strerror(errno);
      } else {
        ::chmod(folder.c_str(), 0500);
      }
      TQueueStore store(path);
      return std::string("opened");
    });
    ::chmod(folder.c_str(), 0700);
    EXPECT_EQ(said.rfind("Cannot open the queue file '" + path + "': ", 0), 0u) << said;
    EXPECT_EQ(std::filesystem::exists(path), c.existing);
    if (c.existing) {
      EXPECT_EQ(TQueueStore(path).Load().size(), 0u);  // still a good queue
    }
    std::filesystem::remove_all(folder);
  }
}

// A queue someone else planted - in a folder others can write or own, in a
// file others can write, or behind a link - is refused before it is read: its
// item, saved into /etc/ under a climbing name and resumed at start, never
// comes back, and the file stays as it was. Only root can give a folder to
// another user; anyone else meets one in /usr.
TEST_F(QueueStoreTest, PlantedQueueIsRefused) {
  const std::string otherUsers = ::geteuid() == 0 ? folder : "/usr";
  const std::string reason = "; the queue is kept only in a ";
  const struct {
    const char* what;
    std::function<void()> plant;
    std::string opened;
    std::string refusal;
  } cases[] = {
      {"folder open to all", [&] { ::chmod(folder.c_str(), 0777); }, path,
       "The queue's folder '" + folder + "' can be written by other users" + reason + "folder closed to them"},
      {"folder of another user", [&] { ::chown(folder.c_str(), ::getpwnam("nobody")->pw_uid, -1); },
       otherUsers + "/queue.sqlite3",
       "The queue's folder '" + otherUsers + "' belongs to another user" + reason + "folder of the user's own"},
      {"file open to all", [&] { ::chmod(path.c_str(), 0666); }, path,
       "The queue file '" + path + "' can be written by other users" + reason + "file closed to them"},
      {"folder behind a link",
       [&] {
         std::filesystem::rename(folder, folder + ".real");
         std::filesystem::create_directory_symlink(folder + ".real", folder);
       },
       path, "The queue's folder '" + folder + "' is a symbolic link" + reason + "real folder of the user's own"},
      {"file behind a link",
       [&] {
         std::filesystem::rename(path, folder + "/real.sqlite3");
         std::filesystem::create_symlink("real.sqlite3", path);
       },
       path, "The queue file '" + path + "' is a symbolic link" + reason + "plain file of the user's own"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(temp.File("state"));
    {
      TQueueStore planted(path);
      TQueueItem item = someItem("http://a/planted", Queued);
      item.Settings.Folder = "/etc/";
      item.Settings.NameTemplate = "../../../../root/.bashrc";
      planted.Add(item);
      TQueueSettings resumed;
      resumed.ResumeAtStart = true;
      planted.SaveSettings(resumed);
    }
    c.plant();
    const std::string before = ReadAll(c.opened);
    try {
      TQueueStore store(c.opened);
      ADD_FAILURE() << "opened, with " << store.Load().size() << " items";
    } catch (const EQueueStoreError& error) {
      EXPECT_EQ(error.Message, c.refusal);
    }
    EXPECT_EQ(ReadAll(c.opened), before);
    EXPECT_FALSE(std::filesystem::exists(c.opened + "-wal"));
  }
}

}  // namespace
