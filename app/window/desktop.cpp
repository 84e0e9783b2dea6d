#include "app/window/desktop.h"

#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QSpacerItem>
#include <QUrl>

namespace {
// Room the window frame takes beside a title: its icon and its buttons.
constexpr int TitleBarExtras = 120;
}  // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, QMessageBox::Icon icon, const std::string& caption,
                                            const std::string& text, QMessageBox::StandardButtons buttons) {
  auto box = std::make_unique<QMessageBox>(icon, QString::fromStdString(caption), QString::fromStdString(text), buttons,
                                           owner);
  // The box's size is fixed once shown, so its layout gets a spacer as wide
  // as the title needs.
  if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
    const int need = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(box->windowTitle()) +
                     TitleBarExtras;
    grid->addItem(new QSpacerItem(need, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
  }
  return box;
}

std::string NameFilterOf(const std::string& filter) {
  const size_t bar = filter.find('|');
  if (bar == std::string::npos) return filter;
  const std::string description = filter.substr(0, bar);
  const std::string pattern = filter.substr(bar + 1);
  if (description.ends_with("(" + pattern + ")")) return description;
  return description + " (" + pattern + ")";
}

void TQtDesktop::ShowMessage(QWidget* owner, const std::string& caption, const std::string& text) {
  MakeMessageBox(owner, QMessageBox::NoIcon, caption, text, QMessageBox::Ok)->exec();
}

void TQtDesktop::ShowError(QWidget* owner, const std::string& caption, const std::string& text) {
  MakeMessageBox(owner, QMessageBox::Critical, caption, text, QMessageBox::Ok)->exec();
}

// The dialog asks before it replaces an existing file: replacing it silently
// would lose the user's file.
std::optional<std::string> TQtDesktop::AskSaveFileName(QWidget* owner, const TSaveRequest& request) {
  QFileDialog dialog(owner);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDirectory(QString::fromStdString(request.InitialFolder));
  if (!request.Filter.empty()) dialog.setNameFilter(QString::fromStdString(NameFilterOf(request.Filter)));
  dialog.setDefaultSuffix(QString::fromStdString(request.DefaultExt));
  if (!request.FileName.empty()) dialog.selectFile(QString::fromStdString(request.FileName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

std::string TQtDesktop::ClipboardText() { return QGuiApplication::clipboard()->text().toStdString(); }

void TQtDesktop::OpenAddress(const std::string& address) {
  QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

bool TQtDesktop::Confirm(QWidget* owner, const std::string& caption, const std::string& text) {
  const auto box = MakeMessageBox(owner, QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel);
  box->setDefaultButton(QMessageBox::Cancel);
  return box->exec() == QMessageBox::Ok;
}

void TQtDesktop::Notify(const std::string& summary, const std::string& body) {
  constexpr const char* Service = "org.freedesktop.Notifications";
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(Service)) return;
  QDBusMessage call = QDBusMessage::createMethodCall(Service, "/org/freedesktop/Notifications", Service, "Notify");
  call << QGuiApplication::applicationDisplayName() << uint(0) << QString("quillfen") << QString::fromStdString(summary)
       << QString::fromStdString(body) << QStringList() << QVariantMap() << int(-1);
  // Nobody waits for the answer: a notice is not worth a stalled window.
  bus.call(call, QDBus::NoBlock);
}

std::optional<std::string> TQtDesktop::AskFolder(QWidget* owner, const std::string& caption,
                                                 const std::string& folder) {
  const QString chosen =
      QFileDialog::getExistingDirectory(owner, QString::fromStdString(caption), QString::fromStdString(folder));
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.toStdString();
}
