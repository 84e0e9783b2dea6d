// What the download queue says to its user: the states an item shows, and
// the errors of its store and its commands.
#pragma once

namespace queue_messages {

// An item's state as the Downloads page shows it.
inline constexpr const char* Queued = "queued";
inline constexpr const char* Reading = "reading the page";
inline constexpr const char* Downloading = "downloading {} %";
inline constexpr const char* DownloadingUnknownSize = "downloading";
inline constexpr const char* Converting = "converting {} %";
inline constexpr const char* Paused = "paused";
inline constexpr const char* Failed = "failed: {}";
inline constexpr const char* Saved = "saved: {}";

// The store.
inline constexpr const char* InUse = "the queue is in use by another Quillfen window";
inline constexpr const char* CannotMakeFolder = "Cannot create the queue's folder '{}': {}";
inline constexpr const char* CannotOpen = "Cannot open the queue file '{}': {}";
inline constexpr const char* Damaged =
    "The queue file '{}' is damaged ({}); it was kept as '{}' and the next start begins an empty queue";
inline constexpr const char* TooNew =
    "The queue file '{}' was written by a newer Quillfen (version {} of its layout; this one knows up to {})";
inline constexpr const char* StoreFailed = "The queue file '{}' could not be updated: {}";
inline constexpr const char* NoStateFolder = "Neither XDG_STATE_HOME nor HOME is set: there is no folder for the queue";
inline constexpr const char* UnknownState = "The queue file '{}' holds an item in the unknown state '{}'";

// Commands.
inline constexpr const char* IllegalTransition = "A queue item cannot go from {} to {}";
inline constexpr const char* NoSuchItem = "The queue has no item {}";
inline constexpr const char* BadJobLimit = "The number of jobs at once must be from 1 to {}, not {}";
inline constexpr const char* BadConnections = "The number of connections per download must be from 1 to {}, not {}";
inline constexpr const char* TemplateNamesNoFile = "The output template '{}' names no file";

}  // namespace queue_messages
