// One filter graph from a buffer source to a buffer sink: frames go in at one
// end in the source's form and come out at the other in the encoder's.
#pragma once

#include <string>

#include "converter/av_handles.h"

namespace converter {

class FilterChain {
public:
  // sourceArguments configure the "buffer"/"abuffer" source; filters is the
  // chain between source and sink in FFmpeg's filter-graph syntax.
  FilterChain(AVMediaType type, const std::string& sourceArguments, const std::string& filters);

  // Hands the frame's content to the chain (the frame is left empty).
  void push(AVFrame* frame);
  // No more input; the stream is taken to end at endTimestamp (source time base).
  void close(int64_t endTimestamp);
  // The next frame that is ready, or false when none is (yet).
  bool pull(AVFrame* frame);
  bool ended() const { return ended_; }

  AVRational outputTimeBase() const;

private:
  FilterGraph graph_;
  AVFilterContext* source_ = nullptr;
  AVFilterContext* sink_ = nullptr;
  bool ended_ = false;
};

}  // namespace converter
