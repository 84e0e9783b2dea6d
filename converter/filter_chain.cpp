#include "converter/filter_chain.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

#include "converter/conversion_error.h"
#include "converter/messages.h"

namespace converter {
namespace {

FilterInOut endpoint(const char* name, AVFilterContext* filter) {
  FilterInOut inOut(avfilter_inout_alloc());
  if (!inOut) check(AVERROR(ENOMEM), converter_messages::CannotBuildFilters);
  inOut->name = av_strdup(name);
  inOut->filter_ctx = filter;
  inOut->pad_idx = 0;
  inOut->next = nullptr;
  return inOut;
}

}  // namespace

FilterChain::FilterChain(AVMediaType type, const std::string& sourceArguments, const std::string& filters)
    : graph_(avfilter_graph_alloc()) {
  if (!graph_) check(AVERROR(ENOMEM), converter_messages::CannotBuildFilters);
  const bool video = type == AVMEDIA_TYPE_VIDEO;
  check(avfilter_graph_create_filter(&source_, avfilter_get_by_name(video ? "buffer" : "abuffer"), "in",
                                     sourceArguments.c_str(), nullptr, graph_.get()),
        converter_messages::CannotBuildFilters);
  check(avfilter_graph_create_filter(&sink_, avfilter_get_by_name(video ? "buffersink" : "abuffersink"), "out", nullptr,
                                     nullptr, graph_.get()),
        converter_messages::CannotBuildFilters);

  // Parsing names the open ends from the chain's point of view: its input is
  // the source's output and its output is the sink's input.
  FilterInOut sourceEnd = endpoint("in", source_);
  FilterInOut sinkEnd = endpoint("out", sink_);
  AVFilterInOut* inputs = sinkEnd.release();
  AVFilterInOut* outputs = sourceEnd.release();
  const int parsed = avfilter_graph_parse_ptr(graph_.get(), filters.c_str(), &inputs, &outputs, nullptr);
  avfilter_inout_free(&inputs);
  avfilter_inout_free(&outputs);
  check(parsed, std::string(converter_messages::CannotBuildFilters) + " '" + filters + "'");
  check(avfilter_graph_config(graph_.get(), nullptr),
        std::string(converter_messages::CannotBuildFilters) + " '" + filters + "'");
}

void FilterChain::push(AVFrame* frame) {
  check(av_buffersrc_add_frame_flags(source_, frame, 0), converter_messages::CannotFilter);
}

void FilterChain::close(int64_t endTimestamp) {
  check(av_buffersrc_close(source_, endTimestamp, 0), converter_messages::CannotFilter);
}

bool FilterChain::pull(AVFrame* frame) {
  if (ended_) return false;
  const int result = av_buffersink_get_frame(sink_, frame);
  if (result == AVERROR_EOF) ended_ = true;
  else if (result != AVERROR(EAGAIN)) check(result, converter_messages::CannotFilter);
  return result >= 0;
}

AVRational FilterChain::outputTimeBase() const { return av_buffersink_get_time_base(sink_); }

}  // namespace converter
