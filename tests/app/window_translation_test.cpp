// The window's texts through the translations: the test language's file,
// built from quillfen_xx.ts, changes captions from the layout file and from
// the code, and every text the window looks up has its entry in the English
// translation file, so a caption added to the layout without refreshing the
// translation files (the update_translations target) fails here.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTranslator>
#include <QXmlStreamReader>
#include <memory>
#include <set>
#include <utility>

#include "app/queue/messages.h"
#include "app/translation/translations.h"
#include "app/window/main_window.h"
#include "tests/app/demo_site.h"
#include "tests/app/recording_desktop.h"
#include "tests/servers/temp_folder.h"
#include "ui/taskpane/buttons.h"

namespace {

using namespace app_test;
using TEntry = std::pair<std::string, std::string>;  // context, source text

// Answers nothing and notes every text asked for.
class RecordingTranslator : public QTranslator {
public:
  QString translate(const char* context, const char* source, const char*, int) const override {
    asked.emplace(context, source);
    return QString();
  }
  bool isEmpty() const override { return false; }
  mutable std::set<TEntry> asked;
};

std::set<TEntry> entriesOf(const std::string& tsFile) {
  QFile file(QString::fromStdString(tsFile));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << tsFile;
  QXmlStreamReader xml(&file);
  std::set<TEntry> entries;
  std::string context;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == u"name") context = xml.readElementText().toStdString();
    else if (xml.name() == u"source") entries.emplace(context, xml.readElementText().toStdString());
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  return entries;
}

class WindowTranslationTest : public ::testing::Test {
protected:
  ~WindowTranslationTest() override { LoadTranslations(QUILLFEN_BUILD_DATA, {}); }

  std::unique_ptr<TForm1> makeForm() {
    TSessionOptions options;
    options.Folders.Work = work.Path() + "/";
    options.Folders.Data = SourcePath("resources/");
    options.Folders.Profiles = SourcePath("resources/profiles/");
    auto form = std::make_unique<TForm1>(desktop, "quillfen", std::move(options));
    form->OpenQueue(work.File("queue.sqlite"));
    return form;
  }

  TempFolder work;
  RecordingDesktop desktop;
};

TEST_F(WindowTranslationTest, TestLanguageChangesCaptions) {
  LoadTranslations(QUILLFEN_BUILD_DATA, {"xx"});
  auto form = makeForm();
  EXPECT_EQ(form->findChild<TmxTPButton*>("mxTPButton1")->Caption(), "[xx] Download");
  EXPECT_EQ(form->findChild<TmxTPButton*>("ShowDownloads")->Caption(), "[xx] Downloads");
  // Untranslated captions stay as written.
  EXPECT_EQ(form->findChild<TmxTPButton*>("mxTPButton3")->Caption(), "Stop");
}

// The queue's states come from their own layer's table; the stream's
// progress is worded from its counts, filled in the translation's order.
TEST_F(WindowTranslationTest, QueueStatesAndStreamProgressAreTranslated) {
  LoadTranslations(QUILLFEN_BUILD_DATA, {"xx"});
  EXPECT_EQ(TranslatedMessage(queue_messages::Paused), "[xx] paused");
  EXPECT_EQ(TranslatedStatus({.Kind = TProgressKind::Segments, .Bytes = 5000, .Segment = 41, .SegmentCount = 120}),
            "[xx] 5000 bytes, segment 41/120");
}

TEST_F(WindowTranslationTest, EveryTextLookedUpIsInTheTranslationFile) {
  RecordingTranslator recorder;
  QCoreApplication::installTranslator(&recorder);
  auto form = makeForm();
  QCoreApplication::removeTranslator(&recorder);
  const std::set<TEntry> entries = entriesOf(SourcePath("resources/translations/quillfen_en.ts"));
  size_t captions = 0;
  for (const TEntry& asked : recorder.asked) {
    // The toolkit asks for its own texts too; those are not ours.
    if ((asked.first != "main_window" && asked.first != "quillfen") ||
        asked.second.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") == std::string::npos)
      continue;
    captions += asked.first == "main_window";
    EXPECT_TRUE(entries.count(asked)) << asked.first << ": " << asked.second;
  }
  // The layout's captions and the queue's controls were all looked up.
  EXPECT_GT(captions, 25u);
}

}  // namespace
