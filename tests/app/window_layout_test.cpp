// The main window as its stored layout builds it, on the offscreen platform:
// each control's parent, place, size, caption and starting value read from
// the running window; the pane's and items' looks; a round trip of the whole
// window through the layout file; every caption, entry and picture fitting
// its control in the fonts the machine has; and layout files that stop
// start-up.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMetaProperty>
#include <QProgressBar>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>
#include <filesystem>

#include "app/window/desktop.h"
#include "app/window/eliding_combo_box.h"
#include "app/window/engine_flags.h"
#include "app/window/main_window.h"
#include "tests/app/demo_site.h"
#include "tests/app/recording_desktop.h"
#include "tests/servers/temp_folder.h"
#include "ui/taskpane/buttons.h"
#include "ui/taskpane/layout_file.h"
#include "ui/taskpane/task_pane.h"
#include "ui/taskpane/task_pane_label.h"

namespace {

using namespace app_test;

// The nearest ancestor with a designer name: the inner client areas of the
// pane and the page are the toolkit's, not controls of the window.
QString parentName(const QWidget* control) {
  for (const QWidget* parent = control->parentWidget(); parent; parent = parent->parentWidget())
    if (!parent->objectName().isEmpty()) return parent->objectName();
  return QString();
}

// What the control shows: its caption, its text, its selection or its check.
QString shownText(const QWidget* control) {
  if (auto* button = qobject_cast<const TmxCustomButton*>(control)) return button->Caption();
  if (auto* title = qobject_cast<const TmxCustomTaskPaneLabel*>(control)) return title->Caption();
  if (auto* check = qobject_cast<const QCheckBox*>(control))
    return check->text() + (check->isChecked() ? " [x]" : " [ ]");
  if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
  if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
  if (auto* box = qobject_cast<const QComboBox*>(control)) return box->currentText();
  if (auto* bar = qobject_cast<const QProgressBar*>(control))
    return QStringLiteral("%1 of %2..%3").arg(bar->value()).arg(bar->minimum()).arg(bar->maximum());
  return QString();
}

constexpr int Any = -10000;  // a side the window's size decides

struct ControlCase {
  const char* name;
  const char* parent;
  int left, top, width, height;
  const char* text;
  bool shown = true;
  bool enabled = true;
};

// Places at 96 dots per inch relative to the parent's alignment area for
// docked items, to the container for the controls in it.
const ControlCase Controls[] = {
    {"mxTaskPanePage2", "mxTaskPanePro2", 0, 0, Any, Any, ""},
    {"mxTaskPaneLabel18", "mxTaskPanePage2", 5, 5, Any, 17, "Page URL:"},
    {"mxContainer43", "mxTaskPanePage2", 5, 22, Any, 63, ""},
    {"Edit1", "mxContainer43", 16, 16, 577, 21, "http://www.clipcove.example/watch?v=Kq3fZ8wLp2A"},
    {"mxTPButton4", "mxContainer43", 596, 6, 61, 41, "Browse"},
    {"mxTPButton3", "mxContainer43", 660, 6, 46, 41, "Stop"},
    {"mxTPButton1", "mxContainer43", 704, -6, 107, 65, "Download"},
    {"mxTaskPaneLabel2", "mxTaskPanePage2", 5, 85, Any, 17, "Output File:"},
    {"mxContainer2", "mxTaskPanePage2", 5, 102, Any, 123, ""},
    {"Label2", "mxContainer2", 8, 16, Any, Any, "Save as:"},
    {"Label3", "mxContainer2", 8, 40, Any, Any, "File Width"},
    {"Label4", "mxContainer2", 8, 64, Any, Any, "File Height"},
    {"Label5", "mxContainer2", 8, 88, Any, Any, "Frame Rate"},
    {"ComboBox1", "mxContainer2", 80, 16, 180, Any, "AVI"},
    {"txtWidth", "mxContainer2", 80, 40, 97, 21, "320"},
    {"txtHeight", "mxContainer2", 80, 64, 97, 21, "240"},
    {"txtFrameRate", "mxContainer2", 80, 88, 97, 21, "25"},
    {"mxContainer5", "mxContainer2", 267, 8, 145, 105, ""},
    {"VideoEdit1", "mxContainer5", 6, 6, 133, 93, "Video converter"},
    {"avipanel", "mxContainer2", 419, 16, 382, 97, ""},
    {"chkvideocomp", "avipanel", 8, 8, 160, 25, "Use Video Compressor [ ]"},
    {"cbovideocomp", "avipanel", 168, 8, 206, Any, "", true, false},
    {"chkaudiocomp", "avipanel", 8, 40, 160, 25, "Use Audio Compressor [ ]"},
    {"cboaudiocomp", "avipanel", 168, 43, 206, Any, "", true, false},
    {"wmvpanel", "mxContainer2", 419, 16, 382, 97, "", false},
    {"chkusewmv9", "wmvpanel", 16, 8, Any, Any, "Use WMV9 [x]"},
    {"Label6", "wmvpanel", 16, 32, Any, Any, "WMV 8 Profile"},
    {"cbowmv", "wmvpanel", 104, 32, 238, Any, "", true, false},
    {"Label7", "wmvpanel", 16, 72, Any, Any, "WMV 9 Profile"},
    {"cbowmv9", "wmvpanel", 104, 64, 270, Any, ""},
    {"mxTaskPaneLabel1", "mxTaskPanePage2", 5, 225, Any, 17, "Web Browser:"},
    {"mxContainer1", "mxTaskPanePage2", 5, 242, Any, Any, ""},
    {"mxContainer3", "mxContainer1", 6, 6, Any, 49, ""},
    {"mxImageButton1", "mxContainer3", 8, 8, 88, 33, ""},
    {"mxImageButton2", "mxContainer3", 96, 8, 97, 33, ""},
    {"WebBrowser1", "mxContainer1", 6, 55, Any, Any, ""},
    {"mxTaskPaneLabel3", "mxTaskPanePage2", 5, Any, Any, 17, ""},
    {"mxContainer4", "mxTaskPanePage2", 5, Any, Any, 49, ""},
    {"status", "mxContainer4", 8, 12, Any, Any, "-"},
    {"Label1", "mxContainer4", 614, 12, 199, Any, "About Quillfen"},
    {"ProgressBar1", "mxContainer4", 6, 26, Any, 17, "0 of 0..100"},
};

struct LookCase {
  const char* control;
  const char* property;  // sub-objects joined by "."
  const char* value;     // as the layout file writes it
};

const LookCase Looks[] = {
    {"mxTaskPanePro2", "Buttons", "pbBack|pbNext|pbPanes|pbClose"},
    {"mxTaskPanePro2", "Options", "toShowBorder"},
    {"mxTaskPanePro2", "TaskPopup", "PopupMenu1"},
    {"mxTaskPanePro2", "ScrollType", "stAccelerated"},
    {"mxTaskPanePro2", "ScrollSpeed", "1"},
    {"mxTaskPanePro2", "HeaderHeight", "15"},
    {"mxTaskPanePro2", "ButtonHeight", "12"},
    {"mxTaskPanePro2", "Font.Name", "MS Sans Serif"},
    {"mxTaskPanePro2", "Font.Style", "fsBold"},
    {"mxTaskPanePro2", "Background.Style", "btGradient"},
    {"mxTaskPanePro2", "Background.Gradient.BeginColor", "#A6CAF0"},
    {"mxTaskPanePro2", "Background.Gradient.EndColor", "clBtnFace"},
    {"mxTaskPanePro2", "HeaderStyle.Style", "btTransparent"},
    {"mxTaskPanePro2", "HeaderStyle.Gradient.EndColor", "#7EA1DB"},
    {"mxTaskPanePro2", "XPColors.FocusedBackground", "#ADADD1"},
    {"mxTaskPanePro2", "XPColors.PressedBackground", "#8080C0"},
    {"mxTaskPanePro2", "XPColors.FocusedBorderColor", "#000080"},
    {"mxTaskPanePro2", "XPColors.SeparatorColor", "#FFFFFF"},
    {"mxTaskPanePro2", "MenuColor", "#A6A6A6"},
    {"mxTaskPanePro2", "ActiveIndex", "0"},
    {"mxTaskPanePage2", "Background.Gradient.BeginColor", "#C0DCC0"},
    {"mxTaskPanePage2", "Background.Gradient.EndColor", "#F6F6F6"},
    {"mxTaskPanePage2", "Border.Left", "5"},
    {"mxTaskPaneLabel2", "Background.Style", "btTransparent"},
    {"mxTaskPaneLabel2", "Font.Name", "Tahoma"},
    {"mxTaskPaneLabel2", "Pen.Color", "#000080"},
    {"mxContainer43", "Background.Color", "#C0DCC0"},
    {"mxContainer2", "Background.Color", "#F6F6F6"},
    {"mxContainer2", "LineColor", "#FFFFFF"},
    {"mxContainer4", "Border.Bottom", "5"},
    {"mxTPButton1", "Normal", "ImageList3"},
    {"mxTPButton3", "Normal", "ImageList1"},
    {"mxTPButton3", "ImageIndex", "1"},
    {"mxTPButton4", "ImageIndex", "3"},
    {"mxTPButton4", "Alignment", "taCenter"},
    {"mxTPButton4", "Font.Color", "#0000FF"},
    {"mxTPButton4", "HighlightFont.Style", "fsUnderline"},
    {"mxTPButton4", "XPColors.Background", "#C0C0C0"},
    {"mxTPButton4", "XPColors.FocusedBackground", "#B0ACD8"},
    {"mxTPButton4", "XPColors.PressedBackground", "#9F87C7"},
    {"mxTPButton4", "XPColors.UseShadow", "false"},
    {"mxImageButton2", "Normal", "ImageList2"},
    {"mxImageButton2", "ImageIndex", "1"},
};

// A published value as text: enumerations and sets by name, colours as the
// layout writes them, references by the name of what they point at.
QString valueText(QObject* object, const QString& path) {
  const QStringList parts = path.split(u'.');
  for (int i = 0; i + 1 < parts.size(); ++i) object = object->property(parts[i].toLatin1()).value<QObject*>();
  const QMetaObject* meta = object->metaObject();
  const QMetaProperty property = meta->property(meta->indexOfProperty(parts.last().toLatin1()));
  const QVariant value = property.read(object);
  if (property.metaType().flags().testFlag(QMetaType::PointerToQObject))
    return value.value<QObject*>() ? value.value<QObject*>()->objectName() : QStringLiteral("none");
  if (property.isEnumType()) {
    const int raw = *static_cast<const int*>(value.constData());
    return property.enumerator().isFlag() ? QString::fromLatin1(property.enumerator().valueToKeys(raw))
                                          : QString::fromLatin1(property.enumerator().valueToKey(raw));
  }
  if (property.metaType() == QMetaType::fromType<TColor>()) return ColorToString(value.value<TColor>());
  return value.toString();
}

QJsonObject readJson(const std::string& fileName) {
  QFile file(QString::fromStdString(fileName));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << fileName;
  return QJsonDocument::fromJson(file.readAll()).object();
}

void writeJson(const std::string& fileName, const QJsonObject& layout) {
  QFile file(QString::fromStdString(fileName));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(QJsonDocument(layout).toJson());
}

class WindowLayoutTest : public ::testing::Test {
protected:
  std::unique_ptr<TForm1> makeForm(const std::string& dataFolder = SourcePath("resources/")) {
    folders.Work = work.Path() + "/";
    folders.Data = dataFolder;
    folders.Profiles = SourcePath("resources/profiles/");
    return std::make_unique<TForm1>(desktop, "quillfen", [&] {
      TSessionOptions options;
      options.Folders = folders;
      return options;
    }());
  }

  TempFolder work;
  TAppFolders folders;
  RecordingDesktop desktop;
};

TEST_F(WindowLayoutTest, EveryControlWherePlacedWithItsCaption) {
  auto form = makeForm();
  EXPECT_EQ(form->windowTitle(), "Quillfen");
  EXPECT_EQ(form->geometry(), QRect(299, 140, 834, 722));
  form->show();
  for (const ControlCase& c : Controls) {
    SCOPED_TRACE(c.name);
    auto* control = form->findChild<QWidget*>(QLatin1String(c.name));
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(parentName(control), c.parent);
    const QRect at = control->geometry();
    const QRect expected(c.left == Any ? at.left() : c.left, c.top == Any ? at.top() : c.top,
                         c.width == Any ? at.width() : c.width, c.height == Any ? at.height() : c.height);
    EXPECT_EQ(at, expected);
    EXPECT_EQ(shownText(control), c.text);
    EXPECT_EQ(!control->isHidden(), c.shown);
    EXPECT_EQ(control->isEnabled(), c.enabled);
  }
  // The last group stands on the page's bottom margin; the browser group
  // fills what the groups above and below leave.
  auto* page = form->findChild<TmxTaskPanePage*>("mxTaskPanePage2");
  auto* status = form->findChild<QWidget*>("mxContainer4");
  auto* title = form->findChild<QWidget*>("mxTaskPaneLabel3");
  auto* browser = form->findChild<QWidget*>("mxContainer1");
  EXPECT_EQ(status->geometry().bottom() + 1, page->ClientWidget()->height() - 5);
  EXPECT_EQ(title->geometry().bottom() + 1, status->y());
  EXPECT_EQ(browser->geometry().bottom() + 1, title->y());
  EXPECT_EQ(page->ClientWidget()->width(), form->centralWidget()->width() - 6);
}

TEST_F(WindowLayoutTest, LooksOfThePaneAndItsItems) {
  auto form = makeForm();
  for (const LookCase& c : Looks) {
    SCOPED_TRACE(std::string(c.control) + "." + c.property);
    QObject* control = form->findChild<QObject*>(QLatin1String(c.control));
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(valueText(control, QLatin1String(c.property)), c.value);
  }
  auto* pane = form->findChild<TmxTaskPanePro*>("mxTaskPanePro2");
  EXPECT_EQ(pane->ActivePage(), form->findChild<TmxTaskPanePage*>("mxTaskPanePage2"));
  EXPECT_EQ(pane->Preset(), taskpane::tpsDefault);
}

// Written, read into a fresh window and written again, the layout is the
// same; and the shipped file names every value the window writes.
TEST_F(WindowLayoutTest, RoundTripOfTheWholeWindow) {
  TempFolder data;
  auto original = makeForm();
  taskpane::WriteLayout(original.get(), QString::fromStdString(data.File("main_window.json")));
  const QJsonObject written = readJson(data.File("main_window.json"));
  const QJsonObject shipped = readJson(SourcePath("resources/main_window.json"));
  for (const QString& control : written.keys())
    for (const QString& key : written.value(control).toObject().keys())
      EXPECT_TRUE(shipped.value(control).toObject().contains(key)) << control.toStdString() << "." << key.toStdString();

  auto copy = makeForm(data.Path() + "/");
  taskpane::WriteLayout(copy.get(), QString::fromStdString(data.File("again.json")));
  const QJsonObject rewritten = readJson(data.File("again.json"));
  for (const QString& control : written.keys())
    EXPECT_EQ(rewritten.value(control), written.value(control)) << control.toStdString();
  EXPECT_EQ(rewritten.keys(), written.keys());
}

// What a control draws - a caption, an entry, a picture or its own frame -
// and where, in the parent's coordinates, at the width that the font the
// control draws it in (or the picture list) needs.
struct Ink {
  const QWidget* control;
  QString what;
  QRect area;
};

int advance(const QFont& font, const QString& text) { return QFontMetrics(font).horizontalAdvance(text); }

QRect inParent(const QWidget* control, const QRect& local) { return local.translated(control->pos()); }

QRect labelInk(const QLabel* label) {
  const int m = label->margin();
  const QRect room = label->contentsRect().adjusted(m, m, -m, -m);
  const QSize text(advance(label->font(), label->text()), room.height());
  return inParent(label, QStyle::alignedRect(label->layoutDirection(), label->alignment(), text, room));
}

// Indicator, spacing and caption as the style lays them out.
QRect checkBoxInk(const QCheckBox* check) {
  QStyleOptionButton option;
  option.initFrom(check);
  option.text = check->text();
  const QFontMetrics metrics(check->font());
  const QSize text(metrics.horizontalAdvance(check->text()), metrics.height());
  const int width = check->style()->sizeFromContents(QStyle::CT_CheckBox, &option, text, check).width();
  return QRect(check->pos(), QSize(width, check->height()));
}

// The closed box with the entry in it: frame, text room and arrow as the
// style sizes them.
QRect comboEntryInk(const QComboBox* box, const QString& entry) {
  QStyleOptionComboBox option;
  option.initFrom(box);
  option.editable = box->isEditable();
  option.frame = box->hasFrame();
  option.currentText = entry;
  const QFontMetrics metrics(box->font());
  const QSize text(metrics.horizontalAdvance(entry), metrics.height());
  const int width = box->style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, box).width();
  return QRect(box->pos(), QSize(width, box->height()));
}

// Picture and caption where the button's layout puts them, the caption as
// wide as the wider of its normal and highlighted fonts needs, and one pixel
// more each way for the lighter copy a disabled button draws beneath it.
QRect buttonInk(TmxCustomButton* button) {
  button->LayoutContent();
  QRect caption = button->CaptionRect();
  if (!caption.isEmpty())
    caption.setSize(QSize(std::max({caption.width(), advance(button->Font()->ToQFont(), button->Caption()),
                                    advance(button->HighlightFont()->ToQFont(), button->Caption())}) +
                              1,
                          caption.height() + 1));
  return inParent(button, button->PictureRect() | caption);
}

std::vector<Ink> inksOf(QWidget* control) {
  if (auto* button = qobject_cast<TmxCustomButton*>(control))
    return {
        {control, button->Caption().isEmpty() ? QStringLiteral("its picture") : button->Caption(), buttonInk(button)}};
  if (auto* title = qobject_cast<TmxCustomTaskPaneLabel*>(control); title && !title->Caption().isEmpty())
    return {{control, title->Caption(),
             QRect(title->pos(), QSize(advance(title->Font()->ToQFont(), title->Caption()), title->height()))}};
  if (auto* check = qobject_cast<QCheckBox*>(control)) return {{control, check->text(), checkBoxInk(check)}};
  if (auto* label = qobject_cast<QLabel*>(control)) return {{control, label->text(), labelInk(label)}};
  if (auto* edit = qobject_cast<QLineEdit*>(control)) return {{control, "its frame", edit->geometry()}};
  if (auto* box = qobject_cast<QComboBox*>(control)) {
    std::vector<Ink> inks{{control, "its frame", box->geometry()}};
    // The WMV profile names are wider than their panel: their boxes shorten
    // what they show, and the open list shows them whole.
    const auto* eliding = dynamic_cast<const TElidingComboBox*>(box);
    for (int i = 0; i < box->count(); ++i) {
      const QString shown = eliding ? eliding->ShownText(box->itemText(i)) : box->itemText(i);
      inks.push_back({control, shown, comboEntryInk(box, shown)});
    }
    return inks;
  }
  return {};
}

std::string describe(const Ink& ink) {
  const QRect& a = ink.area;
  return QStringLiteral("%1: \"%2\" needs x %3..%4, y %5..%6")
      .arg(ink.control->objectName(), ink.what)
      .arg(a.left())
      .arg(a.right())
      .arg(a.top())
      .arg(a.bottom())
      .toStdString();
}

// At the window's normal bounds in the fonts the machine has (fontconfig's
// stand-ins for the design's fonts), every caption, every entry of the lists
// and every picture lies inside its control, is not cut by the control's
// parent, and runs under nothing its neighbours draw.
TEST_F(WindowLayoutTest, EveryTextAndPictureFitsItsControl) {
  auto form = makeForm();
  form->show();
  form->FormActivate();
  std::vector<Ink> inks;
  for (QWidget* control : form->findChildren<QWidget*>())
    if (!control->objectName().isEmpty())
      for (const Ink& ink : inksOf(control)) inks.push_back(ink);
  ASSERT_GT(inks.size(), 40u);
  for (auto ink = inks.begin(); ink != inks.end(); ++ink) {
    const QRect box = ink->control->geometry();
    EXPECT_TRUE(ink->area.left() >= box.left() && ink->area.right() <= box.right())
        << describe(*ink) << " beside x " << box.left() << ".." << box.right();
    EXPECT_TRUE(ink->control->parentWidget()->rect().contains(ink->area))
        << describe(*ink) << ", its parent is " << ink->control->parentWidget()->width() << " wide";
    for (auto other = std::next(ink); other != inks.end(); ++other)
      if (other->control != ink->control && other->control->parentWidget() == ink->control->parentWidget() &&
          other->area.intersects(ink->area))
        ADD_FAILURE() << describe(*ink) << ", meets " << describe(*other);
  }
}

// A message box with a long title and a short text is wide enough for the
// title in the frame's font beside the frame's icon and its three buttons
// (about 100 pixels in the common window managers): the title of an error
// box at start-up is the program's path, and the toolkit's own allowance
// (50 pixels) left it cut.
TEST_F(WindowLayoutTest, MessageBoxesAreAsWideAsTheirTitle) {
  const std::string title = "/usr/lib/x86_64-linux-gnu/quillfen/a-long-folder-name/quillfen";
  const int titleWidth = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(title.c_str());
  for (const auto icon : {QMessageBox::NoIcon, QMessageBox::Critical, QMessageBox::Question}) {
    const auto box = MakeMessageBox(nullptr, icon, title, "Done", QMessageBox::Ok);
    box->show();
    EXPECT_GE(box->width(), titleWidth + 100) << "icon " << icon;
  }
}

struct BrokenCase {
  const char* name;
  const char* control;
  const char* key;
  QJsonValue value;  // undefined: remove the control
  const char* message;
};

TEST_F(WindowLayoutTest, LayoutErrorsStopStartUp) {
  const BrokenCase cases[] = {
      {"unknown control", "mxContainer99", "Left", 3, ": unknown control \"mxContainer99\""},
      {"unknown property", "mxTaskPanePro2", "HeaderHight", 20,
       ": control \"mxTaskPanePro2\" has no property \"HeaderHight\""},
      {"preset is never stored", "mxTaskPanePro2", "Preset", "tpsXP",
       ": control \"mxTaskPanePro2\" has no property \"Preset\""},
      {"wrong kind", "mxTPButton1", "Caption", 7,
       ": control \"mxTPButton1\", property \"Caption\" holds a value of the wrong kind"},
      {"wrong kind inside a sub-object", "mxTaskPanePage2", "Background", QJsonObject{{"Style", "btShiny"}},
       ": control \"mxTaskPanePage2\", property \"Background.Style\" holds a value of the wrong kind"},
  };
  const QJsonObject shipped = readJson(SourcePath("resources/main_window.json"));
  for (const BrokenCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder data;
    QJsonObject layout = shipped;
    QJsonObject control = layout.value(c.control).toObject();
    control.insert(c.key, c.value);
    layout.insert(c.control, control);
    writeJson(data.File("main_window.json"), layout);
    try {
      makeForm(data.Path() + "/");
      ADD_FAILURE() << "started";
    } catch (const ELayoutError& error) {
      EXPECT_EQ(std::string(error.what()), "Layout file \"" + data.File("main_window.json") + "\"" + c.message);
    }
  }
  TempFolder empty;
  try {
    makeForm(empty.Path() + "/");
    ADD_FAILURE() << "started without a layout";
  } catch (const ELayoutError& error) {
    EXPECT_EQ(std::string(error.what()), "Layout file \"" + empty.File("main_window.json") + "\" cannot be read");
  }
}

}  // namespace
