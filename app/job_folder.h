// The work files of one job: a folder of their own inside the work folder,
// named after the address the user gave, so that runs for different
// addresses never share a file and --continue finds the partial video of the
// same address. A lock held for the whole job keeps a second run for that
// address out; the folder goes once the job has saved its output.
#pragma once

#include <memory>
#include <string>

#include "app/transfer/work_file.h"

// The job folder's name for an address: the FNV-1a 64-bit hash of its bytes
// in hex, the same in every run, build and program.
std::string JobFolderName(const std::string& address);
// workFolder ends with "/", and so does the result.
std::string JobFolderPath(const std::string& workFolder, const std::string& address);

class TJobFolder {
public:
  // Checks the work folder, makes or reuses the job's folder, checks it too
  // and takes its lock; raises an Exception naming the address at once when
  // another run holds it.
  TJobFolder(const std::string& workFolder, const std::string& address);
  // Lets the lock go; the files stay, for --continue.
  ~TJobFolder();
  TJobFolder(const TJobFolder&) = delete;
  TJobFolder& operator=(const TJobFolder&) = delete;

  const std::string& Path() const { return path_; }

  // The job saved its output: nothing in the folder is needed any more.
  void Remove();

private:
  std::string path_;
  int lock_ = -1;
};

// The names of the work files in a job folder.
namespace work_files {
inline constexpr const char* Page = "temp.txt";
inline constexpr const char* Video = "temp.flv";
// What lets a later job continue a partial video file.
inline constexpr const char* Resume = "temp.resume";
}  // namespace work_files
