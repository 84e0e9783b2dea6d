#include "app/window/downloads_page.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMetaObject>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStyleOptionProgressBar>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <fmt/core.h>

#include "app/display_text.h"
#include "app/error_text.h"
#include "app/queue/messages.h"
#include "app/queue/queue_scheduler.h"
#include "app/queue/queue_store.h"
#include "app/queue/queue_transitions.h"
#include "app/queue/session_runner.h"
#include "app/status_wording.h"
#include "app/translation/translations.h"
#include "app/window/desktop.h"
#include "app/window/messages.h"
#include "app/window/window_text.h"
#include "ui/taskpane/task_pane.h"
#include "ui/taskpane/task_pane_page.h"

namespace {

// The rate limit field counts in KiB a second; the queue keeps bytes.
constexpr int64_t KiB = 1024;

enum Column {
  TitleColumn,
  FormatColumn,
  StateColumn,
  ProgressColumn,
  SizeColumn,
  SpeedColumn,
  TimeLeftColumn,
  ColumnCount
};

// The progress column's share done, in percent, under this role; none
// leaves the cell empty.
constexpr int PercentRole = Qt::UserRole;

// Paints a row's share done as a progress bar in the style's own look.
class ProgressDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    const QVariant percent = index.data(PercentRole);
    if (!percent.isValid()) return;
    QStyleOptionProgressBar bar;
    bar.initFrom(option.widget);
    bar.rect = option.rect.adjusted(2, 2, -2, -2);
    bar.minimum = 0;
    bar.maximum = 100;
    bar.progress = percent.toInt();
    bar.text = QString("%1 %").arg(bar.progress);
    bar.textVisible = true;
    bar.state |= QStyle::State_Horizontal;
    option.widget->style()->drawControl(QStyle::CE_ProgressBar, &bar, painter, option.widget);
  }
};

template <class Widget>
Widget* named(Widget* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

// The user's Videos folder, or the home folder where there is none.
std::string videosFolder() {
  const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
  return (QDir(videos).exists() ? videos : QDir::homePath()).toStdString() + "/";
}

std::string speedText(const TQueueItem& item) {
  if (item.State != TQueueState::Downloading || item.BytesPerSecond <= 0) return {};
  return fmt::format("{:.1f} KB/s", double(item.BytesPerSecond) / 1024);
}

// An item is named by its page's title, by its address until the title is known.
std::string nameOf(const TQueueItem& item) { return item.Title.empty() ? item.Address : item.Title; }

// The queue's own texts in the user's language, before their values go in.
std::string queueText(const char* text) { return QCoreApplication::translate("quillfen", text).toStdString(); }

std::string timeLeftText(const TQueueItem& item) {
  const std::optional<int64_t> seconds = item.State == TQueueState::Downloading ? SecondsLeft(item) : std::nullopt;
  if (!seconds) return {};
  return ClockTime(*seconds);
}

}  // namespace

TDownloadsPage::TDownloadsPage(TmxTaskPanePro* pane, TDesktop& desktop, std::string caption, TSessionOptions options,
                               const std::string& storePath)
    : QObject(pane), desktop_(desktop), caption_(std::move(caption)) {
  store_ = std::make_unique<TQueueStore>(storePath);
  if (options.SaveFolder.empty()) options.SaveFolder = videosFolder();
  // The scheduler may start jobs as it reads the queue back.
  const TQueueSettings settings = store_->LoadSettings();
  options.Streams.Connections = settings.Connections;
  options.LimitRate = settings.LimitRate;
  runner_ = std::make_unique<TSessionJobRunner>(std::move(options), [this](std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
  });
  createControls(pane);
  scheduler_ = std::make_unique<TQueueScheduler>(*store_, *runner_);
  scheduler_->OnItemChanged = [this](const TQueueItem& item) { showItem(item); };
  scheduler_->OnListChanged = [this] { fillRows(); };
  fillRows();
  showSettings();
  connectControls();
}

// The jobs end before the widgets they report to.
TDownloadsPage::~TDownloadsPage() { scheduler_.reset(); }

void TDownloadsPage::createControls(TmxTaskPanePro* pane) {
  page_ = named(new TmxTaskPanePage(pane), "DownloadsPage");
  page_->SetCaption(windowText(window_messages::Downloads));
  body_ = named(new QWidget(page_->ClientWidget()), "DownloadsBody");
  auto* column = new QVBoxLayout(body_);
  list_ = named(new QTreeWidget(body_), "DownloadsList");
  list_->setColumnCount(ColumnCount);
  list_->setHeaderLabels(
      {QCoreApplication::translate("main_window", "Title"), QCoreApplication::translate("main_window", "Format"),
       QCoreApplication::translate("main_window", "State"), QCoreApplication::translate("main_window", "Progress"),
       QCoreApplication::translate("main_window", "Size"), QCoreApplication::translate("main_window", "Speed"),
       QCoreApplication::translate("main_window", "Time left")});
  list_->setRootIsDecorated(false);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setItemDelegateForColumn(ProgressColumn, new ProgressDelegate(list_));
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  list_->header()->setSectionResizeMode(TitleColumn, QHeaderView::Stretch);
  list_->header()->setStretchLastSection(false);
  list_->setColumnWidth(ProgressColumn, 120);
  list_->setColumnWidth(StateColumn, 220);
  column->addWidget(list_);

  const auto buttonRow = [&](std::initializer_list<std::pair<QPushButton**, const char*>> buttons) {
    auto* row = new QHBoxLayout();
    for (const auto& [button, caption] : buttons) {
      *button = new QPushButton(windowText(caption), body_);
      (*button)->setObjectName(QString(caption).remove(' '));
      row->addWidget(*button);
    }
    column->addLayout(row);
    return row;
  };
  buttonRow({{&pause_, QT_TRANSLATE_NOOP("main_window", "Pause")},
             {&resume_, QT_TRANSLATE_NOOP("main_window", "Resume")},
             {&retry_, QT_TRANSLATE_NOOP("main_window", "Retry")},
             {&remove_, QT_TRANSLATE_NOOP("main_window", "Remove")},
             {&openFolder_, QT_TRANSLATE_NOOP("main_window", "Open folder")},
             {&moveUp_, QT_TRANSLATE_NOOP("main_window", "Move up")},
             {&moveDown_, QT_TRANSLATE_NOOP("main_window", "Move down")}});
  buttonRow({{&pauseAll_, QT_TRANSLATE_NOOP("main_window", "Pause all")},
             {&resumeAll_, QT_TRANSLATE_NOOP("main_window", "Resume all")},
             {&clearFinished_, QT_TRANSLATE_NOOP("main_window", "Clear finished")}})
      ->addStretch();

  auto* target = new QHBoxLayout();
  target->addWidget(new QLabel(QCoreApplication::translate("main_window", "Save queued videos in:"), body_));
  // Changed through Browse only, so that it always names a folder that was there.
  folder_ = named(new QLineEdit(body_), "QueueFolder");
  folder_->setReadOnly(true);
  target->addWidget(folder_, 1);
  browseFolder_ =
      named(new QPushButton(QCoreApplication::translate("main_window", "Browse..."), body_), "BrowseQueueFolder");
  target->addWidget(browseFolder_);
  target->addWidget(new QLabel(QCoreApplication::translate("main_window", "Name template:"), body_));
  nameTemplate_ = named(new QLineEdit(body_), "NameTemplate");
  nameTemplate_->setMinimumWidth(160);
  target->addWidget(nameTemplate_);
  column->addLayout(target);

  auto* numbers = new QHBoxLayout();
  resumeAtStart_ =
      named(new QCheckBox(QCoreApplication::translate("main_window", "Resume unfinished downloads at start"), body_),
            "ResumeAtStart");
  numbers->addWidget(resumeAtStart_);
  numbers->addStretch();
  numbers->addWidget(new QLabel(QCoreApplication::translate("main_window", "Connections per download:"), body_));
  connections_ = named(new QSpinBox(body_), "Connections");
  connections_->setRange(1, TQueueSettings::MostConnections);
  numbers->addWidget(connections_);
  numbers->addSpacing(12);
  numbers->addWidget(new QLabel(QCoreApplication::translate("main_window", "Rate limit per download:"), body_));
  limitRate_ = named(new QSpinBox(body_), "LimitRate");
  limitRate_->setRange(0, int(TQueueSettings::MostLimitRate / KiB));
  limitRate_->setSuffix(QCoreApplication::translate("main_window", " KiB/s"));
  limitRate_->setSpecialValueText(QCoreApplication::translate("main_window", "none"));
  numbers->addWidget(limitRate_);
  numbers->addSpacing(12);
  numbers->addWidget(new QLabel(QCoreApplication::translate("main_window", "Jobs at once:"), body_));
  jobsAtOnce_ = named(new QSpinBox(body_), "JobsAtOnce");
  jobsAtOnce_->setRange(1, TQueueSettings::MostJobsAtOnce);
  numbers->addWidget(jobsAtOnce_);
  column->addLayout(numbers);
  // The page places its children itself; the body fills its client area.
  page_->ClientWidget()->installEventFilter(this);
  body_->setGeometry(page_->ClientWidget()->rect());
}

void TDownloadsPage::connectControls() {
  connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] { updateButtons(); });
  const auto onClick = [this](QPushButton* button, auto command) {
    connect(button, &QPushButton::clicked, this, [this, command] { guarded(command); });
  };
  // A command on the selected item leaves the focus on the list, so that the
  // keyboard goes on from the same row (the button may now be disabled).
  const auto withSelected = [this](void (TQueueScheduler::*command)(int64_t)) {
    return [this, command] {
      if (const TQueueItem* item = selected()) (scheduler_.get()->*command)(item->Id);
      list_->setFocus();
    };
  };
  onClick(pause_, withSelected(&TQueueScheduler::Pause));
  onClick(resume_, withSelected(&TQueueScheduler::Resume));
  onClick(retry_, withSelected(&TQueueScheduler::Retry));
  onClick(moveUp_, withSelected(&TQueueScheduler::MoveUp));
  onClick(moveDown_, withSelected(&TQueueScheduler::MoveDown));
  onClick(remove_, [this] {
    onSelected(&TDownloadsPage::remove);
    list_->setFocus();
  });
  onClick(openFolder_, [this] { onSelected(&TDownloadsPage::openFolder); });
  connect(list_, &QTreeWidget::itemDoubleClicked, this,
          [this] { guarded([this] { onSelected(&TDownloadsPage::openFile); }); });
  connect(list_, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& at) { showItemMenu(at); });
  onClick(pauseAll_, [this] { scheduler_->PauseAll(); });
  onClick(resumeAll_, [this] { scheduler_->ResumeAll(); });
  onClick(clearFinished_, [this] { scheduler_->ClearFinished(); });
  connect(jobsAtOnce_, &QSpinBox::valueChanged, this,
          [this](int jobs) { guarded([this, jobs] { scheduler_->SetJobsAtOnce(jobs); }); });
  connect(connections_, &QSpinBox::valueChanged, this,
          [this](int connections) { guarded([this, connections] { takeConnections(connections); }); });
  connect(limitRate_, &QSpinBox::valueChanged, this, [this](int kibibytes) {
    guarded([this, kibibytes] {
      scheduler_->SetLimitRate(kibibytes * KiB);
      runner_->SetLimitRate(kibibytes * KiB);
    });
  });
  connect(resumeAtStart_, &QCheckBox::toggled, this,
          [this](bool resume) { guarded([this, resume] { scheduler_->SetResumeAtStart(resume); }); });
  onClick(browseFolder_, [this] { chooseFolder(); });
  connect(nameTemplate_, &QLineEdit::editingFinished, this, [this] { takeNameTemplate(); });
  updateButtons();
}

template <class Command>
void TDownloadsPage::guarded(Command command) {
  try {
    command();
  } catch (const std::exception& error) {
    desktop_.ShowError(page_->window(), caption_, DisplayText(ErrorBoxText(TranslatedMessage(error.what()))));
  }
  updateButtons();
}

bool TDownloadsPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == page_->ClientWidget() && event->type() == QEvent::Resize)
    body_->setGeometry(page_->ClientWidget()->rect());
  return QObject::eventFilter(watched, event);
}

void TDownloadsPage::Add(const std::vector<std::string>& addresses, const TOutputChoices& choices) {
  TQueueItemSettings settings;
  settings.Choices = choices;
  settings.Folder = saveFolder();
  settings.NameTemplate = scheduler_->Settings().NameTemplate;
  for (const std::string& address : addresses) scheduler_->Add(address, settings);
}

// The keyboard starts on the list, where the item commands act.
void TDownloadsPage::Show() {
  page_->Pane()->SetActivePage(page_);
  list_->setFocus();
}

void TDownloadsPage::fillRows() {
  const int64_t keep = selected() ? selected()->Id : 0;
  list_->clear();
  for (const TQueueItem& item : scheduler_->Items()) {
    auto* row = new QTreeWidgetItem(list_);
    row->setData(TitleColumn, Qt::UserRole, qlonglong(item.Id));
    fillRow(row, item);
    if (item.Id == keep) list_->setCurrentItem(row);
  }
  updateButtons();
}

void TDownloadsPage::showItem(const TQueueItem& item) {
  QTreeWidgetItem* row = rowOf(item.Id);
  if (!row) {
    row = new QTreeWidgetItem(list_);
    row->setData(TitleColumn, Qt::UserRole, qlonglong(item.Id));
  }
  fillRow(row, item);
  const auto shown = shownStates_.find(item.Id);
  const bool ended = (item.State == TQueueState::Saved || item.State == TQueueState::Failed) &&
                     shown != shownStates_.end() && shown->second != item.State;
  shownStates_[item.Id] = item.State;
  if (ended && !page_->window()->isActiveWindow()) {
    const std::string notice = item.State == TQueueState::Saved ? windowText(window_messages::SavedNotice).toStdString()
                                                                : queueText(queue_messages::FailedNotice);
    desktop_.Notify(
        DisplayText(nameOf(item)),
        DisplayText(fmt::format(fmt::runtime(notice),
                                item.State == TQueueState::Saved ? item.OutputFile : TranslatedMessage(item.Error))));
  }
  updateButtons();
}

void TDownloadsPage::fillRow(QTreeWidgetItem* row, const TQueueItem& item) {
  shownStates_.emplace(item.Id, item.State);
  const std::optional<TOutputType> format = item.Settings.Choices.Format;
  row->setText(TitleColumn, qt(DisplayText(nameOf(item))));
  row->setText(FormatColumn, format ? qt(OutputTypeName(*format)) : QString());
  row->setText(SizeColumn, qt(SizeText(item)));
  row->setTextAlignment(SizeColumn, Qt::AlignRight | Qt::AlignVCenter);
  const std::optional<int> percent = PercentDone(item);
  row->setData(ProgressColumn, PercentRole, percent ? QVariant(*percent) : QVariant());
  const QString state = qt(DisplayText(TranslatedMessage(StateText(item))));
  row->setText(StateColumn, state);
  row->setToolTip(StateColumn, state);
  row->setText(SpeedColumn, qt(speedText(item)));
  row->setText(TimeLeftColumn, qt(timeLeftText(item)));
}

QTreeWidgetItem* TDownloadsPage::rowOf(int64_t id) const {
  for (int i = 0; i < list_->topLevelItemCount(); ++i)
    if (list_->topLevelItem(i)->data(TitleColumn, Qt::UserRole).toLongLong() == id) return list_->topLevelItem(i);
  return nullptr;
}

const TQueueItem* TDownloadsPage::selected() const {
  const QTreeWidgetItem* row = list_->currentItem();
  if (!row || !row->isSelected()) return nullptr;
  const int64_t id = row->data(TitleColumn, Qt::UserRole).toLongLong();
  for (const TQueueItem& item : scheduler_->Items())
    if (item.Id == id) return &item;
  return nullptr;
}

void TDownloadsPage::onSelected(void (TDownloadsPage::*command)(const TQueueItem&)) {
  if (const TQueueItem* item = selected()) (this->*command)(TQueueItem(*item));
}

// An item goes only when the user confirms; an unfinished one takes what it
// downloaded so far with it, a saved one leaves its file.
void TDownloadsPage::remove(const TQueueItem& item) {
  const bool saved = item.State == TQueueState::Saved;
  const std::string question = queueText(saved ? queue_messages::RemoveSaved : queue_messages::RemoveUnfinished);
  if (!desktop_.Confirm(page_->window(), caption_, DisplayText(fmt::format(fmt::runtime(question), nameOf(item)))))
    return;
  scheduler_->Remove(item.Id, !saved);
}

void TDownloadsPage::openFile(const TQueueItem& item) {
  if (item.State == TQueueState::Saved)
    desktop_.OpenAddress(QUrl::fromLocalFile(qt(item.OutputFile)).toString().toStdString());
}

// The item commands as the buttons offer them, enabled as they are.
void TDownloadsPage::showItemMenu(const QPoint& at) {
  QTreeWidgetItem* row = list_->itemAt(at);
  if (!row) return;
  list_->setCurrentItem(row);
  row->setSelected(true);
  QMenu menu(list_);
  menu.setObjectName("DownloadsMenu");
  const TQueueItem* item = selected();
  QAction* open = menu.addAction(QCoreApplication::translate("main_window", "Open file"));
  open->setEnabled(item && item->State == TQueueState::Saved);
  connect(open, &QAction::triggered, this, [this] { guarded([this] { onSelected(&TDownloadsPage::openFile); }); });
  menu.addSeparator();
  for (QPushButton* button : {pause_, resume_, retry_, remove_, openFolder_, moveUp_, moveDown_}) {
    QAction* action = menu.addAction(button->text());
    action->setEnabled(button->isEnabled());
    connect(action, &QAction::triggered, button, &QPushButton::click);
  }
  menu.exec(list_->viewport()->mapToGlobal(at));
}

void TDownloadsPage::openFolder(const TQueueItem& item) {
  const std::string folder =
      item.OutputFile.empty() ? item.Settings.Folder : QFileInfo(qt(item.OutputFile)).absolutePath().toStdString();
  desktop_.OpenAddress(QUrl::fromLocalFile(qt(folder)).toString().toStdString());
}

std::string TDownloadsPage::saveFolder() const {
  return scheduler_->Settings().Folder.empty() ? videosFolder() : scheduler_->Settings().Folder;
}

void TDownloadsPage::chooseFolder() {
  const std::optional<std::string> chosen = desktop_.AskFolder(page_->window(), caption_, saveFolder());
  if (!chosen) return;
  scheduler_->SetSaveTarget(*chosen, scheduler_->Settings().NameTemplate);
  showSettings();
}

// The field shows the template in use again before an error box can take
// the focus, so that leaving the field for the box does not try the same
// text twice.
void TDownloadsPage::takeNameTemplate() {
  const std::string wanted = nameTemplate_->text().toStdString();
  if (wanted == scheduler_->Settings().NameTemplate) return;
  nameTemplate_->setText(qt(scheduler_->Settings().NameTemplate));
  guarded([&] { scheduler_->SetSaveTarget(scheduler_->Settings().Folder, wanted); });
  showSettings();
}

void TDownloadsPage::takeConnections(int connections) {
  scheduler_->SetConnections(connections);
  runner_->SetConnections(connections);
  if (OnConnections) OnConnections(connections);
}

// Setting the controls runs no command: they are connected afterwards, or
// show what the queue holds already.
void TDownloadsPage::showSettings() {
  const TQueueSettings& settings = scheduler_->Settings();
  // Both fields show their beginning, which says the most.
  folder_->setText(qt(saveFolder()));
  folder_->setCursorPosition(0);
  nameTemplate_->setText(qt(settings.NameTemplate));
  nameTemplate_->setCursorPosition(0);
  connections_->setValue(settings.Connections);
  limitRate_->setValue(int(settings.LimitRate / KiB));
  jobsAtOnce_->setValue(settings.JobsAtOnce);
  resumeAtStart_->setChecked(settings.ResumeAtStart);
}

void TDownloadsPage::updateButtons() {
  const TQueueItem* item = selected();
  const std::optional<TQueueState> state = item ? std::optional(item->State) : std::nullopt;
  pause_->setEnabled(state && (*state == TQueueState::Queued || IsActive(*state)));
  resume_->setEnabled(state == TQueueState::Paused);
  retry_->setEnabled(state == TQueueState::Failed);
  remove_->setEnabled(item != nullptr);
  openFolder_->setEnabled(item != nullptr);
  moveUp_->setEnabled(item && item->Id != scheduler_->Items().front().Id);
  moveDown_->setEnabled(item && item->Id != scheduler_->Items().back().Id);
}
