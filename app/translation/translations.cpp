#include "app/translation/translations.h"

#include <QCoreApplication>
#include <QTranslator>
#include <memory>

#include "app/messages.h"
#include "app/queue/messages.h"
#include "app/status_wording.h"
#include "app/streams/messages.h"
#include "app/transfer/messages.h"
#include "app/translation/composed_message.h"

namespace {

constexpr const char* MessagesContext = "quillfen";

// The messages composed from a pattern before a front end sees them: errors,
// the queue's states, and the notices of the layers below.
const char* const ComposedMessages[] = {
    app_messages::FrameSizeOutOfRange,
    app_messages::NotAVideo,
    app_messages::BadProxyVariable,
    app_messages::CannotMakeWorkFolder,
    app_messages::WorkFolderIsLink,
    app_messages::CannotCheckWorkFolder,
    app_messages::WorkFolderNotAFolder,
    app_messages::WorkFolderNotOwned,
    app_messages::WorkFolderOpenToOthers,
    transfer_messages::WorkFileNotPlain,
    transfer_messages::CannotUseWorkFile,
    app_messages::AlreadyDownloading,
    queue_messages::Downloading,
    queue_messages::Converting,
    queue_messages::PausedAt,
    queue_messages::Failed,
    queue_messages::Saved,
    queue_messages::CannotMakeFolder,
    queue_messages::CannotOpen,
    queue_messages::Damaged,
    queue_messages::TooNew,
    queue_messages::StoreFailed,
    queue_messages::UnknownState,
    queue_messages::IllegalTransition,
    queue_messages::NoSuchItem,
    queue_messages::BadJobLimit,
    queue_messages::BadConnections,
    queue_messages::BadLimitRate,
    queue_messages::TemplateNamesNoFile,
    queue_messages::TemplateLeavesFolder,
    queue_messages::BadSaveFolder,
    queue_messages::CannotCheckFolder,
    queue_messages::FolderIsLink,
    queue_messages::FolderNotAFolder,
    queue_messages::FolderNotOwned,
    queue_messages::FolderOpenToOthers,
    queue_messages::FileIsLink,
    queue_messages::FileNotPlain,
    queue_messages::FileNotOwned,
    queue_messages::FileOpenToOthers,
    stream_messages::ProtectedPlaylist,
    stream_messages::UnsupportedScheme,
    stream_messages::TooManySegments,
    stream_messages::TextTooLarge,
    stream_messages::BadAttribute,
    stream_messages::MissingAddress,
    stream_messages::LeadsBackToItself,
    stream_messages::NestedTooDeep,
    stream_messages::NotXml,
    stream_messages::BadDuration,
    stream_messages::BadTemplate,
    stream_messages::BadManifestValue,
    stream_messages::SegmentFailed,
    stream_messages::KeyFailed,
    stream_messages::BadKey,
    stream_messages::DecryptFailed,
    transfer_messages::AnswerCut,
    stream_messages::FileChanged,
    stream_messages::RecordDiscarded,
    stream_messages::PartFailed,
};

std::unique_ptr<QTranslator>& programTranslator() {
  static std::unique_ptr<QTranslator> translator;
  return translator;
}

}  // namespace

void LoadTranslations(const std::string& dataFolder, const QStringList& languages) {
  std::unique_ptr<QTranslator>& translator = programTranslator();
  if (translator && QCoreApplication::instance()) QCoreApplication::removeTranslator(translator.get());
  translator = std::make_unique<QTranslator>();
  const QString folder = QString::fromStdString(dataFolder) + QStringLiteral("translations");
  for (QString language : languages) {
    // "de-DE" looks for quillfen_de_DE.qm, then quillfen_de.qm.
    if (!translator->load(QStringLiteral("quillfen_") + language.replace(u'-', u'_'), folder)) continue;
    if (QCoreApplication::instance()) QCoreApplication::installTranslator(translator.get());
    return;
  }
  translator.reset();
}

std::string TranslatedText(const char* context, const char* text) {
  // The command line runs without an application object, which the toolkit's
  // lookup needs; it asks its translation directly.
  if (QCoreApplication::instance()) return QCoreApplication::translate(context, text).toStdString();
  const QString found = programTranslator() ? programTranslator()->translate(context, text) : QString();
  return found.isEmpty() ? text : found.toStdString();
}

std::string TranslatedMessage(const std::string& message) {
  return TranslateComposed(message, ComposedMessages,
                           [](const std::string& text) { return TranslatedText(MessagesContext, text.c_str()); });
}

std::optional<std::string> TranslatedStatus(const TJobProgress& progress) {
  const std::optional<TStatusWording> wording = StatusWording(progress);
  if (!wording) return std::nullopt;
  // A text the layers below finished is translated as their failures are.
  if (!wording->Pattern) return TranslatedMessage(wording->Text);
  return StatusLine(*wording, TranslatedText(MessagesContext, wording->Pattern));
}
