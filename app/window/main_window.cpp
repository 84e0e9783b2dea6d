#include "app/window/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineView>
#include <algorithm>
#include <climits>

#include "app/clipboard_scan.h"
#include "app/error_text.h"
#include "app/http_settings.h"
#include "app/option_lists.h"
#include "app/proxy_settings.h"
#include "app/sites.h"
#include "app/window/desktop.h"
#include "app/window/pictures.h"
#include "converter/video_edit.h"
#include "net/http/http_client.h"

namespace {

QString qt(const std::string& text) { return QString::fromStdString(text); }

template <class Widget>
Widget* named(Widget* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

// A titled group of the page: a bold title line and a container below it.
QLabel* groupTitle(QWidget* page, const char* name, const char* caption) {
  auto* label = named(new QLabel(caption, page), name);
  label->setFixedHeight(17);
  label->setStyleSheet("font: bold 8pt 'Tahoma'; color: navy;");
  return label;
}

QWidget* container(QWidget* page, const char* name, int height, const char* background) {
  auto* box = named(new QWidget(page), name);
  if (height > 0) box->setFixedHeight(height);
  box->setAutoFillBackground(true);
  box->setStyleSheet(QString("#%1 { background: %2; border: 1px solid white; }").arg(name, background));
  return box;
}

QToolButton* taskButton(QWidget* parent, const char* name, const char* caption, const QPixmap& picture,
                        QRect bounds) {
  auto* button = named(new QToolButton(parent), name);
  button->setText(caption);
  button->setIcon(QIcon(picture));
  button->setIconSize(picture.size());
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setAutoRaise(true);
  button->setCursor(Qt::PointingHandCursor);
  button->setStyleSheet("QToolButton { color: blue; } QToolButton:hover { text-decoration: underline; }");
  button->setGeometry(bounds);
  return button;
}

QLabel* fieldLabel(QWidget* parent, const char* caption, int left, int top) {
  auto* label = new QLabel(caption, parent);
  label->move(left, top);
  return label;
}

QLineEdit* field(QWidget* parent, const char* name, const char* text, int top) {
  auto* edit = named(new QLineEdit(text, parent), name);
  edit->setGeometry(80, top, 97, 21);
  return edit;
}

void fillList(QComboBox* box, const TOptionList& list) {
  box->clear();
  for (const std::string& item : list.Items) box->addItem(qt(item));
  box->setCurrentIndex(list.Selected);
}

int clampToInt(int64_t value) { return int(std::clamp<int64_t>(value, INT_MIN, INT_MAX)); }

}  // namespace

TForm1::TForm1(TDesktop& desktop, const std::string& title, const TAppFolders& folders, TProxyPolicy* proxies)
    : desktop_(desktop),
      title_(title),
      folders_(folders),
      proxies_(proxies),
      startPage_(QUrl::fromLocalFile(qt(folders.Data + sites::StartPageFile)).toString().toStdString()),
      HTTP1(std::make_unique<TIdHTTP>()),
      VideoEdit1(std::make_unique<TVideoEdit>()) {
  setObjectName("Form1");
  setWindowTitle("Quillfen");
  setWindowIcon(QIcon(pictures::Icon()));
  setGeometry(299, 140, 834, 722);
  setStyleSheet("QMainWindow { background: rgb(246,246,246); }");
  ApplyMainWindowSettings(*HTTP1);
  job_ = std::make_unique<TDownloadJob>(*HTTP1, *VideoEdit1, *this, folders_.Work, folders_.Profiles);
  const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
  job_->SaveFolder = (QDir(videos).exists() ? videos : QDir::homePath()).toStdString() + "/";
  if (proxies_) job_->BeforeFetch = [this](const std::string& url) { proxies_->Apply(*HTTP1, url); };

  buildMenus();
  auto* pane = named(new QWidget(this), "mxTaskPanePro2");
  auto* paneLayout = new QVBoxLayout(pane);
  paneLayout->setContentsMargins(0, 0, 0, 0);
  auto* page = named(new QWidget(pane), "mxTaskPanePage2");
  page->setStyleSheet("#mxTaskPanePage2 { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, "
                      "stop:0 rgb(192,220,192), stop:1 rgb(246,246,246)); }");
  paneLayout->addWidget(page);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(5, 5, 5, 5);
  layout->setSpacing(0);
  layout->addWidget(groupTitle(page, "mxTaskPaneLabel18", "Page URL:"));
  layout->addWidget(buildUrlGroup(page));
  layout->addWidget(groupTitle(page, "mxTaskPaneLabel2", "Output File:"));
  layout->addWidget(buildOutputGroup(page));
  layout->addWidget(groupTitle(page, "mxTaskPaneLabel1", "Web Browser:"));
  layout->addWidget(buildBrowserGroup(page), 1);
  layout->addWidget(groupTitle(page, "mxTaskPaneLabel3", ""));
  layout->addWidget(buildStatusGroup(page));
  setCentralWidget(pane);
  pane->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(pane, &QWidget::customContextMenuRequested, this,
          [this, pane](const QPoint& at) { PopupMenu1->popup(pane->mapToGlobal(at)); });
  page->setFocusPolicy(Qt::StrongFocus);
  page->setFocus();

  FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::buildMenus() {
  QMenu* file = named(menuBar()->addMenu("File"), "File1");
  connect(named(file->addAction("Exit"), "Exit1"), &QAction::triggered, this, &QWidget::close);
  QMenu* help = named(menuBar()->addMenu("Help"), "Help1");
  connect(named(help->addAction("WWW"), "WWW1"), &QAction::triggered, this, [this] { Label1Click(); });
  connect(named(help->addAction("E-Mail"), "EMail1"), &QAction::triggered, this, [this] { EMail1Click(); });
  PopupMenu1 = named(new QMenu(this), "PopupMenu1");
  connect(named(PopupMenu1->addAction(sites::VendorAddressCaption), "www2"), &QAction::triggered, this,
          [this] { Label1Click(); });
  connect(named(PopupMenu1->addAction("Exit"), "Exit2"), &QAction::triggered, this, &QWidget::close);
}

QWidget* TForm1::buildUrlGroup(QWidget* page) {
  QWidget* box = container(page, "mxContainer43", 63, "rgb(192,220,192)");
  Edit1 = named(new QLineEdit(sites::SampleWatchAddress, box), "Edit1");
  Edit1->setGeometry(16, 16, 577, 21);
  Edit1->installEventFilter(this);
  mxTPButton4 = taskButton(box, "mxTPButton4", "Browse", pictures::Browse(), {596, 6, 61, 41});
  mxTPButton3 = taskButton(box, "mxTPButton3", "Stop", pictures::Stop(), {660, 6, 45, 41});
  mxTPButton1 = taskButton(box, "mxTPButton1", "Download", pictures::Download(), {704, 0, 105, 63});
  connect(mxTPButton4, &QToolButton::clicked, this, [this] { mxMSButton9Click(); });
  connect(mxTPButton3, &QToolButton::clicked, this, [this] { mxTPButton3Click(); });
  connect(mxTPButton1, &QToolButton::clicked, this, [this] { Button1Click(); });
  return box;
}

QWidget* TForm1::buildOutputGroup(QWidget* page) {
  QWidget* box = container(page, "mxContainer2", 123, "rgb(246,246,246)");
  fieldLabel(box, "Save as:", 8, 16);
  fieldLabel(box, "File Width", 8, 40);
  fieldLabel(box, "File Height", 8, 64);
  fieldLabel(box, "Frame Rate", 8, 88);
  ComboBox1 = named(new QComboBox(box), "ComboBox1");
  ComboBox1->setEditable(true);
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  for (const TOutputFormat& format : OutputFormats) ComboBox1->addItem(format.Caption);
  ComboBox1->setCurrentIndex(AviFormatIndex);
  ComboBox1->setGeometry(80, 16, 97, 21);
  connect(ComboBox1, &QComboBox::currentTextChanged, this, [this] { ComboBox1Change(); });
  txtWidth = field(box, "txtWidth", "320", 40);
  txtHeight = field(box, "txtHeight", "240", 64);
  txtFrameRate = field(box, "txtFrameRate", "25", 88);

  QWidget* converterBox = container(box, "mxContainer5", 0, "rgb(230,230,236)");
  converterBox->setGeometry(184, 8, 145, 105);
  auto* converterLabel = named(new QLabel("Video converter", converterBox), "VideoEdit1");
  converterLabel->setAlignment(Qt::AlignCenter);
  converterLabel->setGeometry(0, 0, 145, 105);

  avipanel = named(new QWidget(box), "avipanel");
  avipanel->setGeometry(336, 16, 465, 97);
  chkvideocomp = named(new QCheckBox("Use Video Compressor", avipanel), "chkvideocomp");
  chkvideocomp->setGeometry(8, 8, 153, 25);
  cbovideocomp = named(new QComboBox(avipanel), "cbovideocomp");
  cbovideocomp->setGeometry(168, 8, 289, 21);
  chkaudiocomp = named(new QCheckBox("Use Audio Compressor", avipanel), "chkaudiocomp");
  chkaudiocomp->setGeometry(8, 40, 153, 25);
  cboaudiocomp = named(new QComboBox(avipanel), "cboaudiocomp");
  cboaudiocomp->setGeometry(168, 43, 289, 21);
  cbovideocomp->setEnabled(false);
  cboaudiocomp->setEnabled(false);
  connect(chkvideocomp, &QCheckBox::toggled, this, [this] { chkvideocompClick(); });
  connect(chkaudiocomp, &QCheckBox::toggled, this, [this] { chkaudiocompClick(); });

  wmvpanel = named(new QWidget(box), "wmvpanel");
  wmvpanel->setGeometry(336, 16, 465, 97);
  chkusewmv9 = named(new QCheckBox("Use WMV9", wmvpanel), "chkusewmv9");
  chkusewmv9->setGeometry(16, 8, 153, 21);
  chkusewmv9->setChecked(true);
  auto* wmv8Label = fieldLabel(wmvpanel, "WMV 8 Profile", 16, 32);
  wmv8Label->setFont(QFont("Arial", 8));
  cbowmv = named(new QComboBox(wmvpanel), "cbowmv");
  cbowmv->setGeometry(104, 32, 321, 21);
  cbowmv->setEnabled(false);
  fieldLabel(wmvpanel, "WMV 9 Profile", 16, 72);
  cbowmv9 = named(new QComboBox(wmvpanel), "cbowmv9");
  cbowmv9->setGeometry(104, 64, 321, 21);
  wmvpanel->hide();
  connect(chkusewmv9, &QCheckBox::toggled, this, [this] { chkusewmv9Click(); });
  return box;
}

QWidget* TForm1::buildBrowserGroup(QWidget* page) {
  QWidget* box = container(page, "mxContainer1", 0, "rgb(246,246,246)");
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(5, 5, 5, 5);
  QWidget* buttons = named(new QWidget(box), "mxContainer3");
  buttons->setFixedHeight(49);
  auto* first = named(new QToolButton(buttons), "mxImageButton1");
  first->setIcon(QIcon(pictures::FirstSite()));
  first->setIconSize({86, 32});
  first->setGeometry(8, 8, 81, 33);
  auto* second = named(new QToolButton(buttons), "mxImageButton2");
  second->setIcon(QIcon(pictures::SecondSite()));
  second->setIconSize({86, 32});
  second->setGeometry(96, 8, 97, 33);
  for (QToolButton* button : {first, second}) {
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
  }
  connect(first, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });
  connect(second, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
  layout->addWidget(buttons);

  WebBrowser1 = named(new QWebEngineView(box), "WebBrowser1");
  connect(WebBrowser1, &QWebEngineView::loadFinished, this,
          [this](bool) { WebBrowser1DocumentComplete(WebBrowser1->url().toString().toStdString()); });
  layout->addWidget(WebBrowser1, 1);
  return box;
}

QWidget* TForm1::buildStatusGroup(QWidget* page) {
  QWidget* box = container(page, "mxContainer4", 49, "rgb(246,246,246)");
  status = named(new QLabel("-", box), "status");
  status->setGeometry(8, 12, 600, 16);
  Label1 = named(new QLabel(sites::NoticeLine, box), "Label1");
  Label1->setStyleSheet("color: blue; font-weight: bold;");
  Label1->setCursor(Qt::PointingHandCursor);
  Label1->move(614, 12);
  Label1->adjustSize();
  Label1->installEventFilter(this);
  ProgressBar1 = named(new QProgressBar(box), "ProgressBar1");
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addStretch(1);
  ProgressBar1->setFixedHeight(17);
  layout->addWidget(ProgressBar1);
  return box;
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
    const TOptionLists lists = FillOptionLists(*VideoEdit1);
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
  if (job_->Running()) {
    closing_ = true;
    job_->Abort();
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
  return QMainWindow::eventFilter(watched, event);
}

TOutputChoices TForm1::Choices() const {
  TOutputChoices choices;
  choices.FormatIndex = formatIndex();
  choices.Width = txtWidth->text().toStdString();
  choices.Height = txtHeight->text().toStdString();
  choices.FrameRate = txtFrameRate->text().toStdString();
  choices.UseVideoCompressor = chkvideocomp->isChecked();
  choices.VideoCompressorIndex = cbovideocomp->currentIndex();
  choices.UseAudioCompressor = chkaudiocomp->isChecked();
  choices.AudioCompressorIndex = cboaudiocomp->currentIndex();
  choices.UseWMV9 = chkusewmv9->isChecked();
  choices.WMV8ProfileName = cbowmv->currentText().toStdString();
  choices.WMV9Index = cbowmv9->currentIndex();
  return choices;
}

void TForm1::Button1Click() {
  guarded([this] { job_->Run(Edit1->text().toStdString(), Choices()); });
  if (closing_) close();
}

void TForm1::mxTPButton3Click() { job_->Stop(); }

void TForm1::ComboBox1Change() {
  avipanel->hide();
  wmvpanel->hide();
  const int index = SelectedFormatIndex();
  if (index == AviFormatIndex) avipanel->show();
  if (index == WmvFormatIndex) wmvpanel->show();
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

void TForm1::EMail1Click() {
  desktop_.OpenAddress(std::string("mailto:") + sites::SupportAddress + sites::MailQuery);
}

void TForm1::SpeedButton2Click() { navigate(sites::FirstSiteHome); }
void TForm1::SpeedButton1Click() { navigate(sites::SecondSiteHome); }
void TForm1::mxMSButton9Click() { navigate(Edit1->text().toStdString()); }
void TForm1::Edit1Enter() { navigate(Edit1->text().toStdString()); }

void TForm1::navigate(const std::string& address) { WebBrowser1->load(QUrl(qt(address))); }

void TForm1::WebBrowser1DocumentComplete(const std::string& address) {
  Edit1->setText(qt(address == startPage_ ? std::string(sites::SampleWatchAddress) : address));
}

void TForm1::ShowException(const std::string& message) { desktop_.ShowError(this, title_, ErrorBoxText(message)); }

void TForm1::Status(const std::string& text) { status->setText(qt(text)); }

void TForm1::Progress(int64_t position, int64_t maximum) {
  // An unknown size leaves the bar still instead of running its busy show.
  ProgressBar1->setRange(0, std::max(1, clampToInt(maximum)));
  ProgressBar1->setValue(std::clamp(clampToInt(position), 0, ProgressBar1->maximum()));
}

void TForm1::ProcessMessages() { QCoreApplication::processEvents(); }
void TForm1::DownloadEnabled(bool enabled) { mxTPButton1->setEnabled(enabled); }

int TForm1::SelectedFormatIndex() { return formatIndex(); }

// Typed text that matches no entry selects nothing.
int TForm1::formatIndex() const {
  return ComboBox1->findText(ComboBox1->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

std::optional<std::string> TForm1::AskSaveFileName(const TSaveRequest& request) {
  return desktop_.AskSaveFileName(this, request);
}

void TForm1::ShowMessage(const std::string& text) { desktop_.ShowMessage(this, title_, text); }
