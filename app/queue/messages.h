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
inline constexpr const char* PausedAt = QT_TRANSLATE_NOOP("quillfen", "paused {} %");
inline constexpr const char* Failed = QT_TRANSLATE_NOOP("quillfen", "failed: {}");
inline constexpr const char* Saved = QT_TRANSLATE_NOOP("quillfen", "saved: {}");

// The Downloads page's questions and notices.
inline constexpr const char* RemoveSaved =
    QT_TRANSLATE_NOOP("quillfen", "Remove '{}' from the list? The saved file stays.");
inline constexpr const char* RemoveUnfinished =
    QT_TRANSLATE_NOOP("quillfen", "Remove '{}' from the queue? What was downloaded of it so far is deleted.");
inline constexpr const char* FailedNotice = QT_TRANSLATE_NOOP("quillfen", "Failed: {}");

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
// The queue is read only from a folder and a file of the user's own: one
// that another user could write may hold items that save where that user
// wants.
inline constexpr const char* CannotCheckFolder =
    QT_TRANSLATE_NOOP("quillfen", "Cannot check the queue's folder '{}': {}");
inline constexpr const char* FolderIsLink = QT_TRANSLATE_NOOP(
    "quillfen",
    "The queue's folder '{}' is a symbolic link; the queue is kept only in a real folder of the user's own");
inline constexpr const char* FolderNotAFolder =
    QT_TRANSLATE_NOOP("quillfen", "The queue's folder '{}' is not a folder");
inline constexpr const char* FolderNotOwned = QT_TRANSLATE_NOOP(
    "quillfen",
    "The queue's folder '{}' belongs to another user; the queue is kept only in a folder of the user's own");
inline constexpr const char* FolderOpenToOthers = QT_TRANSLATE_NOOP(
    "quillfen",
    "The queue's folder '{}' can be written by other users; the queue is kept only in a folder closed to them");
inline constexpr const char* FileIsLink = QT_TRANSLATE_NOOP(
    "quillfen", "The queue file '{}' is a symbolic link; the queue is kept only in a plain file of the user's own");
inline constexpr const char* FileNotPlain = QT_TRANSLATE_NOOP("quillfen", "The queue file '{}' is not a plain file");
inline constexpr const char* FileNotOwned = QT_TRANSLATE_NOOP(
    "quillfen", "The queue file '{}' belongs to another user; the queue is kept only in a file of the user's own");
inline constexpr const char* FileOpenToOthers = QT_TRANSLATE_NOOP(
    "quillfen", "The queue file '{}' can be written by other users; the queue is kept only in a file closed to them");

// Commands.
inline constexpr const char* IllegalTransition = QT_TRANSLATE_NOOP("quillfen", "A queue item cannot go from {} to {}");
inline constexpr const char* NoSuchItem = QT_TRANSLATE_NOOP("quillfen", "The queue has no item {}");
inline constexpr const char* BadJobLimit =
    QT_TRANSLATE_NOOP("quillfen", "The number of jobs at once must be from 1 to {}, not {}");
inline constexpr const char* BadConnections =
    QT_TRANSLATE_NOOP("quillfen", "The number of connections per download must be from 1 to {}, not {}");
inline constexpr const char* BadLimitRate =
    QT_TRANSLATE_NOOP("quillfen", "The rate limit must be from 0 to {} bytes a second, not {}");
inline constexpr const char* TemplateNamesNoFile =
    QT_TRANSLATE_NOOP("quillfen", "The output template '{}' names no file");
// A queued item saves only inside its folder, whoever wrote its settings.
inline constexpr const char* TemplateLeavesFolder =
    QT_TRANSLATE_NOOP("quillfen", "The output template '{}' leads out of the save folder");
inline constexpr const char* BadSaveFolder =
    QT_TRANSLATE_NOOP("quillfen", "The save folder '{}' is not an absolute path of a folder");

}  // namespace queue_messages
