// The work files of one job: a folder of their own inside the work folder,
// named after the address the user gave, so that runs for different
// addresses never share a file and --continue finds the partial video of the
// same address. A lock held for the whole job keeps a second run for that
// address out; the folder goes once the job has saved its output.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/transfer/work_file.h"

// The job folder's name for an address: the FNV-1a 64-bit hash of its bytes
// in hex, the same in every run, build and program.
std::string JobFolderName(const std::string& address);
// workFolder ends with "/", and so does the result.
std::string JobFolderPath(const std::string& workFolder, const std::string& address);

// A video the job has fetched whole into its video file.
struct TFetchedVideo {
  std::string Address;  // as the job asked for it
  std::string FinalAddress;
  std::string ContentType;
  int64_t Size = 0;
};

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

  // The video file holds the whole of address: a conversion that is stopped,
  // fails or is killed converts again from it instead of fetching it again.
  void KeepFetchedVideo(const TFetchedVideo& video);
  // What KeepFetchedVideo recorded for address, while the video file still
  // holds that many bytes.
  std::optional<TFetchedVideo> FetchedVideo(const std::string& address) const;
  // The video file is about to be written anew.
  void ForgetFetchedVideo();

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
// Names the video the video file holds whole.
inline constexpr const char* Fetched = "temp.fetched";
}  // namespace work_files
