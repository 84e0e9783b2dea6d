// quillfen: the desktop program.
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/app_folders.h"
#include "app/error_text.h"
#include "app/proxy_settings.h"
#include "app/translation/translations.h"
#include "app/window/desktop.h"
#include "app/window/engine_flags.h"
#include "app/window/main_window.h"
#include "platform/exception.h"
#include "quillfen_version.h"

namespace {

constexpr const char* Usage =
    "Usage: quillfen [Qt options] [URL...]\n"
    "Opens the window. The first URL goes into the URL field, the others into the\n"
    "download queue.\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "      --version  print the version and exit\n"
    "\n"
    "The same job runs without a window as quillfen-cli.\n";

bool isOption(const char* argument, std::initializer_list<const char*> names) {
  return std::ranges::any_of(names, [&](const char* name) { return std::strcmp(argument, name) == 0; });
}

}  // namespace

int main(int argc, char** argv) {
  // Answered before Qt starts, so they need no display.
  for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (isOption(argv[i], {"-h", "--help"})) {
      std::fputs(Usage, stdout);
      return 0;
    }
    if (isOption(argv[i], {"--version"})) {
      std::printf("quillfen %s\n", QuillfenVersion);
      return 0;
    }
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
  // Qt has taken its own options out; what is left are addresses.
  std::vector<std::string> addresses;
  bool optionsEnd = false;
  for (int i = 1; i < argc; ++i) {
    if (!optionsEnd && std::strcmp(argv[i], "--") == 0) {
      optionsEnd = true;
    } else if (!optionsEnd && argv[i][0] == '-') {
      std::fprintf(stderr, "%s: unknown option %s\n%s", title.c_str(), argv[i], Usage);
      return 2;
    } else {
      addresses.emplace_back(argv[i]);
    }
  }
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
  form.OpenAddresses(addresses);
  form.showMaximized();
  // Without a window manager nothing activates the window; its first
  // activation fills the option lists.
  form.activateWindow();
  if (!proxyError.empty()) QTimer::singleShot(0, &form, [&] { form.ShowException(proxyError); });
  return application.exec();
}
