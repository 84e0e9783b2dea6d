// Full repaints per second of the program's main window, built from its
// stored layout, at its normal bounds (834 x 722) and maximised at
// 1920 x 1080 on the offscreen platform. The reference is a plain widget of
// the same size that fills itself with QPainter::fillRect, measured in the
// same run; the ratio is ours / reference in time per repaint. A breakdown
// says where the window's repaint spends it.
//
//   window_bench [SECONDS_PER_CASE]

#include <unistd.h>

#include <QApplication>
#include <QPainter>
#include <cstdio>
#include <cstdlib>

#include "app/window/desktop.h"
#include "app/window/engine_flags.h"
#include "app/window/main_window.h"
#include "bench/rates.h"
#include "ui/taskpane/task_pane.h"

namespace {

class QuietDesktop : public TDesktop {
public:
  void ShowMessage(QWidget*, const std::string&, const std::string&) override {}
  void ShowError(QWidget*, const std::string&, const std::string& text) override {
    std::fprintf(stderr, "window_bench: %s\n", text.c_str());
  }
  std::optional<std::string> AskSaveFileName(QWidget*, const TSaveRequest&) override { return std::nullopt; }
  std::string ClipboardText() override { return ""; }
  void OpenAddress(const std::string&) override {}
};

class FilledWidget : public QWidget {
protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(246, 246, 246));
  }
};

void windowCase(TForm1& form, const char* name, QSize size, double seconds) {
  form.resize(size);
  QApplication::processEvents();
  FilledWidget reference;
  reference.resize(size);
  reference.show();
  QImage image(size, QImage::Format_RGB32);
  const double ours = bench::runsPerSecond(seconds, [&] { form.render(&image); });
  const double theirs = bench::runsPerSecond(seconds, [&] { reference.render(&image); });
  std::printf("%-30s %9.1f /s %8.3f ms | %9.1f /s %8.3f ms | %7.2f\n", name, ours, 1000 / ours, theirs, 1000 / theirs,
              theirs / ours);

  // Where a repaint goes: the pane's header band and frame, the page's
  // background alone, the browser view, and the rest (groups, titles, fields,
  // buttons, menu bar).
  auto* pane = form.findChild<TmxTaskPanePro*>("mxTaskPanePro2");
  auto* page = form.findChild<TmxTaskPanePage*>("mxTaskPanePage2");
  auto* browser = form.findChild<QWidget*>("WebBrowser1");
  QImage header(pane->size(), QImage::Format_RGB32);
  const double headerMs = 1000 / bench::runsPerSecond(seconds / 4, [&] {
                            QPainter painter(&header);
                            pane->PaintHeader(painter);
                          });
  QWidget* client = page->ClientWidget();
  const double backgroundMs =
      1000 / bench::runsPerSecond(seconds / 4, [&] { client->render(&image, QPoint(), QRegion(client->rect()), {}); });
  const double browserMs = 1000 / bench::runsPerSecond(seconds / 4, [&] { browser->render(&image); });
  std::printf("  %-28s %8.3f ms\n  %-28s %8.3f ms\n  %-28s %8.3f ms\n  %-28s %8.3f ms\n", "header band and frame",
              headerMs, "page background", backgroundMs, "browser view", browserMs, "everything else",
              std::max(0.0, 1000 / ours - headerMs - backgroundMs - browserMs));
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  setenv("QTWEBENGINE_CHROMIUM_FLAGS", BrowserEngineFlags(nullptr, geteuid() == 0, "--disable-gpu").c_str(), 1);
  QApplication application(argc, argv);
  const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
  QuietDesktop desktop;
  TAppFolders folders;
  folders.Work = QUILLFEN_WORK_DIR "/";
  folders.Data = QUILLFEN_SOURCE_DIR "/resources/";
  folders.Profiles = folders.Data + "profiles/";
  TSessionOptions options;
  options.Folders = folders;
  TForm1 form(desktop, "quillfen", options);
  if (!form.findChild<TmxTaskPanePro*>("mxTaskPanePro2")) {
    std::fprintf(stderr, "window_bench: this window is not built from the task-pane layout\n");
    return 1;
  }
  form.show();
  std::printf("%-30s %23s | %23s | %7s\n", "main window", "ours", "fillRect widget", "x slower");
  windowCase(form, "normal bounds (834x722)", QSize(834, 722), seconds);
  windowCase(form, "maximised (1920x1080)", QSize(1920, 1080), seconds);
  std::printf("\nGoal: a full repaint of the maximised window under 8 ms.\n");
  return 0;
}
