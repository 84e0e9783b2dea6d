#include "app/queue/session_runner.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include <fmt/core.h>

#include "app/download_job.h"
#include "app/job_folder.h"
#include "app/job_reporter.h"
#include "app/output_name.h"
#include "app/queue/messages.h"
#include "app/queue/queue_errors.h"
#include "app/queue/queue_store.h"
#include "converter/unfinished_output.h"
#include "net/transport/socket_stop.h"

namespace {

using Clock = std::chrono::steady_clock;

// Byte counts arrive with every kilobyte; the queue hears of them this often.
constexpr auto ProgressInterval = std::chrono::milliseconds(250);

// One job: the session runs on the job's thread, and only there; Pause and
// Stop come from the owner's thread and are acted on by the job itself the
// next time it reports, the way the window's Stop runs inside the job. A
// transfer blocked on a silent server reports nothing, so they also shut the
// job's sockets, and the job hears of it at once.
class SessionJob final : public TQueueJobHandle, private TJobReporter {
public:
  SessionJob(const TSessionOptions& options, const TQueueItem& item, std::string partialFile, TQueueJobEvents events,
             std::shared_ptr<TOutputNames> names)
      : options_(options),
        item_(item),
        partialFile_(std::move(partialFile)),
        events_(std::move(events)),
        names_(std::move(names)),
        title_(item.Title),
        thread_([this] { run(); }) {}
  ~SessionJob() override {
    thread_.join();
    if (!claimed_.empty()) names_->Release(claimed_);
  }

  void Pause() override {
    pauseAsked_ = true;
    sockets_.Stop();
  }
  void Stop() override {
    stopAsked_ = true;
    sockets_.Stop();
  }

private:
  void run() {
    // The sockets the session and its workers open are the ones Pause and
    // Stop shut.
    const TSocketStop::TScope scope(sockets_);
    try {
      TJobSession session(*this, options_);
      session_ = &session;
      TSessionResult result;
      if (!asked()) {
        // A target that cannot be used fails the item before anything is
        // fetched.
        checkedSaveFolder();
        CheckNameTemplate(item_.Settings.NameTemplate);
        result = session.Run(item_.Address, item_.Settings.Choices);
      }
      session_ = nullptr;
      if (!result.Title.empty()) titled(result.Title);
      if (result.Saved() && !result.OutputFile.empty()) {
        // A conversion too short to report still passed through converting.
        if (convertPercent_ < 0) events_.Converting(100);
        // Unfinished outputs an earlier, killed run left beside it.
        converter::RemoveUnfinishedOutputs(result.OutputFile);
        events_.Saved(result.OutputFile);
      } else if (asked()) events_.Paused();
      else events_.Failed(result.Failure);
    } catch (const std::exception&) {
      session_ = nullptr;
      if (asked()) events_.Paused();
      else events_.Failed(FailureOf(std::current_exception(), TJobStep::None));
    }
  }

  bool asked() const { return pauseAsked_ || stopAsked_; }

  // A file of the job's folder, beside the video.
  std::string workFile(const char* name) const {
    return std::filesystem::path(partialFile_).replace_filename(name).string();
  }

  // Ends the transfer or the conversion and keeps the partial file; the job
  // then ends before it saves anything.
  void actOnAsked() {
    if (asked() && session_ && !aborted_) {
      aborted_ = true;
      session_->Abort();
    }
  }

  void titled(const std::string& title) {
    if (title.empty() || title == title_) return;
    title_ = title;
    events_.Titled(title);
  }

  void Report(const TJobProgress& progress) override {
    actOnAsked();
    switch (progress.Kind) {
      case TProgressKind::StepBegun:
        // The page has been read and its video is next: the step names it.
        if (progress.Step == TJobStep::Video) {
          videoStep_ = true;
          titled(progress.Text);
        }
        break;
      case TProgressKind::Bytes: transferred(progress.Bytes, progress.Total); break;
      // A stream's size is known only in segments: they stand in for bytes,
      // so that the item still shows how far it is.
      case TProgressKind::Segments: transferred(progress.Segment, progress.SegmentCount); break;
      case TProgressKind::Converting: {
        const double share = progress.Duration > 0 ? progress.Position / progress.Duration : 0;
        const int percent = int(std::clamp(share * 100, 0.0, 100.0));
        if (percent != convertPercent_) events_.Converting(convertPercent_ = percent);
        break;
      }
      case TProgressKind::ClientStatus:
      case TProgressKind::TransferBegun:
      case TProgressKind::TransferEnded:
      case TProgressKind::Retry:
      case TProgressKind::QualityChosen:
      case TProgressKind::Notice:
      case TProgressKind::ConversionDone:
      case TProgressKind::JobDone: break;
    }
  }

  void transferred(int64_t done, int64_t total) {
    // The address may be the video itself: its transfer begins when its
    // file appears.
    if (!started_ && (videoStep_ || std::filesystem::exists(partialFile_))) {
      started_ = true;
      // No page was ever read for it: the address is the video itself, and
      // its file names it from the start.
      if (!videoStep_ && title_.empty() && !std::filesystem::exists(workFile(work_files::Page)))
        titled(FileTitle(item_.Address));
      events_.Started(partialFile_);
      lastSent_ = Clock::now();
      lastBytes_ = done;
    }
    if (!started_) return;
    const auto now = Clock::now();
    const auto elapsed = std::chrono::duration<double>(now - lastSent_).count();
    if (elapsed < std::chrono::duration<double>(ProgressInterval).count() && done != total) return;
    if (elapsed > 0 && done >= lastBytes_) {
      const double sample = double(done - lastBytes_) / elapsed;
      // Smoothed, so that the time left does not jump with every sample.
      bytesPerSecond_ = bytesPerSecond_ == 0 ? sample : 0.7 * bytesPerSecond_ + 0.3 * sample;
    }
    lastSent_ = now;
    lastBytes_ = done;
    events_.Progress(done, total, int64_t(bytesPerSecond_));
  }

  // The bar is the front ends' own; the queue takes its counts from the
  // events.
  void Progress(int64_t, int64_t) override { actOnAsked(); }
  void ProcessMessages() override { actOnAsked(); }
  void DownloadEnabled(bool) override {}
  std::optional<TOutputType> SelectedFormat() override { return item_.Settings.Choices.Format; }

  // The item's folder and template may come from a queue file that someone
  // else wrote: the folder must be an absolute path of a folder (a missing
  // one is made), and the name stays inside it.
  std::string checkedSaveFolder() const {
    const std::string& folder = item_.Settings.Folder.empty() ? options_.SaveFolder : item_.Settings.Folder;
    struct stat status {};
    if (!folder.starts_with('/') || (::stat(folder.c_str(), &status) == 0 ? !S_ISDIR(status.st_mode) : errno != ENOENT))
      throw EQueueError(fmt::format(queue_messages::BadSaveFolder, folder));
    return folder;
  }

  std::optional<std::string> AskSaveFileName(const TSaveRequest& request) override {
    titled(request.Title);
    const std::filesystem::path folder = checkedSaveFolder();
    if (!claimed_.empty()) names_->Release(claimed_);
    claimed_ = names_->Claim(
        (folder / QueuedFileName(item_.Settings.NameTemplate, request.Title, request.DefaultExt)).string());
    const std::string& name = claimed_;
    events_.Named(name);
    const std::filesystem::path parent = std::filesystem::path(name).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent);
    return name;
  }

  // The job's own outcomes come back as its result, and the queue shows them.
  void ShowMessage(const std::string&) override {}

  const TSessionOptions options_;
  const TQueueItem item_;
  const std::string partialFile_;
  const TQueueJobEvents events_;
  const std::shared_ptr<TOutputNames> names_;
  std::atomic<bool> pauseAsked_{false};
  std::atomic<bool> stopAsked_{false};
  TSocketStop sockets_;
  // The job's thread alone uses these.
  TJobSession* session_ = nullptr;
  bool aborted_ = false;
  bool videoStep_ = false;
  bool started_ = false;
  std::string title_;
  std::string claimed_;
  int convertPercent_ = -1;
  Clock::time_point lastSent_{};
  int64_t lastBytes_ = 0;
  double bytesPerSecond_ = 0;
  // Last: it starts once everything above is ready.
  std::thread thread_;
};

}  // namespace

void TOutputNames::Release(const std::string& name) {
  const std::lock_guard lock(mutex_);
  taken_.erase(name);
}

std::string TOutputNames::Claim(const std::string& name) {
  const std::lock_guard lock(mutex_);
  std::string claimed = name;
  for (int copy = 2; taken_.contains(claimed) || std::filesystem::exists(claimed); ++copy)
    claimed = NumberedCopyName(name, copy);
  taken_.insert(claimed);
  return claimed;
}

TSessionJobRunner::TSessionJobRunner(TSessionOptions options, TPostToOwner post)
    : options_(std::move(options)), post_(std::move(post)), names_(std::make_shared<TOutputNames>()) {
  options_.ContinuePartial = true;
}

std::unique_ptr<TQueueJobHandle> TSessionJobRunner::Start(const TQueueItem& item, TQueueJobEvents events) {
  return std::make_unique<SessionJob>(options_, item, PartialFileOf(item), PostEach(events, post_), names_);
}

void TSessionJobRunner::DiscardPartial(const TQueueItem& item) {
  std::filesystem::remove_all(JobFolderPath(options_.Folders.Work, item.Address));
  if (!item.OutputFile.empty()) converter::RemoveUnfinishedOutputs(item.OutputFile);
}

std::string TSessionJobRunner::PartialFileOf(const TQueueItem& item) const {
  return JobFolderPath(options_.Folders.Work, item.Address) + work_files::Video;
}
