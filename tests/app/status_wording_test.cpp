// The status line worded from the job's events: the patterns of the message
// tables filled with the events' fields, each in its place (the job's tests
// see the other lines), and a translation filled in its own order.
#include "app/status_wording.h"

#include <gtest/gtest.h>

namespace {

using enum TProgressKind;

struct WordingCase {
  const char* name;
  TJobProgress progress;
  std::optional<std::string> expected;  // none: the line stays as it is
};

const WordingCase kWordingCases[] = {
    {"the converter's first report speaks for its step", {.Kind = StepBegun, .Step = TJobStep::Conversion}, {}},
    {"no size announced", {.Kind = TransferBegun, .Total = 0}, {}},
    {"a count of an unknown size", {.Kind = Bytes, .Bytes = 1234, .Total = -1}, "1234 bytes."},
    {"a count of a known size", {.Kind = Bytes, .Bytes = 500, .Total = 1000}, "500 bytes of 1000 bytes."},
    {"segments", {.Kind = Segments, .Bytes = 1234, .Segment = 3, .SegmentCount = 10}, "segment 3 of 10, 1234 bytes"},
    {"a retry names the byte it goes on from",
     {.Kind = Retry, .Bytes = 9000, .Attempt = 1, .Retries = 3},
     "Connection lost; continuing from byte 9000 (retry 1 of 3)"},
    {"a notice as the layer below worded it", {.Kind = Notice, .Text = "put aside"}, "put aside"},
};

TEST(StatusWording, TableOfEvents) {
  for (const WordingCase& c : kWordingCases) {
    SCOPED_TRACE(c.name);
    const std::optional<TStatusWording> wording = StatusWording(c.progress);
    EXPECT_EQ(wording ? std::optional(StatusLine(*wording)) : std::nullopt, c.expected);
  }
}

// A translation may name the fields in another order; one naming a field the
// pattern lacks cannot be filled, and the line is shown as written.
TEST(StatusWording, TranslationFilledInItsOwnOrder) {
  const TStatusWording counts = *StatusWording({.Kind = Bytes, .Bytes = 5, .Total = 10});
  EXPECT_EQ(StatusLine(counts, "{1} Bytes gesamt, {0} bisher."), "10 Bytes gesamt, 5 bisher.");
  EXPECT_EQ(StatusLine(counts, "{0} von {5}"), "5 bytes of 10 bytes.");
}

}  // namespace

namespace {

// Sizes and times left at their units' edges: no "1024.0 KiB", no minute of
// 60 seconds.
TEST(StatusWording, SizesAndTimesAtTheirEdges) {
  const std::pair<int64_t, const char*> sizes[] = {
      {0, "0 B"},
      {1023, "1023 B"},
      {1024, "1.0 KiB"},
      {1048524, "1023.9 KiB"},
      {1048525, "1.0 MiB"},
      {int64_t{310} << 20, "310.0 MiB"},
      {int64_t{5} << 40, "5.0 TiB"},
  };
  for (const auto& [bytes, text] : sizes) EXPECT_EQ(HumanSize(bytes), text) << bytes;
  const std::pair<int64_t, const char*> times[] = {{0, "0:00"}, {68, "1:08"}, {3599, "59:59"}, {7420, "2:03:40"}};
  for (const auto& [seconds, text] : times) EXPECT_EQ(ClockTime(seconds), text) << seconds;
}

}  // namespace
