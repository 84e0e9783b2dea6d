#include "app/window/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QShortcut>
#include <QStandardPaths>
#include <QUrl>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <algorithm>
#include <climits>
#include <functional>

#include <fmt/core.h>

#include "app/clipboard_scan.h"
#include "app/display_text.h"
#include "app/error_text.h"
#include "app/option_lists.h"
#include "app/queue/queue_addresses.h"
#include "app/queue/queue_errors.h"
#include "app/queue/queue_scheduler.h"
#include "app/queue/queue_store.h"
#include "app/sites.h"
#include "app/translation/translations.h"
#include "app/window/desktop.h"
#include "app/window/downloads_page.h"
#include "app/window/eliding_combo_box.h"
#include "app/window/messages.h"
#include "app/window/pictures.h"
#include "app/window/throttled_status.h"
#include "app/window/window_text.h"
#include "ui/taskpane/buttons.h"
#include "ui/taskpane/container.h"
#include "ui/taskpane/image_list.h"
#include "ui/taskpane/layout_file.h"
#include "ui/taskpane/task_pane.h"
#include "ui/taskpane/task_pane_label.h"

namespace {

template <class Widget>
Widget* named(Widget* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

// The layout file of the window, in the data folder.
constexpr const char* LayoutFile = "main_window.json";

// The smallest window, and the shortest the URL field becomes in it.
constexpr int MinimumWidth = 560, MinimumHeight = 420, MinimumEditWidth = 120;

TmxImageList* imageList(QObject* form, const char* name, int width, int height,
                        std::initializer_list<QPixmap> pictures) {
  auto* list = named(new TmxImageList(width, height, form), name);
  for (const QPixmap& picture : pictures) list->Add(picture.toImage(), taskpane::Magenta);
  return list;
}

template <class Control>
void onClick(Control* control, std::function<void()> handler) {
  control->OnClick = [handler = std::move(handler)](QObject*) { handler(); };
}

void fillList(QComboBox* box, const TOptionList& list) {
  box->clear();
  for (const std::string& item : list.Items) box->addItem(qt(item));
  box->setCurrentIndex(list.Selected);
}

}  // namespace

TForm1::TForm1(TDesktop& desktop, const std::string& title, TSessionOptions options)
    : desktop_(desktop),
      title_(title),
      folders_(options.Folders),
      startPage_(QUrl::fromLocalFile(qt(folders_.Data + sites::StartPageFile)).toString().toStdString()) {
  setObjectName("Form1");
  setWindowTitle("Quillfen");
  setWindowIcon(QIcon(pictures::Icon()));
  // The window's own caption, colour and font; its bounds come with the layout.
  setStyleSheet("QMainWindow { background: rgb(246,246,246); }");
  setFont(QFont("MS Sans Serif", 8));
  const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
  options.SaveFolder = (QDir(videos).exists() ? videos : QDir::homePath()).toStdString() + "/";
  options_ = options;
  session_ = std::make_unique<TJobSession>(*this, std::move(options));

  createControls();
  taskpane::ReadLayout(this, qt(folders_.Data + LayoutFile), "main_window");
  connectControls();
  mxTaskPanePage2->setFocusPolicy(Qt::StrongFocus);
  mxTaskPanePage2->setFocus();

  FormCreate();
}

// The queue's jobs end before the window's controls go.
TForm1::~TForm1() { downloads_.reset(); }

void TForm1::OpenQueue(std::string storePath) {
  try {
    if (storePath.empty()) storePath = TQueueStore::DefaultPath();
    downloads_ = std::make_unique<TDownloadsPage>(mxTaskPanePro2, desktop_, title_, options_, storePath);
  } catch (const EQueueStoreError& error) {
    ShowException(
        fmt::format(fmt::runtime(windowText(window_messages::QueueUnavailable).toStdString()), error.Message));
    return;
  }
  // The connections per download are one setting, kept with the queue's.
  session_->SetConnections(downloads_->Scheduler().Settings().Connections);
  downloads_->OnConnections = [this](int connections) { session_->SetConnections(connections); };
  // Where the queue is reached and fed: a link beside Download, the menu
  // with its shortcut, and links dropped onto the window.
  QWidget* urlGroup = Edit1->parentWidget();
  auto* addButton = named(new TmxTPButton(urlGroup), "AddToQueue");
  addButton->SetCaption(windowText(window_messages::AddToQueue));
  addButton->setGeometry(Edit1->x(), Edit1->geometry().bottom() + 3, 100, 18);
  addButton->setCursor(Qt::PointingHandCursor);
  addButton->setFocusPolicy(Qt::TabFocus);
  onClick(addButton, [this] { AddToQueue({Edit1->text().toStdString()}); });
  addButton->show();
  auto* showButton = named(new TmxTPButton(urlGroup), "ShowDownloads");
  showButton->SetCaption(windowText(window_messages::Downloads));
  showButton->setGeometry(addButton->geometry().right() + 8, addButton->y(), 80, 18);
  showButton->setCursor(Qt::PointingHandCursor);
  showButton->setFocusPolicy(Qt::TabFocus);
  onClick(showButton, [this] { downloads_->Show(); });
  showButton->show();
  setTabOrder(mxTPButton1, addButton);
  setTabOrder(addButton, showButton);
  setTabOrder(showButton, ComboBox1);
  QMenu* file = findChild<QMenu*>("File1");
  QAction* exit = findChild<QAction*>("Exit1");
  QAction* add = named(new QAction(windowText(window_messages::AddToQueueItem), file), "AddToQueue1");
  add->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
  connect(add, &QAction::triggered, this, [this] { AddToQueue({Edit1->text().toStdString()}); });
  QAction* show = named(new QAction(windowText(window_messages::DownloadsItem), file), "Downloads1");
  connect(show, &QAction::triggered, this, [this] { downloads_->Show(); });
  file->insertActions(exit, {add, show});
  setAcceptDrops(true);
}

void TForm1::OpenAddresses(const std::vector<std::string>& addresses) {
  if (addresses.empty()) return;
  Edit1->setText(qt(addresses.front()));
  addressGiven_ = true;
  if (addresses.size() > 1 && downloads_) AddToQueue({addresses.begin() + 1, addresses.end()});
}

void TForm1::AddToQueue(const std::vector<std::string>& addresses) {
  guarded([&] { downloads_->Add(addresses, Choices()); });
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (downloads_ && (event->mimeData()->hasUrls() || event->mimeData()->hasText())) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  if (!downloads_) return;
  std::string text = event->mimeData()->text().toStdString();
  for (const QUrl& url : event->mimeData()->urls()) text += "\n" + url.toString().toStdString();
  const std::vector<std::string> addresses = AddressesInText(text);
  if (addresses.empty()) return;
  event->acceptProposedAction();
  AddToQueue(addresses);
}

// Creates the window's controls with their classes, designer names and
// parents; everything they look like and where they stand comes from the
// layout file read afterwards.
void TForm1::createControls() {
  QMenu* file = named(menuBar()->addMenu(QString()), "File1");
  downloadAction_ = named(file->addAction(windowText(window_messages::DownloadItem)), "Download1");
  downloadAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
  connect(downloadAction_, &QAction::triggered, this, [this] { downloadIfEnabled(); });
  connect(named(file->addAction(QCoreApplication::translate("main_window", "E&xit")), "Exit1"), &QAction::triggered,
          this, &QWidget::close);
  QMenu* help = named(menuBar()->addMenu(QString()), "Help1");
  connect(named(help->addAction(QCoreApplication::translate("main_window", "&WWW")), "WWW1"), &QAction::triggered, this,
          [this] { Label1Click(); });
  connect(named(help->addAction(QCoreApplication::translate("main_window", "&E-Mail")), "EMail1"), &QAction::triggered,
          this, [this] { EMail1Click(); });
  // Back to the main page from any other page of the pane.
  for (const QKeySequence& keys : {QKeySequence(QKeySequence::Back), QKeySequence(Qt::Key_Escape)})
    connect(new QShortcut(keys, this), &QShortcut::activated, this, [this] { showMainPage(); });
  PopupMenu1 = named(new QMenu(this), "PopupMenu1");
  connect(named(PopupMenu1->addAction(sites::VendorAddressCaption), "www2"), &QAction::triggered, this,
          [this] { Label1Click(); });
  connect(named(PopupMenu1->addAction(QCoreApplication::translate("main_window", "E&xit")), "Exit2"),
          &QAction::triggered, this, &QWidget::close);

  // The buttons find their pictures by the lists' names.
  imageList(this, "ImageList1", 16, 16, {pictures::Download(), pictures::Stop(), pictures::Icon(), pictures::Browse()});
  imageList(this, "ImageList2", 86, 32, {pictures::FirstSite(), pictures::SecondSite()});
  imageList(this, "ImageList3", 48, 48, {pictures::Download()});

  mxTaskPanePro2 = named(new TmxTaskPanePro(this), "mxTaskPanePro2");
  setCentralWidget(mxTaskPanePro2);
  mxTaskPanePage2 = named(new TmxTaskPanePage(mxTaskPanePro2), "mxTaskPanePage2");
  TmxTaskPanePage* page = mxTaskPanePage2;

  named(new TmxTaskPaneLabel(page), "mxTaskPaneLabel18");
  auto* urlGroup = named(new TmxContainer(page), "mxContainer43");
  Edit1 = named(new QLineEdit(urlGroup), "Edit1");
  mxTPButton4 = named(new TmxTPButton(urlGroup), "mxTPButton4");
  mxTPButton3 = named(new TmxTPButton(urlGroup), "mxTPButton3");
  mxTPButton1 = named(new TmxTPButton(urlGroup), "mxTPButton1");

  named(new TmxTaskPaneLabel(page), "mxTaskPaneLabel2");
  auto* outputGroup = named(new TmxContainer(page), "mxContainer2");
  for (const char* name : {"Label2", "Label3", "Label4", "Label5"}) named(new QLabel(outputGroup), name);
  ComboBox1 = named(new QComboBox(outputGroup), "ComboBox1");
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  for (const TOutputFormat& format : OutputFormats) ComboBox1->addItem(format.Caption);
  txtWidth = named(new QLineEdit(outputGroup), "txtWidth");
  txtHeight = named(new QLineEdit(outputGroup), "txtHeight");
  txtFrameRate = named(new QLineEdit(outputGroup), "txtFrameRate");
  auto* converterBox = named(new TmxContainer(outputGroup), "mxContainer5");
  named(new QLabel(converterBox), "VideoEdit1");
  avipanel = named(new QWidget(outputGroup), "avipanel");
  chkvideocomp = named(new QCheckBox(avipanel), "chkvideocomp");
  cbovideocomp = named(new QComboBox(avipanel), "cbovideocomp");
  chkaudiocomp = named(new QCheckBox(avipanel), "chkaudiocomp");
  cboaudiocomp = named(new QComboBox(avipanel), "cboaudiocomp");
  wmvpanel = named(new QWidget(outputGroup), "wmvpanel");
  chkusewmv9 = named(new QCheckBox(wmvpanel), "chkusewmv9");
  QLabel* wmv8Label = named(new QLabel(wmvpanel), "Label6");
  cbowmv = named(new TElidingComboBox(wmvpanel), "cbowmv");
  named(new QLabel(wmvpanel), "Label7");
  cbowmv9 = named(new TElidingComboBox(wmvpanel), "cbowmv9");

  named(new TmxTaskPaneLabel(page), "mxTaskPaneLabel1");
  auto* browserGroup = named(new TmxContainer(page), "mxContainer1");
  auto* siteButtons = named(new TmxContainer(browserGroup), "mxContainer3");
  auto* firstSite = named(new TmxImageButton(siteButtons), "mxImageButton1");
  auto* secondSite = named(new TmxImageButton(siteButtons), "mxImageButton2");
  WebBrowser1 = named(new QWebEngineView(browserGroup), "WebBrowser1");

  auto* statusGroup = named(new TmxContainer(page), "mxContainer4");
  named(new TmxTaskPaneLabel(page), "mxTaskPaneLabel3");
  status = named(new QLabel(statusGroup), "status");
  Label1 = named(new QLabel(statusGroup), "Label1");
  ProgressBar1 = named(new QProgressBar(statusGroup), "ProgressBar1");
  shown_ = new TThrottledStatus(status, ProgressBar1, this);

  // The page docks its visible items in the order of their places. Each item
  // joins when the layout shows it, after its place is read: the top groups
  // from the top down, the bottom ones (created in that order) from the
  // bottom up.
  for (QObject* item : page->ClientWidget()->children())
    if (item->isWidgetType()) static_cast<QWidget*>(item)->hide();

  // What the layout does not carry: pointers, and the fonts of standard
  // controls that differ from the window's.
  for (QWidget* control :
       std::initializer_list<QWidget*>{mxTPButton1, mxTPButton3, mxTPButton4, firstSite, secondSite, Label1})
    control->setCursor(Qt::PointingHandCursor);
  wmv8Label->setFont(QFont("Arial", 8));
  QFont notice("MS Sans Serif", 8);
  notice.setBold(true);
  Label1->setFont(notice);
  Label1->setStyleSheet("color: blue;");
}

// The handlers join after the layout is read, so that applying it runs none.
void TForm1::connectControls() {
  onClick(mxTPButton4, [this] { mxMSButton9Click(); });
  onClick(mxTPButton3, [this] { mxTPButton3Click(); });
  onClick(mxTPButton1, [this] { Button1Click(); });
  onClick(findChild<TmxImageButton*>("mxImageButton1"), [this] { SpeedButton2Click(); });
  onClick(findChild<TmxImageButton*>("mxImageButton2"), [this] { SpeedButton1Click(); });
  mxTaskPanePro2->OnClose = [this](QObject*) { close(); };
  mxTaskPanePro2->OnGoHome = [this](QObject*) { Label1Click(); };
  connect(ComboBox1, &QComboBox::currentTextChanged, this, [this] { ComboBox1Change(); });
  connect(chkvideocomp, &QCheckBox::toggled, this, [this] { chkvideocompClick(); });
  connect(chkaudiocomp, &QCheckBox::toggled, this, [this] { chkaudiocompClick(); });
  connect(chkusewmv9, &QCheckBox::toggled, this, [this] { chkusewmv9Click(); });
  // Only a page that loaded as a document is an address to download: a
  // failed load, an error page or an address the engine hands to its
  // download manager leaves the field as the user left it.
  connect(WebBrowser1->page(), &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& load) {
    if (load.status() == QWebEngineLoadingInfo::LoadSucceededStatus && !load.isErrorPage())
      WebBrowser1DocumentComplete(load.url().toString().toStdString());
  });
  Edit1->installEventFilter(this);
  Label1->installEventFilter(this);

  // The keyboard reaches the URL row's buttons after the field, in the order
  // they stand, and then the output options.
  for (TmxTPButton* button : {mxTPButton4, mxTPButton3, mxTPButton1}) button->setFocusPolicy(Qt::TabFocus);
  setTabOrder(Edit1, mxTPButton4);
  setTabOrder(mxTPButton4, mxTPButton3);
  setTabOrder(mxTPButton3, mxTPButton1);
  setTabOrder(mxTPButton1, ComboBox1);

  QWidget* urlGroup = Edit1->parentWidget();
  designedEditWidth_ = Edit1->width();
  for (QWidget* button : std::initializer_list<QWidget*>{mxTPButton4, mxTPButton3, mxTPButton1})
    designedButtonLefts_.emplace_back(button, button->x());
  urlGroup->installEventFilter(this);
  // Narrow enough for a 1280-pixel screen at twice the size, wide enough
  // for the URL field beside its buttons.
  setMinimumSize(MinimumWidth, MinimumHeight);
}

void TForm1::fitUrlRow() {
  const int designedRight = designedButtonLefts_.back().second + mxTPButton1->width();
  const int shift =
      std::clamp(designedRight - Edit1->parentWidget()->width(), 0, std::max(0, designedEditWidth_ - MinimumEditWidth));
  Edit1->resize(designedEditWidth_ - shift, Edit1->height());
  for (const auto& [button, left] : designedButtonLefts_) button->move(left - shift, button->y());
}

template <class Handler>
void TForm1::guarded(Handler handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    ShowException(error.what());
  }
}

void TForm1::FormCreate() {
  const std::string clipboard = desktop_.ClipboardText();
  Edit1->setText(qt(ScanClipboard(clipboard, Edit1->text().toStdString())));
  navigate(startPage_);
}

void TForm1::FormActivate() {
  if (activated_) return;
  activated_ = true;
  guarded([this] {
    const TOptionLists lists = session_->OptionLists();
    fillList(cbowmv, lists.WMV8Profiles);
    fillList(cbovideocomp, lists.VideoCompressors);
    fillList(cboaudiocomp, lists.AudioCompressors);
    fillList(cbowmv9, lists.WMV9Profiles);
    chkvideocomp->setChecked(true);
    chkaudiocomp->setChecked(true);
  });
}

void TForm1::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

// Closing during a job stops the transfer or the conversion first; the job
// then ends without saving and the window closes behind it.
void TForm1::closeEvent(QCloseEvent* event) {
  if (session_->Running()) {
    closing_ = true;
    session_->Abort();
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  // Focus that comes back with the window's activation is not the user
  // entering the field.
  if (watched == Edit1 && event->type() == QEvent::FocusIn &&
      static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason &&
      static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
    Edit1Enter();
  if (watched == Label1 && event->type() == QEvent::MouseButtonRelease) Label1Click();
  if (watched == Edit1 && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      downloadIfEnabled();
      return true;
    }
  }
  if (watched == Edit1->parentWidget() && event->type() == QEvent::Resize) fitUrlRow();
  return QMainWindow::eventFilter(watched, event);
}

TOutputChoices TForm1::Choices() const {
  TOutputChoices choices;
  choices.Format = selectedFormat();
  choices.Width = txtWidth->text().toStdString();
  choices.Height = txtHeight->text().toStdString();
  // The rate field shows for AVI alone; hidden, it must not set a rate.
  if (UsesAviSettings(choices.Format)) choices.FrameRate = txtFrameRate->text().toStdString();
  else choices.FrameRate.clear();
  choices.UseVideoCompressor = chkvideocomp->isChecked();
  choices.VideoCompressorIndex = cbovideocomp->currentIndex();
  choices.UseAudioCompressor = chkaudiocomp->isChecked();
  choices.AudioCompressorIndex = cboaudiocomp->currentIndex();
  choices.UseWMV9 = chkusewmv9->isChecked();
  choices.WMV8ProfileName = cbowmv->currentText().toStdString();
  choices.WMV9Index = cbowmv9->currentIndex();
  return choices;
}

// The queue's own job holds the address's work folder; a second job would
// only be refused.
bool TForm1::queueFetches(const std::string& address) const {
  if (!downloads_) return false;
  return std::ranges::any_of(downloads_->Scheduler().Items(), [&](const TQueueItem& item) {
    return item.Address == address && (item.State == TQueueState::Reading || item.State == TQueueState::Downloading ||
                                       item.State == TQueueState::Converting);
  });
}

void TForm1::downloadIfEnabled() {
  if (mxTPButton1->isEnabled()) Button1Click();
}

void TForm1::showMainPage() { mxTaskPanePro2->SetActivePage(mxTaskPanePage2); }

void TForm1::Button1Click() {
  const std::string address = Edit1->text().toStdString();
  if (queueFetches(address)) {
    ShowMessage(windowText(window_messages::AlreadyQueued).toStdString());
    return;
  }
  const TSessionResult result = session_->Run(address, Choices());
  shown_->Flush();
  if (result.Raised) ShowException(result.Failure.Message);
  if (closing_) close();
}

void TForm1::mxTPButton3Click() { session_->Stop(); }

void TForm1::ComboBox1Change() {
  avipanel->hide();
  wmvpanel->hide();
  const std::optional<TOutputType> format = SelectedFormat();
  if (UsesAviSettings(format)) avipanel->show();
  if (UsesWmvProfiles(format)) wmvpanel->show();
}

void TForm1::chkusewmv9Click() {
  cbowmv->setEnabled(!chkusewmv9->isChecked());
  cbowmv9->setEnabled(chkusewmv9->isChecked());
}

void TForm1::chkvideocompClick() { cbovideocomp->setEnabled(chkvideocomp->isChecked()); }
void TForm1::chkaudiocompClick() { cboaudiocomp->setEnabled(chkaudiocomp->isChecked()); }

void TForm1::Label1Click() {
  desktop_.OpenAddress(QUrl::fromLocalFile(qt(folders_.Data + sites::AboutPageFile)).toString().toStdString());
}

void TForm1::EMail1Click() { desktop_.OpenAddress(std::string("mailto:") + sites::SupportAddress + sites::MailQuery); }

void TForm1::SpeedButton2Click() { navigate(sites::FirstSiteHome); }
void TForm1::SpeedButton1Click() { navigate(sites::SecondSiteHome); }
void TForm1::mxMSButton9Click() { navigate(Edit1->text().toStdString()); }
void TForm1::Edit1Enter() { navigate(Edit1->text().toStdString()); }

void TForm1::navigate(const std::string& address) { WebBrowser1->load(QUrl(qt(address))); }

void TForm1::WebBrowser1DocumentComplete(const std::string& address) {
  if (address != startPage_) Edit1->setText(qt(address));
  else if (!addressGiven_) Edit1->setText(qt(sites::SampleWatchAddress));
}

// Errors, messages and the status line may carry a server's or a page's
// words; they are shown as DisplayText.
void TForm1::ShowException(const std::string& message) {
  desktop_.ShowError(this, title_, DisplayText(ErrorBoxText(TranslatedMessage(message))));
}

void TForm1::Report(const TJobProgress& progress) {
  if (const std::optional<std::string> line = TranslatedStatus(progress)) shown_->SetText(qt(DisplayText(*line)));
}

void TForm1::Progress(int64_t position, int64_t maximum) { shown_->SetProgress(position, maximum); }

void TForm1::ProcessMessages() { QCoreApplication::processEvents(); }
void TForm1::DownloadEnabled(bool enabled) {
  mxTPButton1->setEnabled(enabled);
  downloadAction_->setEnabled(enabled);
}

std::optional<TOutputType> TForm1::SelectedFormat() { return selectedFormat(); }

// Typed text that matches no entry selects nothing.
std::optional<TOutputType> TForm1::selectedFormat() const {
  const int index = ComboBox1->findText(ComboBox1->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index < 0) return std::nullopt;
  return OutputFormats[size_t(index)].Type;
}

std::optional<std::string> TForm1::AskSaveFileName(const TSaveRequest& request) {
  return desktop_.AskSaveFileName(this, request);
}

void TForm1::ShowMessage(const std::string& text) {
  desktop_.ShowMessage(this, title_, DisplayText(TranslatedMessage(text)));
}
