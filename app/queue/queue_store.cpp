#include "app/queue/queue_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

#include <fmt/core.h>

#include "app/app_folders.h"
#include "app/output_name.h"
#include "app/queue/messages.h"
#include "app/queue/queue_errors.h"
#include "app/queue/sqlite_database.h"
#include "platform/int_parse.h"

namespace {

constexpr const char* LayoutV2 = R"sql(
CREATE TABLE items(
  id INTEGER PRIMARY KEY,
  position INTEGER NOT NULL,
  address TEXT NOT NULL,
  title TEXT NOT NULL DEFAULT '',
  settings TEXT NOT NULL,
  state TEXT NOT NULL,
  partial_file TEXT NOT NULL DEFAULT '',
  bytes_done INTEGER NOT NULL DEFAULT 0,
  bytes_total INTEGER NOT NULL DEFAULT 0,
  error TEXT NOT NULL DEFAULT '',
  output_file TEXT NOT NULL DEFAULT '',
  added_at INTEGER NOT NULL,
  changed_at INTEGER NOT NULL,
  finished_at INTEGER NOT NULL DEFAULT 0);
CREATE TABLE queue_settings(name TEXT PRIMARY KEY, value TEXT NOT NULL);
)sql";

// Layout 1 knew neither the size of a transfer nor when an item finished,
// and kept no settings for the whole queue.
constexpr const char* UpgradeV1ToV2 = R"sql(
ALTER TABLE items ADD COLUMN bytes_total INTEGER NOT NULL DEFAULT 0;
ALTER TABLE items ADD COLUMN finished_at INTEGER NOT NULL DEFAULT 0;
UPDATE items SET finished_at = changed_at WHERE state IN ('failed', 'saved');
CREATE TABLE queue_settings(name TEXT PRIMARY KEY, value TEXT NOT NULL);
)sql";

// The upgrade from layout n to n + 1 is Upgrades[n - 1].
constexpr const char* Upgrades[] = {UpgradeV1ToV2};
static_assert(std::size(Upgrades) == TQueueStore::LayoutVersion - 1);

constexpr const char* ItemColumns =
    "id, address, title, settings, state, partial_file, bytes_done, bytes_total, error, output_file, added_at, "
    "changed_at, finished_at";

constexpr TPrivatePathTexts FolderTexts = {queue_messages::CannotCheckFolder, queue_messages::FolderIsLink,
                                           queue_messages::FolderNotAFolder, queue_messages::FolderNotOwned,
                                           queue_messages::FolderOpenToOthers};
constexpr TPrivatePathTexts FileTexts = {queue_messages::CannotOpen, queue_messages::FileIsLink,
                                         queue_messages::FileNotPlain, queue_messages::FileNotOwned,
                                         queue_messages::FileOpenToOthers};

// A queue that another user could have written is never read: its items
// would start by themselves and save where that user wants.
void checkPrivate(const std::string& path, TPathKind kind, const TPrivatePathTexts& texts) {
  if (const std::optional<std::string> refusal = PrivatePathRefusal(path, kind, texts))
    throw EQueueStoreError(*refusal);
}

// The folder of the queue file is the user's alone; folders above it are
// made as any program makes them.
void makeFolder(const std::filesystem::path& folder) {
  std::error_code ignored;
  std::filesystem::create_directories(folder.parent_path(), ignored);
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
    throw EQueueStoreError(fmt::format(queue_messages::CannotMakeFolder, folder.string(), std::strerror(errno)));
  checkPrivate(folder, TPathKind::Folder, FolderTexts);
}

// SQLite would make the file readable by everybody. One already there, or
// anything else under its name, is checked instead.
void makePrivateFile(const std::string& path) {
  const int file = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (file < 0 && errno != EEXIST)
    throw EQueueStoreError(fmt::format(queue_messages::CannotOpen, path, std::strerror(errno)));
  if (file >= 0) ::close(file);
  checkPrivate(path, TPathKind::File, FileTexts);
}

std::string utcStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  ::gmtime_r(&now, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
  return text;
}

bool exists(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0;
}

TQueueItem readItem(const TSqliteStatement& row, const std::string& path) {
  TQueueItem item;
  item.Id = row.Int(0);
  item.Address = row.Text(1);
  item.Title = row.Text(2);
  item.Settings = DecodeItemSettings(row.Text(3));
  const std::string state = row.Text(4);
  const std::optional<TQueueState> known = StateFromName(state);
  if (!known) throw EQueueStoreError(fmt::format(queue_messages::UnknownState, path, state));
  item.State = *known;
  item.PartialFile = row.Text(5);
  item.BytesDone = row.Int(6);
  item.BytesTotal = row.Int(7);
  item.Error = row.Text(8);
  item.OutputFile = row.Text(9);
  item.AddedAt = row.Int(10);
  item.ChangedAt = row.Int(11);
  item.FinishedAt = row.Int(12);
  return item;
}

std::optional<int> inRange(const std::string& text, int most) {
  const int64_t value = StrToInt64Def(text, 0);
  if (value < 1 || value > most) return std::nullopt;
  return int(value);
}

bool isNameTemplate(const std::string& text) {
  try {
    CheckNameTemplate(text);
    return true;
  } catch (const EBadNameTemplate&) {
    return false;
  }
}

// Each value in its own row, so that a program of either age skips the
// names it does not know and a missing one keeps its default.
struct StoredSetting {
  const char* Name;
  std::string (*Write)(const TQueueSettings&);
  void (*Read)(TQueueSettings&, const std::string&);
};
const StoredSetting StoredSettings[] = {
    {"jobs_at_once", [](const TQueueSettings& s) { return std::to_string(s.JobsAtOnce); },
     [](TQueueSettings& s, const std::string& v) {
       s.JobsAtOnce = inRange(v, TQueueSettings::MostJobsAtOnce).value_or(s.JobsAtOnce);
     }},
    {"resume_at_start", [](const TQueueSettings& s) { return std::string(s.ResumeAtStart ? "1" : "0"); },
     [](TQueueSettings& s, const std::string& v) { s.ResumeAtStart = v == "1"; }},
    {"folder", [](const TQueueSettings& s) { return s.Folder; },
     [](TQueueSettings& s, const std::string& v) {
       if (v.ends_with('/')) s.Folder = v;
     }},
    {"name_template", [](const TQueueSettings& s) { return s.NameTemplate; },
     [](TQueueSettings& s, const std::string& v) {
       if (isNameTemplate(v)) s.NameTemplate = v;
     }},
    {"connections", [](const TQueueSettings& s) { return std::to_string(s.Connections); },
     [](TQueueSettings& s, const std::string& v) {
       s.Connections = inRange(v, TQueueSettings::MostConnections).value_or(s.Connections);
     }},
    {"limit_rate", [](const TQueueSettings& s) { return std::to_string(s.LimitRate); },
     [](TQueueSettings& s, const std::string& v) {
       const int64_t rate = StrToInt64Def(v, -1);
       if (rate >= 0 && rate <= TQueueSettings::MostLimitRate) s.LimitRate = rate;
     }},
};

}  // namespace

std::string QueuedFileName(const std::string& nameTemplate, const std::string& title, const std::string& extension) {
  const std::string name = ExpandNameTemplate(nameTemplate, title, extension);
  if (name.empty() || name.ends_with('/'))
    throw EBadNameTemplate(fmt::format(queue_messages::TemplateNamesNoFile, nameTemplate));
  const std::filesystem::path parts(name);
  if (parts.is_absolute() || std::find(parts.begin(), parts.end(), "..") != parts.end())
    throw EBadNameTemplate(fmt::format(queue_messages::TemplateLeavesFolder, nameTemplate));
  return name;
}

void CheckNameTemplate(const std::string& nameTemplate) { QueuedFileName(nameTemplate, "title", "ext"); }

std::string TQueueStore::DefaultPath() {
  std::string base;
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/') base = state;
  else if (const char* home = std::getenv("HOME"); home && *home) base = std::string(home) + "/.local/state";
  else throw EQueueStoreError(queue_messages::NoStateFolder);
  return base + "/quillfen/queue.sqlite3";
}

TQueueStore::TQueueStore(std::string path) : path_(std::move(path)) {
  makeFolder(std::filesystem::path(path_).parent_path());
  makePrivateFile(path_);
  std::optional<std::string> damage;
  try {
    damage = open();
  } catch (const ESqliteError& error) {
    if (error.Code == SQLITE_BUSY || error.Code == SQLITE_LOCKED) throw EQueueInUse(queue_messages::InUse);
    if (error.Code == SQLITE_NOTADB || error.Code == SQLITE_CORRUPT) putAside(error.Message);
    throw EQueueStoreError(fmt::format(queue_messages::CannotOpen, path_, error.Message));
  }
  if (damage) putAside(*damage);
}

TQueueStore::~TQueueStore() = default;

std::optional<std::string> TQueueStore::open() {
  db_ = std::make_unique<TSqliteDatabase>(path_);
  // The lock is taken by the first write below and held until the store
  // goes; without shared memory, the write-ahead log needs no -shm file.
  db_->Execute("PRAGMA locking_mode=EXCLUSIVE");
  db_->Execute("PRAGMA journal_mode=WAL");
  // A killed program loses nothing it committed; only a power cut may.
  db_->Execute("PRAGMA synchronous=NORMAL");
  TSqliteTransaction transaction(*db_);
  TSqliteStatement check(*db_, "PRAGMA quick_check");
  if (check.Step() && check.Text(0) != "ok") return check.Text(0);
  createOrUpgrade();
  transaction.Commit();
  return std::nullopt;
}

void TQueueStore::createOrUpgrade() {
  TSqliteStatement version(*db_, "PRAGMA user_version");
  version.Step();
  int layout = static_cast<int>(version.Int(0));
  if (layout > LayoutVersion) throw EQueueStoreError(fmt::format(queue_messages::TooNew, path_, layout, LayoutVersion));
  if (layout == 0) {
    db_->Execute(LayoutV2);
    layout = LayoutVersion;
  }
  for (; layout < LayoutVersion; ++layout) db_->Execute(Upgrades[layout - 1]);
  db_->Execute(fmt::format("PRAGMA user_version={}", LayoutVersion));
}

void TQueueStore::putAside(const std::string& reason) {
  db_.reset();
  std::string keptAs = path_ + ".broken-" + utcStamp();
  for (int n = 2; exists(keptAs); ++n) keptAs = fmt::format("{}.broken-{}-{}", path_, utcStamp(), n);
  if (::rename(path_.c_str(), keptAs.c_str()) != 0)
    throw EQueueStoreError(fmt::format(queue_messages::CannotOpen, path_, std::strerror(errno)));
  // A log left beside a new file would be read into it.
  const std::string log = path_ + "-wal";
  if (exists(log) && ::rename(log.c_str(), (keptAs + "-wal").c_str()) != 0)
    throw EQueueStoreError(fmt::format(queue_messages::CannotOpen, log, std::strerror(errno)));
  throw EQueueDamaged(fmt::format(queue_messages::Damaged, path_, reason, keptAs), keptAs);
}

template <typename Action>
auto TQueueStore::guarded(Action action) {
  try {
    return action();
  } catch (const ESqliteError& error) {
    throw EQueueStoreError(fmt::format(queue_messages::StoreFailed, path_, error.Message));
  }
}

std::vector<TQueueItem> TQueueStore::Load() {
  return guarded([&] {
    std::vector<TQueueItem> items;
    TSqliteStatement rows(*db_, fmt::format("SELECT {} FROM items ORDER BY position, id", ItemColumns).c_str());
    while (rows.Step()) items.push_back(readItem(rows, path_));
    return items;
  });
}

void TQueueStore::Add(TQueueItem& item) {
  guarded([&] {
    TSqliteStatement insert(*db_,
                            "INSERT INTO items(position, address, title, settings, state, partial_file, bytes_done, "
                            "bytes_total, error, output_file, added_at, changed_at, finished_at) "
                            "VALUES((SELECT COALESCE(MAX(position), 0) + 1 FROM items), ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                            "?, ?, ?)");
    insert.Bind(1, item.Address).Bind(2, item.Title).Bind(3, EncodeItemSettings(item.Settings));
    insert.Bind(4, std::string(StateName(item.State))).Bind(5, item.PartialFile).Bind(6, item.BytesDone);
    insert.Bind(7, item.BytesTotal).Bind(8, item.Error).Bind(9, item.OutputFile).Bind(10, item.AddedAt);
    insert.Bind(11, item.ChangedAt).Bind(12, item.FinishedAt).Step();
    item.Id = db_->LastInsertId();
  });
}

void TQueueStore::Save(const TQueueItem& item) {
  guarded([&] {
    TSqliteStatement update(
        *db_,
        "UPDATE items SET title = ?, settings = ?, state = ?, partial_file = ?, bytes_done = ?, "
        "bytes_total = ?, error = ?, output_file = ?, changed_at = ?, finished_at = ? WHERE id = ?");
    update.Bind(1, item.Title).Bind(2, EncodeItemSettings(item.Settings)).Bind(3, std::string(StateName(item.State)));
    update.Bind(4, item.PartialFile).Bind(5, item.BytesDone).Bind(6, item.BytesTotal).Bind(7, item.Error);
    update.Bind(8, item.OutputFile).Bind(9, item.ChangedAt).Bind(10, item.FinishedAt).Bind(11, item.Id).Step();
  });
}

void TQueueStore::Remove(const std::vector<int64_t>& ids) {
  guarded([&] {
    TSqliteTransaction transaction(*db_);
    TSqliteStatement remove(*db_, "DELETE FROM items WHERE id = ?");
    for (const int64_t id : ids) {
      remove.Bind(1, id).Step();
      remove.Reset();
    }
    transaction.Commit();
  });
}

void TQueueStore::SwapPositions(int64_t first, int64_t second) {
  guarded([&] {
    TSqliteTransaction transaction(*db_);
    TSqliteStatement read(*db_, "SELECT id, position FROM items WHERE id IN (?, ?)");
    read.Bind(1, first).Bind(2, second);
    std::vector<std::pair<int64_t, int64_t>> positions;
    while (read.Step()) positions.emplace_back(read.Int(0), read.Int(1));
    if (positions.size() != 2) return;
    TSqliteStatement write(*db_, "UPDATE items SET position = ? WHERE id = ?");
    write.Bind(1, positions[1].second).Bind(2, positions[0].first).Step();
    write.Reset();
    write.Bind(1, positions[0].second).Bind(2, positions[1].first).Step();
    transaction.Commit();
  });
}

TQueueSettings TQueueStore::LoadSettings() {
  return guarded([&] {
    TQueueSettings settings;
    TSqliteStatement rows(*db_, "SELECT name, value FROM queue_settings");
    while (rows.Step())
      for (const StoredSetting& stored : StoredSettings)
        if (rows.Text(0) == stored.Name) stored.Read(settings, rows.Text(1));
    return settings;
  });
}

void TQueueStore::SaveSettings(const TQueueSettings& settings) {
  guarded([&] {
    TSqliteTransaction transaction(*db_);
    TSqliteStatement store(*db_, "INSERT OR REPLACE INTO queue_settings(name, value) VALUES(?, ?)");
    for (const StoredSetting& stored : StoredSettings) {
      store.Bind(1, std::string(stored.Name)).Bind(2, stored.Write(settings)).Step();
      store.Reset();
    }
    transaction.Commit();
  });
}
