// The queue and its history in a SQLite file, so that both survive a restart
// or a crash: every change is one transaction. The file lives in a folder of
// the user's own, readable by the user only, and one window at a time holds
// it for as long as its store exists.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/queue/queue_item.h"

class TSqliteDatabase;

// What holds for the whole queue.
struct TQueueSettings {
  static constexpr int MostJobsAtOnce = 16;
  static constexpr int MostConnections = 16;

  int JobsAtOnce = 2;
  // At start, items that were waiting or running go on by themselves
  // instead of coming back paused.
  bool ResumeAtStart = false;
  // Where queued items are saved, ending with "/"; empty until the user
  // chooses (the window then offers the user's Videos folder).
  std::string Folder;
  std::string NameTemplate = "%(title)s.%(ext)s";
  // Connections of each job's video transfer, the window's Download's too.
  int Connections = 4;
  // Bytes a second each job may take across its connections; 0 sets no
  // limit.
  static constexpr int64_t MostLimitRate = int64_t(1) << 40;
  int64_t LimitRate = 0;
};

// The name nameTemplate gives a video's file inside the folder it is saved
// in. Raises EBadNameTemplate for a template with a field the names cannot
// have, one that names a folder instead of a file, or one that leads out of
// the folder (an absolute name, or ".." in it).
std::string QueuedFileName(const std::string& nameTemplate, const std::string& title, const std::string& extension);
// Raises as QueuedFileName does, for any title.
void CheckNameTemplate(const std::string& nameTemplate);

class TQueueStore {
public:
  // The layout version this program writes; older files are upgraded.
  static constexpr int LayoutVersion = 2;

  // $XDG_STATE_HOME/quillfen/queue.sqlite3, or under ~/.local/state.
  static std::string DefaultPath();

  // Opens the file, or makes it (0600, in a folder made 0700), and upgrades
  // its layout. Raises EQueueStoreError, naming the folder or the file, when
  // either is not the user's own as PrivatePathRefusal says (nothing is read
  // from it then); EQueueInUse while another store holds it;
  // EQueueDamaged when it is no database or a damaged one, after moving it
  // (and its write-ahead log) aside to "<file>.broken-<UTC time>" so the
  // next store starts afresh; EQueueStoreError when it cannot be opened or
  // written at all.
  explicit TQueueStore(std::string path);
  ~TQueueStore();
  TQueueStore(const TQueueStore&) = delete;
  TQueueStore& operator=(const TQueueStore&) = delete;

  const std::string& Path() const { return path_; }

  // Every item in queue order.
  std::vector<TQueueItem> Load();
  // Puts item at the end and gives it its Id.
  void Add(TQueueItem& item);
  // Stores everything but the Id, the address and the transient fields.
  void Save(const TQueueItem& item);
  void Remove(const std::vector<int64_t>& ids);
  // Two items change places (move up, move down).
  void SwapPositions(int64_t first, int64_t second);

  // A stored value that does not read, or lies outside its range, keeps its
  // default: a file edited by hand never stops the queue from opening.
  TQueueSettings LoadSettings();
  void SaveSettings(const TQueueSettings& settings);

private:
  // The reason when the file is a damaged database.
  std::optional<std::string> open();
  void createOrUpgrade();
  [[noreturn]] void putAside(const std::string& reason);
  template <typename Action>
  auto guarded(Action action);

  std::string path_;
  std::unique_ptr<TSqliteDatabase> db_;
};
