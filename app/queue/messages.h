// What the download queue says to its user: the states an item shows, and
// the errors of its store and its commands.
#pragma once

#include "platform/translation_marks.h"

namespace queue_messages {

// An item's state as the Downloads page shows it.
inline constexpr const char* Queued = QT_TRANSLATE_NOOP("quillfen", "queued");
inline constexpr const char* Reading = QT_TRANSLATE_NOOP("quillfen", "reading the page");
inline constexpr const char* Downloading = QT_TRANSLATE_NOOP("quillfen", "downloading {} %");
inline constexpr const char* DownloadingUnknownSize = QT_TRANSLATE_NOOP("quillfen", "downloading");
inline constexpr const char* Converting = QT_TRANSLATE_NOOP("quillfen", "converting {} %");
inline constexpr const char* Paused = QT_TRANSLATE_NOOP("quillfen", "paused");
inline constexpr const char* Failed = QT_TRANSLATE_NOOP("quillfen", "failed: {}");
inline constexpr const char* Saved = QT_TRANSLATE_NOOP("quillfen", "saved: {}");

// The store.
inline constexpr const char* InUse = QT_TRANSLATE_NOOP("quillfen", "the queue is in use by another Quillfen window");
inline constexpr const char* CannotMakeFolder =
    QT_TRANSLATE_NOOP("quillfen", "Cannot create the queue's folder '{}': {}");
inline constexpr const char* CannotOpen = QT_TRANSLATE_NOOP("quillfen", "Cannot open the queue file '{}': {}");
inline constexpr const char* Damaged = QT_TRANSLATE_NOOP(
    "quillfen", "The queue file '{}' is damaged ({}); it was kept as '{}' and the next start begins an empty queue");
inline constexpr const char* TooNew = QT_TRANSLATE_NOOP(
    "quillfen",
    "The queue file '{}' was written by a newer Quillfen (version {} of its layout; this one knows up to {})");
inline constexpr const char* StoreFailed =
    QT_TRANSLATE_NOOP("quillfen", "The queue file '{}' could not be updated: {}");
inline constexpr const char* NoStateFolder =
    QT_TRANSLATE_NOOP("quillfen", "Neither XDG_STATE_HOME nor HOME is set: there is no folder for the queue");
inline constexpr const char* UnknownState =
    QT_TRANSLATE_NOOP("quillfen", "The queue file '{}' holds an item in the unknown state '{}'");

// Commands.
inline constexpr const char* IllegalTransition = QT_TRANSLATE_NOOP("quillfen", "A queue item cannot go from {} to {}");
inline constexpr const char* NoSuchItem = QT_TRANSLATE_NOOP("quillfen", "The queue has no item {}");
inline constexpr const char* BadJobLimit =
    QT_TRANSLATE_NOOP("quillfen", "The number of jobs at once must be from 1 to {}, not {}");
inline constexpr const char* BadConnections =
    QT_TRANSLATE_NOOP("quillfen", "The number of connections per download must be from 1 to {}, not {}");
inline constexpr const char* TemplateNamesNoFile =
    QT_TRANSLATE_NOOP("quillfen", "The output template '{}' names no file");

}  // namespace queue_messages
