// Writing a timeline into an output file: both tracks advance together, the
// one that lags behind going first, so the multiplexer never has to hold
// much; progress is reported many times a second and a stop request ends
// the work at the next frame. The file is written beside the target and
// takes its place only when finished.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "converter/output_plan.h"
#include "converter/timeline_clip.h"

namespace converter {

using ProgressReport = std::function<void(double position, double duration)>;

// The least work between two progress reports. The window lets its messages
// through from the progress event, so it comes often enough for the window to
// answer as if idle, and rarely enough to cost nothing.
inline constexpr std::chrono::milliseconds ProgressInterval{15};

// Throws ConversionError on failure and when stopped. With spendSource an
// output that is one whole source file may be that file, renamed.
void writeTimeline(const std::string& path, const OutputPlan& plan, const std::vector<TimelineClip>& videoClips,
                   const std::vector<TimelineClip>& audioClips, double duration, bool spendSource,
                   const std::atomic<bool>& stopRequested, const ProgressReport& report);

}  // namespace converter
