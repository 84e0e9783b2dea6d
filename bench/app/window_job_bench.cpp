// Drives the real window through one job for bench/app/window_vs_cli: the
// window maximised in an X server, the address typed into Edit1, Download
// pressed, the save dialog answered with a path, and the job's wall time and
// the event loop's latency meanwhile printed as one line:
//   seconds=S longest_stall_ms=L p50_ms=A p99_ms=B
//
// usage: window_job_bench RESOURCES WORK PROXY_PORT ADDRESS OUTPUT WIDTH HEIGHT RATE
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/proxy_settings.h"
#include "app/sites.h"
#include "app/window/desktop.h"
#include "app/window/engine_flags.h"
#include "app/window/main_window.h"
#include "bench/app/event_loop_probe.h"
#include "ui/taskpane/buttons.h"

namespace {

// Answers the save dialog with the one output path; any box is a failure of
// the run, told on stderr.
class AnsweringDesktop : public TDesktop {
public:
  explicit AnsweringDesktop(std::string output) : output_(std::move(output)) {}
  void ShowMessage(QWidget*, const std::string& caption, const std::string& text) override {
    std::fprintf(stderr, "message: %s: %s\n", caption.c_str(), text.c_str());
    failed = true;
  }
  void ShowError(QWidget*, const std::string& caption, const std::string& text) override {
    std::fprintf(stderr, "error: %s: %s\n", caption.c_str(), text.c_str());
    failed = true;
  }
  std::optional<std::string> AskSaveFileName(QWidget*, const TSaveRequest&) override { return output_; }
  std::string ClipboardText() override { return {}; }
  void OpenAddress(const std::string&) override {}

  bool failed = false;

private:
  const std::string output_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 9) {
    std::fprintf(stderr, "usage: %s RESOURCES WORK PROXY_PORT ADDRESS OUTPUT WIDTH HEIGHT RATE\n", argv[0]);
    return 2;
  }
  const std::string resources = argv[1], work = argv[2], address = argv[4], output = argv[5];
  const auto port = uint16_t(std::atoi(argv[3]));
  const char* existing = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS");
  // The browser engine starts as the program starts it.
  const std::string flags = BrowserEngineFlags(nullptr, geteuid() == 0, ChooseBrowserDrawing(existing ? existing : ""));
  setenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.c_str(), 1);
  QApplication application(argc, argv);

  AnsweringDesktop desktop(output);
  TSessionOptions options;
  options.ForcedProxy = TProxyAddress{TProxyKind::Http, "127.0.0.1", port, "", ""};
  options.Folders = {work + "/", resources + "/", resources + "/profiles/"};
  TForm1 form(desktop, "quillfen", options);
  form.showMaximized();
  // Without a window manager nobody carries out the request: take the
  // screen's free area as a manager would.
  if (!QTest::qWaitFor([&] { return form.width() > 1000; }, 2000)) form.setGeometry(form.screen()->availableGeometry());
  if (!QTest::qWaitForWindowExposed(&form)) return 1;
  form.activateWindow();
  auto* edit = form.findChild<QLineEdit*>("Edit1");
  // The start page, once loaded, writes its own address into Edit1.
  if (!QTest::qWaitFor([&] { return edit->text() == sites::SampleWatchAddress; }, 60000)) {
    std::fprintf(stderr, "the start page did not load\n");
    return 1;
  }
  QTest::qWait(300);
  edit->setText(QString::fromStdString(address));
  for (const auto& [name, value] :
       {std::pair{"txtWidth", argv[6]}, std::pair{"txtHeight", argv[7]}, std::pair{"txtFrameRate", argv[8]}})
    form.findChild<QLineEdit*>(name)->setText(value);

  bench::TEventLoopProbe probe;
  probe.Start();
  const auto start = std::chrono::steady_clock::now();
  // Download runs the whole job inside the click.
  QTest::mouseClick(form.findChild<TmxTPButton*>("mxTPButton1"), Qt::LeftButton);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  probe.Stop();

  const QString shown = form.findChild<QLabel*>("status")->text();
  if (desktop.failed || shown != "Done") {
    std::fprintf(stderr, "the job did not end with Done but with \"%s\"\n", qPrintable(shown));
    return 1;
  }
  const bench::TLatencyFigures figures = probe.Figures();
  std::printf("seconds=%.3f longest_stall_ms=%.0f p50_ms=%.1f p99_ms=%.1f\n", seconds, figures.LongestStallMs,
              figures.P50Ms, figures.P99Ms);
  return 0;
}
