// The stored window layout: a round trip keeps every published property of
// every control, and a file that does not fit stops with a message naming
// file, control and key.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <memory>

#include "tests/ui/taskpane/qt_environment.h"
#include "ui/taskpane/buttons.h"
#include "ui/taskpane/container.h"
#include "ui/taskpane/layout_file.h"
#include "ui/taskpane/task_pane.h"
#include "ui/taskpane/task_pane_label.h"

using namespace taskpane;

namespace {

// A small window: a pane with two pages; the second holds a title and a group
// with a text field and a link button whose pictures come from the window.
struct Window {
  Window() {
    root.setObjectName(QStringLiteral("Form1"));
    root.resize(400, 300);
    images = new TmxImageList(16, 16, &root);
    images->setObjectName(QStringLiteral("ImageList1"));
    menu = new QMenu(&root);
    menu->setObjectName(QStringLiteral("PopupMenu1"));
    pane = new TmxTaskPanePro(&root);
    pane->setObjectName(QStringLiteral("pane"));
    SetAlign(pane, alClient);
    first = new TmxTaskPanePage(pane);
    first->setObjectName(QStringLiteral("page1"));
    second = new TmxTaskPanePage(pane);
    second->setObjectName(QStringLiteral("page2"));
    title = new TmxTaskPaneLabel(second);
    title->setObjectName(QStringLiteral("title"));
    group = new TmxContainer(second);
    group->setObjectName(QStringLiteral("group"));
    edit = new QLineEdit(group);
    edit->setObjectName(QStringLiteral("Edit1"));
    link = new TmxTPButton(group);
    link->setObjectName(QStringLiteral("link"));
  }

  QWidget root;
  TmxImageList* images;
  QMenu* menu;
  TmxTaskPanePro* pane;
  TmxTaskPanePage *first, *second;
  TmxTaskPaneLabel* title;
  TmxContainer* group;
  QLineEdit* edit;
  TmxTPButton* link;
};

QJsonObject readJson(const QString& fileName) {
  QFile file(fileName);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  return QJsonDocument::fromJson(file.readAll()).object();
}

void writeJson(const QString& fileName, const QJsonObject& layout) {
  QFile file(fileName);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(QJsonDocument(layout).toJson());
}

class LayoutTest : public ::testing::Test {
protected:
  QString path(const char* name) const { return folder.filePath(QLatin1String(name)); }
  QTemporaryDir folder;
};

TEST_F(LayoutTest, RoundTripKeepsEveryPublishedProperty) {
  Window original;
  original.pane->SetPreset(tpsXP);  // applied values are stored one by one
  original.pane->SetTaskPopup(original.menu);
  original.pane->SetScrollType(stLinear);
  original.pane->HeaderStyle()->Gradient()->SetDirection(gdInverse);
  original.pane->SetActivePage(original.first);
  original.second->SetCaption(QStringLiteral("Output File:"));
  original.second->Border()->SetAll(1, 2, 3, 4);
  original.title->SetCaption(QStringLiteral("Page URL:"));
  original.title->Font()->Set(QStringLiteral("Tahoma"), 8, fsBold | fsItalic);
  SetAlign(original.title, alTop);
  original.group->SetLines(blLeft | blBottom);
  QImage bitmap(3, 3, QImage::Format_RGB32);
  bitmap.fill(qRgb(10, 20, 30));
  bitmap.setPixel(1, 1, qRgb(200, 100, 0));
  original.group->Background()->SetBitmap(bitmap);
  original.group->setGeometry(7, 40, 300, 63);
  original.edit->setText(QStringLiteral("sample address"));
  original.edit->setGeometry(16, 16, 200, 21);
  original.link->SetCaption(QStringLiteral("Download"));
  original.link->SetNormal(original.images);
  original.link->SetImageIndex(2);
  original.link->setEnabled(false);
  original.link->setVisible(false);
  WriteLayout(&original.root, path("first.json"));

  Window copy;
  ReadLayout(&copy.root, path("first.json"));
  WriteLayout(&copy.root, path("second.json"));
  const QJsonObject written = readJson(path("first.json")), rewritten = readJson(path("second.json"));
  for (const QString& control : written.keys()) {
    const QJsonObject before = written.value(control).toObject(), after = rewritten.value(control).toObject();
    for (const QString& key : before.keys())
      EXPECT_EQ(after.value(key), before.value(key)) << control.toStdString() << "." << key.toStdString();
  }
  EXPECT_EQ(rewritten, written);

  EXPECT_EQ(copy.pane->Preset(), tpsDefault);
  EXPECT_EQ(copy.pane->HeaderHeight(), 26);
  EXPECT_EQ(copy.pane->TaskPopup(), copy.menu);
  EXPECT_EQ(copy.pane->ActivePage(), copy.first);
  EXPECT_EQ(copy.link->Normal(), copy.images);
  EXPECT_EQ(copy.title->Font()->Style(), fsBold | fsItalic);
  EXPECT_FALSE(copy.link->isEnabled());
  EXPECT_EQ(copy.group->Background()->Bitmap().pixel(1, 1), qRgb(200, 100, 0));
  EXPECT_FALSE(
      readJson(path("first.json")).value(QStringLiteral("pane")).toObject().contains(QStringLiteral("Preset")));
}

// The layout settles the active page after reading: a page that changed here
// stands twice in the history, an index out of range leaves none.
TEST_F(LayoutTest, ActiveIndexSettlesThePageAndTheHistory) {
  Window window;
  ASSERT_EQ(window.pane->ActivePage(), window.second);
  writeJson(path("index.json"), {{QStringLiteral("pane"), QJsonObject{{QStringLiteral("ActiveIndex"), 0}}}});
  ReadLayout(&window.root, path("index.json"));
  EXPECT_EQ(window.pane->ActivePage(), window.first);
  ASSERT_EQ(window.pane->History().Count(), 2);
  EXPECT_EQ(window.pane->History().Entry(0), window.first);
  EXPECT_EQ(window.pane->History().Entry(1), window.first);

  writeJson(path("none.json"), {{QStringLiteral("pane"), QJsonObject{{QStringLiteral("ActiveIndex"), -1}}}});
  ReadLayout(&window.root, path("none.json"));
  EXPECT_EQ(window.pane->ActivePage(), nullptr);
  EXPECT_EQ(window.pane->History().Count(), 0);
}

struct ErrorCase {
  const char* name;
  const char* text;     // the file's content
  const char* message;  // after "Layout file \"<path>\""
};

const ErrorCase ErrorCases[] = {
    {"unknown control", R"({"Form1": {}, "ghost": {"Left": 1}})", ": unknown control \"ghost\""},
    {"unknown property", R"({"pane": {"HeaderHeigth": 20}})", ": control \"pane\" has no property \"HeaderHeigth\""},
    {"unknown nested property", R"({"pane": {"Background": {"Colour": "#FFFFFF"}}})",
     ": control \"pane\" has no property \"Background.Colour\""},
    {"Preset is not a stored property", R"({"pane": {"Preset": "tpsXP"}})",
     ": control \"pane\" has no property \"Preset\""},
    {"text for a number", R"({"pane": {"HeaderHeight": "26"}})",
     ": control \"pane\", property \"HeaderHeight\" holds a value of the wrong kind"},
    {"unknown enumeration value", R"({"pane": {"ScrollType": "stSideways"}})",
     ": control \"pane\", property \"ScrollType\" holds a value of the wrong kind"},
    {"set that is not a list", R"({"pane": {"Buttons": "pbBack"}})",
     ": control \"pane\", property \"Buttons\" holds a value of the wrong kind"},
    {"malformed colour", R"({"pane": {"XPColors": {"ArrowColor": "#12345"}}})",
     ": control \"pane\", property \"XPColors.ArrowColor\" holds a value of the wrong kind"},
    {"reference to a missing control", R"({"link": {"Normal": "ImageList9"}})",
     ": control \"link\", property \"Normal\" holds a value of the wrong kind"},
    {"reference to a control of another kind", R"({"link": {"Normal": "pane"}})",
     ": control \"link\", property \"Normal\" holds a value of the wrong kind"},
    {"geometry that is not a number", R"({"Edit1": {"Left": true}})",
     ": control \"Edit1\", property \"Left\" holds a value of the wrong kind"},
    {"docking by an unknown name", R"({"title": {"Align": "alMiddle"}})",
     ": control \"title\", property \"Align\" holds a value of the wrong kind"},
    {"control that is not an object", R"({"title": 3})",
     ": control \"title\", property \"title\" holds a value of the wrong kind"},
};

TEST_F(LayoutTest, FilesThatDoNotFitStopWithTheirReason) {
  for (const ErrorCase& c : ErrorCases) {
    SCOPED_TRACE(c.name);
    Window window;
    const QString file = path("bad.json");
    {
      QFile out(file);
      ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
      out.write(c.text);
    }
    try {
      ReadLayout(&window.root, file);
      ADD_FAILURE() << "no error";
    } catch (const ELayoutError& error) {
      EXPECT_EQ(std::string(error.what()), "Layout file \"" + file.toStdString() + "\"" + c.message);
    }
    // A failed read still ends reading: the pane settles a page.
    EXPECT_NE(window.pane->ActivePage(), nullptr);
  }
}

TEST_F(LayoutTest, MissingOrBrokenFile) {
  Window window;
  const QString missing = path("missing.json");
  try {
    ReadLayout(&window.root, missing);
    ADD_FAILURE() << "no error";
  } catch (const ELayoutError& error) {
    EXPECT_EQ(std::string(error.what()), "Layout file \"" + missing.toStdString() + "\" cannot be read");
  }
  QFile broken(path("broken.json"));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write("{\"pane\": ");
  broken.close();
  EXPECT_THROW(ReadLayout(&window.root, path("broken.json")), ELayoutError);
}

}  // namespace
