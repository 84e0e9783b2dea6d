// Where the program keeps its files. The work files live in a folder of the
// user's own, because an installed program's folder is read-only; each job
// has a folder of its own inside it (see job_folder.h). The data files
// (profile files, pages) lie beside the program in share/quillfen.
#pragma once

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

// Raises an Exception naming folder unless it is a real folder (not a
// symbolic link), owned by the user, and not writable by group or others:
// in a folder another user can write, links planted for the work files would
// turn the program's writes against the user's own files.
void CheckPrivateFolder(const std::string& folder);

// The running program file's full path.
std::string RunningProgramPath();
