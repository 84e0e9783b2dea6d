// The transition table: the moves a job or a user may make, and the ones
// that would hide a fault (a saved item running again, a paused item
// jumping the queue) and must raise.
#include <gtest/gtest.h>

#include <optional>

#include "app/queue/queue_errors.h"
#include "app/queue/queue_transitions.h"

namespace {

using enum TQueueState;

struct TransitionCase {
  const char* what;
  TQueueState from;
  TQueueState to;
  bool allowed;
};

const TransitionCase kTransitionCases[] = {
    {"a free slot starts a waiting item", Queued, Reading, true},
    {"a waiting item may be paused", Queued, Paused, true},
    {"a job may find the whole video already here", Reading, Converting, true},
    {"a cut conversion pauses and starts over later", Converting, Paused, true},
    {"resume waits for a slot again", Paused, Queued, true},
    {"retry waits for a slot again", Failed, Queued, true},
    {"a resumed item does not skip the queue", Paused, Reading, false},
    {"a waiting item has no transfer to report", Queued, Downloading, false},
    {"a conversion does not go back to downloading", Converting, Downloading, false},
    {"a saved item is history", Saved, Queued, false},
    {"a saved item cannot pause", Saved, Paused, false},
    {"a failed item cannot pause", Failed, Paused, false},
    {"only a job that read its page saves", Reading, Saved, false},
    {"no state goes to itself", Paused, Paused, false},
};

TEST(QueueTransitions, TableOfMoves) {
  for (const auto& c : kTransitionCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(TransitionAllowed(c.from, c.to), c.allowed);
    if (c.allowed) EXPECT_NO_THROW(CheckTransition(c.from, c.to));
    else EXPECT_THROW(CheckTransition(c.from, c.to), EQueueTransition);
  }
}

TEST(QueueTransitions, RefusalNamesBothStates) {
  try {
    CheckTransition(Saved, Reading);
    FAIL() << "no exception";
  } catch (const EQueueTransition& error) {
    EXPECT_STREQ(error.what(), "A queue item cannot go from saved to reading");
  }
}

// What the Downloads page shows in its state, progress and size columns: a
// paused item says how far its download got.
TEST(QueueTransitions, StateTexts) {
  TQueueItem item;
  struct Case {
    TQueueState state;
    int64_t done, total;
    std::string expected;
    std::optional<int> percent;
    std::string size;
  };
  item.Error = "No video";
  item.OutputFile = "/v/a.avi";
  item.ConvertPercent = 7;
  const Case cases[] = {
      {Queued, 0, 0, "queued", std::nullopt, ""},
      {Reading, 0, 0, "reading the page", std::nullopt, ""},
      {Downloading, 499, 1000, "downloading 49 %", 49, "1000 B"},
      {Downloading, 3 << 20, 0, "downloading", std::nullopt, "3.0 MiB"},
      {Paused, 1 << 20, 325058560, "paused 0 %", 0, "310.0 MiB"},
      {Paused, 162529280, 325058560, "paused 50 %", 50, "310.0 MiB"},
      {Paused, 1 << 20, 0, "paused", std::nullopt, "1.0 MiB"},
      {Converting, 4 << 10, 4 << 10, "converting 7 %", 7, "4.0 KiB"},
      {Failed, 0, 0, "failed: No video", std::nullopt, ""},
      {Saved, int64_t(5) << 40, int64_t(5) << 40, "saved: /v/a.avi", 100, "5.0 TiB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    item.State = c.state;
    item.BytesDone = c.done;
    item.BytesTotal = c.total;
    EXPECT_EQ(StateText(item), c.expected);
    EXPECT_EQ(PercentDone(item), c.percent);
    EXPECT_EQ(SizeText(item), c.size);
  }
}

// Settings read back whole, values with line breaks and backslashes
// included; a line the reader does not know is skipped.
TEST(QueueItemSettings, RoundTripAndUnknownLines) {
  TQueueItemSettings settings;
  settings.Choices.Format = otSVCD_PAL;
  settings.Choices.Width = "640";
  settings.Choices.UseWMV9 = false;
  settings.Choices.RemuxOrConvert = true;
  settings.Folder = "/home/u/odd\\name\nwith break/";
  settings.NameTemplate = "%(title)s=x.%(ext)s";
  const TQueueItemSettings read = DecodeItemSettings("added_later=1\n" + EncodeItemSettings(settings));
  EXPECT_EQ(read.Choices.Format, otSVCD_PAL);
  EXPECT_EQ(read.Choices.Width, "640");
  EXPECT_FALSE(read.Choices.UseWMV9);
  EXPECT_TRUE(read.Choices.RemuxOrConvert);
  EXPECT_EQ(read.Folder, settings.Folder);
  EXPECT_EQ(read.NameTemplate, settings.NameTemplate);
  EXPECT_EQ(read.Choices.Height, "240");

  // No format chosen stays none, and a name that is no format keeps the
  // default rather than inventing one.
  TQueueItemSettings none;
  none.Choices.Format.reset();
  EXPECT_EQ(DecodeItemSettings(EncodeItemSettings(none)).Choices.Format, std::nullopt);
  EXPECT_EQ(DecodeItemSettings("format=Betamax\n").Choices.Format, otAVI);
}

}  // namespace
