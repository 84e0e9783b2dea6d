// quillfen: the desktop program.
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/app_folders.h"
#include "app/error_text.h"
#include "app/proxy_settings.h"
#include "app/translation/translations.h"
#include "app/window/desktop.h"
#include "app/window/engine_flags.h"
#include "app/window/main_window.h"
#include "platform/exception.h"
#include "quillfen_version.h"

int main(int argc, char** argv) {
  // Answered before Qt starts, so it needs no display.
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("quillfen %s\n", QuillfenVersion);
    return 0;
  }
  const std::string programPath = RunningProgramPath();
  const std::string title = ApplicationTitle(programPath);

  std::unique_ptr<TProxyPolicy> proxies;
  std::string proxyError;
  try {
    proxies = TProxyPolicy::FromEnvironment([](const char* name) { return std::getenv(name); });
  } catch (const Exception& error) {
    proxyError = error.Message;
  }
  const bool root = geteuid() == 0;
  if (root)
    std::fprintf(stderr, "%s: running as root, so the browser engine runs without its sandbox\n", title.c_str());
  const char* existing = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS");
  const std::string flags = BrowserEngineFlags(proxies.get(), root, ChooseBrowserDrawing(existing ? existing : ""));
  setenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.c_str(), 1);

  QApplication application(argc, argv);
  application.setApplicationName(QString::fromStdString(title));
  LoadTranslations(LocateDataFolder(programPath));
  TQtDesktop desktop;
  TAppFolders folders;
  try {
    folders = LocateAppFolders(programPath);
  } catch (const Exception& error) {
    desktop.ShowError(nullptr, title, ErrorBoxText(TranslatedMessage(error.Message)));
    return 1;
  }
  // A layout file that is missing or does not fit the window stops start-up.
  std::unique_ptr<TForm1> created;
  try {
    TSessionOptions options;
    options.Folders = folders;
    options.Environment = [](const char* name) { return std::getenv(name); };
    created = std::make_unique<TForm1>(desktop, title, std::move(options));
  } catch (const Exception& error) {
    desktop.ShowError(nullptr, title, ErrorBoxText(TranslatedMessage(error.Message)));
    return 1;
  }
  TForm1& form = *created;
  form.OpenQueue();
  form.showMaximized();
  // Without a window manager nothing activates the window; its first
  // activation fills the option lists.
  form.activateWindow();
  if (!proxyError.empty()) QTimer::singleShot(0, &form, [&] { form.ShowException(proxyError); });
  return application.exec();
}
