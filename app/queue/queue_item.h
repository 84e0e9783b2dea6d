// One address in the download queue: what it was added with, where it
// stands, and what it left behind. The store keeps every field but the
// transient ones; the Downloads page shows them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/output_formats.h"

enum class TQueueState { Queued, Reading, Downloading, Converting, Paused, Failed, Saved };

// The output settings an item was queued with: the window's choices at that
// moment, and where and under which name the result goes.
struct TQueueItemSettings {
  TOutputChoices Choices;
  std::string NameTemplate = "%(title)s.%(ext)s";
  std::string Folder;  // ends with "/"
};

struct TQueueItem {
  int64_t Id = 0;
  std::string Address;
  std::string Title;  // empty until the page has been read
  TQueueItemSettings Settings;
  TQueueState State = TQueueState::Queued;
  std::string PartialFile;  // the video file a paused transfer continues
  int64_t BytesDone = 0;
  int64_t BytesTotal = 0;  // 0 or less: unknown
  std::string Error;       // why it failed
  // What it saved, or once its name is chosen what it saves.
  std::string OutputFile;
  // Seconds since 1970; FinishedAt is 0 until it failed or saved.
  int64_t AddedAt = 0;
  int64_t ChangedAt = 0;
  int64_t FinishedAt = 0;

  // While running only, never stored.
  int64_t BytesPerSecond = 0;
  int ConvertPercent = 0;
};

// The state's word in the queue file.
const char* StateName(TQueueState state);
std::optional<TQueueState> StateFromName(const std::string& name);

// The state column of the Downloads page: "downloading 42 %", "failed: why".
std::string StateText(const TQueueItem& item);

// How much of the item is done, in percent, for its progress bar: of the
// download while it downloads or is paused, of the conversion while it
// converts; none while that is unknown.
std::optional<int> PercentDone(const TQueueItem& item);

// The size of the video, or what has arrived while it is unknown: "310.0 MiB";
// empty before anything arrived.
std::string SizeText(const TQueueItem& item);

// Whole seconds until the transfer ends at its present speed; none while
// the size or the speed is unknown.
std::optional<int64_t> SecondsLeft(const TQueueItem& item);

// The settings as lines of name=value, and back; names the reader does not
// know are skipped and missing ones keep their defaults, so files of older
// and newer programs both read.
std::string EncodeItemSettings(const TQueueItemSettings& settings);
TQueueItemSettings DecodeItemSettings(const std::string& text);
