// Drives the real window's download queue for bench/queue/run: the window
// maximised in an X server with its Downloads page shown, the addresses
// queued at once with the window's output settings, and for each number of
// jobs at once the wall time until every item is saved and the event loop's
// latency meanwhile, one line each:
//   jobs=N seconds=S longest_stall_ms=L p50_ms=A p99_ms=B
//
// usage: queue_bench RESOURCES WORK ADDRESS_FILE WIDTH HEIGHT RATE JOBS...
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/queue/queue_scheduler.h"
#include "app/window/desktop.h"
#include "app/window/downloads_page.h"
#include "app/window/engine_flags.h"
#include "app/window/main_window.h"
#include "bench/app/event_loop_probe.h"

namespace {

// The queue asks nothing; any box is a failure of the run, told on stderr.
class SilentDesktop : public TDesktop {
public:
  void ShowMessage(QWidget*, const std::string& caption, const std::string& text) override {
    std::fprintf(stderr, "message: %s: %s\n", caption.c_str(), text.c_str());
  }
  void ShowError(QWidget*, const std::string& caption, const std::string& text) override {
    std::fprintf(stderr, "error: %s: %s\n", caption.c_str(), text.c_str());
  }
  std::optional<std::string> AskSaveFileName(QWidget*, const TSaveRequest&) override { return std::nullopt; }
  std::string ClipboardText() override { return {}; }
  void OpenAddress(const std::string&) override {}
};

bool allEnded(const TQueueScheduler& queue) {
  for (const TQueueItem& item : queue.Items())
    if (item.State != TQueueState::Saved && item.State != TQueueState::Failed) return false;
  return true;
}

// Runs the event loop itself (no test helper's sleeps between turns) until
// every item has ended, or gives up after limit.
bool runUntilEnded(const TQueueScheduler& queue, std::chrono::seconds limit) {
  QEventLoop loop;
  QTimer poll;
  bool ended = false;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if ((ended = allEnded(queue))) loop.quit();
  });
  poll.start(20);
  QTimer::singleShot(limit, &loop, &QEventLoop::quit);
  loop.exec();
  return ended;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 8) {
    std::fprintf(stderr, "usage: %s RESOURCES WORK ADDRESS_FILE WIDTH HEIGHT RATE JOBS...\n", argv[0]);
    return 2;
  }
  const std::string resources = argv[1], work = argv[2];
  std::vector<std::string> addresses;
  std::ifstream list(argv[3]);
  for (std::string line; std::getline(list, line);)
    if (!line.empty()) addresses.push_back(line);
  // The browser engine starts as the program starts it.
  const char* existing = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS");
  const std::string flags = BrowserEngineFlags(nullptr, geteuid() == 0, ChooseBrowserDrawing(existing ? existing : ""));
  setenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.c_str(), 1);
  QApplication application(argc, argv);

  SilentDesktop desktop;
  TSessionOptions options;
  options.Folders = {work + "/", resources + "/", resources + "/profiles/"};
  TForm1 form(desktop, "quillfen", options);
  form.OpenQueue(work + "/queue.sqlite");
  if (!form.Downloads()) return 1;
  TQueueScheduler& queue = form.Downloads()->Scheduler();
  form.showMaximized();
  // Without a window manager nobody carries out the request: take the
  // screen's free area as a manager would.
  if (!QTest::qWaitFor([&] { return form.width() > 1000; }, 2000)) form.setGeometry(form.screen()->availableGeometry());
  if (!QTest::qWaitForWindowExposed(&form)) return 1;
  form.activateWindow();
  QTest::qWait(500);
  for (const auto& [name, value] :
       {std::pair{"txtWidth", argv[4]}, std::pair{"txtHeight", argv[5]}, std::pair{"txtFrameRate", argv[6]}})
    form.findChild<QLineEdit*>(name)->setText(value);
  form.Downloads()->Show();

  for (int argument = 7; argument < argc; ++argument) {
    const int jobs = std::atoi(argv[argument]);
    queue.ClearFinished();
    queue.SetJobsAtOnce(jobs);
    queue.SetSaveTarget(work + "/out-" + std::to_string(jobs) + "/", "%(title)s.%(ext)s");
    QTest::qWait(200);

    bench::TEventLoopProbe probe;
    probe.Start();
    const auto start = std::chrono::steady_clock::now();
    form.AddToQueue(addresses);
    const bool ended = runUntilEnded(queue, std::chrono::seconds(240));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    probe.Stop();

    for (const TQueueItem& item : queue.Items())
      if (item.State != TQueueState::Saved) {
        std::fprintf(stderr, "%s: %s %s\n", item.Address.c_str(), StateText(item).c_str(), item.Error.c_str());
        return 1;
      }
    if (!ended) return 1;
    const bench::TLatencyFigures figures = probe.Figures();
    std::printf("jobs=%d seconds=%.3f longest_stall_ms=%.0f p50_ms=%.1f p99_ms=%.1f\n", jobs, seconds,
                figures.LongestStallMs, figures.P50Ms, figures.P99Ms);
    std::fflush(stdout);
  }
  return 0;
}
