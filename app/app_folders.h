// Where the program keeps its files. The work files live in a folder of the
// user's own, because an installed program's folder is read-only; each job
// has a folder of its own inside it (see job_folder.h). The data files
// (profile files, pages) lie beside the program in share/quillfen.
#pragma once

#include <optional>
#include <string>

struct TAppFolders {
  std::string Work;      // ends with "/"
  std::string Data;      // ends with "/"
  std::string Profiles;  // ends with "/"
};

// The work folder is $XDG_CACHE_HOME/quillfen (or ~/.cache/quillfen), created
// readable by its owner only, and refused as CheckPrivateFolder refuses it.
// The data folder is found from programPath.
TAppFolders LocateAppFolders(const std::string& programPath);

// The data folder alone, found from programPath; ends with "/".
std::string LocateDataFolder(const std::string& programPath);

enum class TPathKind { Folder, File };

// What a refusal of a private folder or file says, one text per reason, each
// naming the path; CannotCheck gives the system's reason after it.
struct TPrivatePathTexts {
  const char* CannotCheck;
  const char* IsLink;
  const char* WrongKind;
  const char* NotOwned;
  const char* OpenToOthers;
};

// The refusal of path, worded by texts, unless it is a real folder or plain
// file as kind says (not a symbolic link), owned by the user, and not
// writable by group or others: in a folder another user can write, links
// planted for the program's files would turn its writes against the user's
// own files, and what another user can write, the program would read as the
// user's own.
std::optional<std::string> PrivatePathRefusal(const std::string& path, TPathKind kind, const TPrivatePathTexts& texts);

// Raises an Exception naming the work folder or a job folder when it is
// refused as above.
void CheckPrivateFolder(const std::string& folder);

// The running program file's full path.
std::string RunningProgramPath();
