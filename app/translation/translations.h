// The program's texts in the user's language: the translation for the first
// of the user's languages that has one (LANGUAGE, LC_ALL, LC_MESSAGES, LANG)
// is loaded from the data folder's translations/, and the front ends look
// their texts up through it when they show them. Without a translation the
// texts stay as written.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>

#include "app/job_progress.h"

// With an application object running, the translation also joins the
// toolkit's own lookup (QCoreApplication::translate, tr).
void LoadTranslations(const std::string& dataFolder, const QStringList& languages = QLocale::system().uiLanguages());

// The text in the user's language, as UTF-8; the text is marked for the
// translation tools where it is written (QT_TRANSLATE_NOOP(context, text)).
std::string TranslatedText(const char* context, const char* text);

// A message of the program's tables (context "quillfen") in the user's
// language, whether shown as written or composed from a pattern: an error,
// a queue state, a notice.
std::string TranslatedMessage(const std::string& message);

// The status line for a job's progress in the user's language: its pattern
// translated, then filled. None when it leaves the line as it is.
std::optional<std::string> TranslatedStatus(const TJobProgress& progress);
