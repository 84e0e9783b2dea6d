#include "converter/conversion.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

extern "C" {
#include <libavutil/opt.h>
}

#include "converter/av_handles.h"
#include "converter/conversion_error.h"
#include "converter/messages.h"
#include "converter/plain_file.h"
#include "converter/stream_copy.h"
#include "converter/track.h"
#include "converter/track_encoder.h"
#include "converter/unfinished_output.h"
#include "converter/whole_file_copy.h"

namespace converter {
namespace {

// How far apart the multiplexer may place streams' packets.
constexpr int64_t MuxMaxDelay = AV_TIME_BASE * 7 / 10;

// A new empty file in the target's folder, so that a rename can put it in
// the target's place at once; it gets the permissions of any new file.
std::string createFileBeside(const std::string& target) {
  static std::atomic<unsigned> made{0};
  while (true) {
    const std::string candidate = UnfinishedOutputName(target, made++);
    const int descriptor = ::open(candidate.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
    if (descriptor >= 0) {
      ::close(descriptor);
      return candidate;
    }
    if (errno != EEXIST)
      check(AVERROR(errno), std::string(converter_messages::CannotCreateOutput) + " '" + target + "'");
  }
}

// Removes the unfinished file unless the conversion got to the end.
class PartialOutputRemover {
public:
  ~PartialOutputRemover() {
    if (!path_.empty()) std::remove(path_.c_str());
  }
  void watch(const std::string& path) { path_ = path; }
  void keep() { path_.clear(); }

private:
  std::string path_;
};

class ProgressThrottle {
public:
  ProgressThrottle(const ProgressReport& report, double duration) : report_(report), duration_(duration) {}

  void update(double position) {
    const auto now = std::chrono::steady_clock::now();
    if (now - lastReport_ < ProgressInterval) return;
    lastReport_ = now;
    send(position);
  }
  void finish() { send(duration_); }

private:
  void send(double position) {
    position = std::min(position, duration_);
    if (position <= reported_ || !report_) return;
    reported_ = position;
    report_(position, duration_);
  }

  const ProgressReport& report_;
  const double duration_;
  double reported_ = -1.0;
  // The first step is reported at once: opening the sources and the output
  // has kept the window waiting already.
  std::chrono::steady_clock::time_point lastReport_{};
};

// The muxer may open its file again by name (MP4's fast start reads it back),
// so that name and every file it opens are plain local files too.
OutputContext allocateOutput(const std::string& path, const std::string& muxer) {
  const std::string cannotCreate = std::string(converter_messages::CannotCreateOutput) + " '" + path + "'";
  AVFormatContext* allocated = nullptr;
  check(avformat_alloc_output_context2(&allocated, nullptr, muxer.c_str(), plainFileUrl(path).c_str()), cannotCreate);
  OutputContext output(allocated);
  check(av_opt_set(output.get(), "protocol_whitelist", PlainFileProtocols, 0), cannotCreate);
  output->max_delay = MuxMaxDelay;
  return output;
}

// The source's bytes into the unfinished output, a block at a time so that
// a stop request and the progress bar keep up.
void copyBytes(const std::string& source, const std::string& unfinished, double duration,
               const std::atomic<bool>& stopRequested, const ProgressReport& report) {
  constexpr size_t Block = size_t{4} << 20;
  struct Descriptor {
    Descriptor(const std::string& path, int flags, const char* message) : fd(::open(path.c_str(), flags | O_CLOEXEC)) {
      if (fd < 0) check(AVERROR(errno), std::string(message) + " '" + path + "'");
    }
    ~Descriptor() { ::close(fd); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    const int fd;
  };
  const Descriptor in(source, O_RDONLY, converter_messages::CannotOpenInput);
  const Descriptor out(unfinished, O_WRONLY | O_TRUNC, converter_messages::CannotWriteOutput);
  const double size = double(std::max<std::uintmax_t>(std::filesystem::file_size(source), 1));
  std::unique_ptr<char[]> block(new char[Block]);
  ProgressThrottle progress(report, duration);
  double copied = 0.0;
  for (;;) {
    if (stopRequested) fail(converter_messages::ConversionStopped);
    const ssize_t got = ::read(in.fd, block.get(), Block);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) check(AVERROR(errno), std::string(converter_messages::CannotOpenInput) + " '" + source + "'");
    if (got == 0) break;
    for (ssize_t put = 0; put < got;) {
      const ssize_t written = ::write(out.fd, block.get() + put, size_t(got - put));
      if (written < 0 && errno == EINTR) continue;
      if (written < 0) check(AVERROR(errno), converter_messages::CannotWriteOutput);
      put += written;
    }
    copied += double(got);
    progress.update(copied / size * duration);
  }
  progress.finish();
}

TimelineTrack* laggingTrack(const std::vector<std::unique_ptr<TimelineTrack>>& tracks) {
  TimelineTrack* lagging = nullptr;
  for (const auto& track : tracks)
    if (!track->finished() && (!lagging || track->position() < lagging->position())) lagging = track.get();
  return lagging;
}

}  // namespace

void writeTimeline(const std::string& path, const OutputPlan& plan, const std::vector<TimelineClip>& videoClips,
                   const std::vector<TimelineClip>& audioClips, double duration, bool spendSource,
                   const std::atomic<bool>& stopRequested, const ProgressReport& report) {
  // The output is written beside the target and replaces it only when it is
  // complete: a failed or stopped conversion leaves the old file as it was.
  PartialOutputRemover remover;  // declared first: it acts after the file is closed
  const std::string unfinished = createFileBeside(path);
  remover.watch(unfinished);
  const auto putInPlace = [&] {
    if (std::rename(unfinished.c_str(), path.c_str()) != 0)
      check(AVERROR(errno), std::string(converter_messages::CannotWriteOutput) + " '" + path + "'");
    remover.keep();
  };
  if (const std::optional<std::string> source =
          plan.copyStreams ? wholeSourceFile(plan.muxer, videoClips, audioClips) : std::nullopt) {
    // Another file system refuses the rename; the bytes are copied then.
    if (spendSource && std::rename(source->c_str(), path.c_str()) == 0) {
      if (report) report(duration, duration);
      return;
    }
    copyBytes(*source, unfinished, duration, stopRequested, report);
    putInPlace();
    return;
  }
  OutputContext output = allocateOutput(unfinished, plan.muxer);

  if (plan.titled) {
    const std::string title = plan.title.empty() ? std::filesystem::path(path).stem().string() : plan.title;
    check(av_dict_set(&output->metadata, "title", title.c_str(), 0), converter_messages::CannotWriteOutput);
  }

  std::vector<std::unique_ptr<TrackEncoder>> encoders;
  std::vector<std::unique_ptr<TimelineTrack>> tracks;
  if (plan.copyStreams) {
    if (plan.video) tracks.push_back(std::make_unique<StreamCopy>(*output, AVMEDIA_TYPE_VIDEO, videoClips));
    if (plan.audio) tracks.push_back(std::make_unique<StreamCopy>(*output, AVMEDIA_TYPE_AUDIO, audioClips));
  } else {
    if (plan.video && !videoClips.empty()) {
      encoders.push_back(std::make_unique<TrackEncoder>(*output, *plan.video));
      tracks.push_back(std::make_unique<Track>(videoClips, *plan.video, *encoders.back()));
    }
    if (plan.audio && (!audioClips.empty() || plan.silentAudio)) {
      encoders.push_back(std::make_unique<TrackEncoder>(*output, *plan.audio));
      tracks.push_back(
          std::make_unique<Track>(audioClips, *plan.audio, *encoders.back(), plan.silentAudio ? duration : 0.0));
    }
  }

  output->pb = openPlainFile(unfinished, AVIO_FLAG_WRITE,
                             std::string(converter_messages::CannotCreateOutput) + " '" + path + "'")
                   .release();
  OptionList muxerOptions(plan.muxerOptions.c_str());
  check(avformat_write_header(output.get(), muxerOptions.address()), converter_messages::CannotWriteOutput);
  if (const std::string unknown = muxerOptions.firstLeftOver(); !unknown.empty())
    fail(std::string(converter_messages::UnknownMuxerOption) + " '" + unknown + "' (" + plan.muxer + ")");

  ProgressThrottle progress(report, duration);
  while (TimelineTrack* lagging = laggingTrack(tracks)) {
    if (stopRequested) fail(converter_messages::ConversionStopped);
    lagging->step();
    const TimelineTrack* behind = laggingTrack(tracks);
    progress.update(behind ? behind->position() : duration);
  }
  progress.finish();
  if (stopRequested) fail(converter_messages::ConversionStopped);
  check(av_write_trailer(output.get()), converter_messages::CannotWriteOutput);
  check(avio_closep(&output->pb), converter_messages::CannotWriteOutput);
  putInPlace();
}

}  // namespace converter
