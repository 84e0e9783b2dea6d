// Full repaints per second of a task pane whose page is full of groups, at a
// normal window size and at 1920 x 1080, and of that page while it scrolls.
// The reference is a plain widget that fills the same area with
// QPainter::fillRect, measured in the same run; the ratio is ours / reference
// in time per repaint. A breakdown says where a pane's repaint spends it.
//
//   taskpane_bench [SECONDS_PER_CASE]

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <cstdio>
#include <cstdlib>

#include "bench/rates.h"
#include "ui/taskpane/buttons.h"
#include "ui/taskpane/container.h"
#include "ui/taskpane/task_pane.h"
#include "ui/taskpane/task_pane_label.h"

using namespace taskpane;

namespace {

class FilledWidget : public QWidget {
protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(246, 246, 246));
  }
};

// A pane laid out like the program's window: titled groups with fields and
// link buttons, over gradient backgrounds.
struct Pane {
  TmxTaskPanePro pane;
  TmxTaskPanePage* page;

  explicit Pane(int groups) {
    pane.Background()->SetStyle(btGradient);
    page = new TmxTaskPanePage(&pane);
    page->SetCaption(QStringLiteral("Quillfen"));
    page->Background()->SetStyle(btGradient);
    page->Background()->Gradient()->SetBeginColor(RGB(192, 220, 192));
    page->Background()->Gradient()->SetEndColor(RGB(246, 246, 246));
    for (int g = 0; g < groups; ++g) {
      auto* title = new TmxTaskPaneLabel(page);
      title->setGeometry(0, 1000 + 2 * g, 100, 17);
      title->SetCaption(QStringLiteral("Group %1:").arg(g + 1));
      title->Font()->SetStyle(fsBold);
      SetAlign(title, alTop);
      auto* group = new TmxContainer(page);
      group->setGeometry(0, 1001 + 2 * g, 100, 120);
      group->Background()->SetColor(RGB(192, 220, 192));
      group->SetLines(blBottom);
      SetAlign(group, alTop);
      auto* field = new QLineEdit(QStringLiteral("value"), group);
      field->setGeometry(16, 16, 300, 21);
      for (int b = 0; b < 3; ++b) {
        auto* link = new TmxTPButton(group);
        link->setGeometry(330 + 80 * b, 6, 75, 41);
        link->SetCaption(QStringLiteral("Action %1").arg(b + 1));
      }
    }
  }
};

void report(const char* name, double ours, double reference) {
  std::printf("%-34s %10.1f /s %8.3f ms | %10.1f /s %8.3f ms | %7.2f\n", name, ours, 1000 / ours, reference,
              1000 / reference, reference / ours);
}

void windowCase(const char* name, QSize size, int groups, double seconds) {
  Pane subject(groups);
  subject.pane.resize(size);
  subject.pane.show();
  FilledWidget reference;
  reference.resize(size);
  reference.show();
  QImage image(size, QImage::Format_RGB32);
  const double ours = bench::runsPerSecond(seconds, [&] { subject.pane.render(&image); });
  const double theirs = bench::runsPerSecond(seconds, [&] { reference.render(&image); });
  report(name, ours, theirs);

  // Where a repaint goes: the header composition, the page background, and
  // each group with its children.
  QImage header(size, QImage::Format_RGB32);
  const double headerRate = bench::runsPerSecond(seconds / 4, [&] {
    QPainter painter(&header);
    subject.pane.PaintHeader(painter);
  });
  QWidget* client = subject.page->ClientWidget();
  const double backgroundRate =
      bench::runsPerSecond(seconds / 4, [&] { client->render(&image, QPoint(), QRegion(client->rect()), {}); });
  std::printf("  %-32s %8.3f ms\n  %-32s %8.3f ms\n  %-32s %8.3f ms\n", "header band and frame", 1000 / headerRate,
              "page background", 1000 / backgroundRate, "groups, titles, fields, buttons",
              std::max(0.0, 1000 / ours - 1000 / headerRate - 1000 / backgroundRate));
}

void scrollCase(double seconds) {
  Pane subject(12);
  subject.pane.resize(834, 722);
  subject.pane.show();
  TmxTaskPanePage* page = subject.page;
  page->Remeasure();
  FilledWidget reference;
  reference.resize(page->size());
  reference.show();
  QImage image(page->size(), QImage::Format_RGB32);
  int direction = 7;
  const double ours = bench::runsPerSecond(seconds, [&] {
    if (page->Position() + direction < 0 || page->Position() + direction > page->ContentHeight())
      direction = -direction;
    page->SetPosition(page->Position() + direction);
    page->render(&image);
  });
  const double theirs = bench::runsPerSecond(seconds, [&] { reference.render(&image); });
  report("page while it scrolls (834x722)", ours, theirs);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
  std::printf("%-34s %24s | %24s | %7s\n", "case", "task pane", "fillRect widget", "x slower");
  windowCase("normal window (834x722)", QSize(834, 722), 4, seconds);
  windowCase("maximised (1920x1080)", QSize(1920, 1080), 6, seconds);
  scrollCase(seconds);
  std::printf("\nGoal: a full repaint of the maximised window under 8 ms.\n");
  return 0;
}
