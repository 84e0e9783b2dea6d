// The job's reporter for a terminal: a redrawn progress bar fitted to the
// terminal's width on stderr when it is a terminal, plain progress lines
// otherwise; the output file comes from
// the command line instead of the save dialog, named from a template when
// one is given.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "app/job_reporter.h"
#include "app/output_name.h"
#include "app/transfer/speed_meter.h"

// The names a run has given out, shared by the jobs that run at once: a name
// is found free and taken in one step, so two videos of one title never get
// the same file.
class TNameClaims {
public:
  // The name, or its first numbered copy no job holds; held from now on.
  std::string Claim(const std::string& name);
  // What Claim would give now.
  std::string FreeName(const std::string& name) const;
  // A name claimed but not used: a later video may have it.
  void Release(const std::string& name);

private:
  std::string freeName(const std::string& name) const;

  mutable std::mutex mutex_;
  std::set<std::string> given_;
};

class TTerminalReporter : public TJobReporter {
public:
  TTerminalReporter(std::FILE* out, bool isTerminal, std::string outputFile, std::optional<TOutputType> format);
  ~TTerminalReporter() override;

  void Report(const TJobProgress& progress) override;
  void Progress(int64_t position, int64_t maximum) override;
  void ProcessMessages() override {
    if (OnProcessMessages) OnProcessMessages();
  }
  void DownloadEnabled(bool) override {}
  std::optional<TOutputType> SelectedFormat() override { return format_; }
  std::optional<std::string> AskSaveFileName(const TSaveRequest& request) override;
  void ShowMessage(const std::string& text) override;

  // The command line's own handlers, run inside the job as the window's are.
  std::function<void()> OnProcessMessages;

  // Ends a redrawn line so that what follows starts on a line of its own.
  void FinishLine();
  // Ends one run: its last count shown, and its "Done" only when it saved.
  void FinishJob(bool saved);
  // Called while the job waits: a count held back for the redraw interval is
  // shown once the interval has passed.
  void Idle();
  // -q: nothing but what the run's owner prints (its errors); --no-progress:
  // the steps without counts or bars.
  bool Quiet = false;
  bool NoProgress = false;
  // The next run's video, for the template's fields: the watch address and
  // the site's video id (empty for none).
  void BeginVideo(const std::string& address, const std::string& id);
  bool RestrictFilenames = false;
  // Names this run gave out; jobs running at once share one.
  std::shared_ptr<TNameClaims> Names = std::make_shared<TNameClaims>();
  // Goes before each progress line that is not redrawn, telling apart the
  // lines of jobs that run at once.
  std::string LinePrefix;
  // An existing output file is not given to the job, which then saves
  // nothing; the name stays here until the run ends. A name a template
  // makes from the title is known before the video is fetched: then
  // OnKeptExisting ends the job at once.
  bool KeepExisting = false;
  std::function<void()> OnKeptExisting;
  const std::string& KeptExisting() const { return keptExisting_; }
  // The fields of the picture's size (0: unknown) and its upload day.
  void SetPicture(int32_t width, int32_t height, const std::string& uploadDate);
  // The name a video of that title would be saved as, given nothing of
  // this run yet; the fields of the video begun.
  std::string OutputName(const std::string& title, const std::string& extension) const;
  const TNameFields& NameFields() const { return fields_; }
  // The output file as the job was given it.
  const std::string& ChosenFileName() const { return chosen_; }

private:
  void draw(bool force);
  std::string countLine(const TJobProgress& progress) const;
  // The template's name for a video of that title, not yet numbered.
  std::string expandedName(const std::string& title, const std::string& extension) const;
  // That name, numbered when another video of this run holds it.
  std::string templateName(const std::string& title, const std::string& extension) const;
  // True when the video was refused.
  bool keepExistingEarly(const std::string& title);
  void showHeldDone();
  bool showsProgress() const;
  int64_t percent() const;

  std::FILE* out_;
  const bool isTerminal_;
  const std::string outputFile_;
  const std::optional<TOutputType> format_;
  std::string chosen_;
  TNameFields fields_;
  std::string keptExisting_;
  // The line shown, in the user's language; a byte count is redrawn in
  // place of the one before it.
  std::string status_;
  bool statusIsCount_ = false;
  std::string lastPrinted_;
  int64_t position_ = 0;
  int64_t maximum_ = 0;
  bool lineOpen_ = false;
  // The bar shows the conversion's own position, not the job's bar.
  bool converting_ = false;
  TSpeedMeter speed_;
  // The "Done" held back, as it will be shown.
  std::optional<std::string> doneHeld_;
  // A redraw was skipped for the interval: the latest counts are not shown yet.
  bool held_ = false;
  // The latest count, not worded yet.
  std::optional<TJobProgress> latestCount_;
  int columns_ = 80;
  std::chrono::steady_clock::time_point lastDraw_{};
};
