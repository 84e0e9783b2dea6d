// Where the program keeps its files. The work files ("temp.txt", "temp.flv")
// live in a folder of the user's own, because an installed program's folder
// is read-only; the data files (profile files, pages) lie beside the program
// in share/quillfen.
#pragma once

#include <string>

struct TAppFolders {
  std::string Work;      // ends with "/"
  std::string Data;      // ends with "/"
  std::string Profiles;  // ends with "/"
};

// The work folder is $XDG_CACHE_HOME/quillfen (or ~/.cache/quillfen), created
// readable by its owner only. The data folder is found from programPath.
TAppFolders LocateAppFolders(const std::string& programPath);

// The running program file's full path.
std::string RunningProgramPath();
