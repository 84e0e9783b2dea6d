// The status line and the progress bar of the window, updated at most about
// twenty times a second: a repaint for every received block slowed a
// download down to a crawl on machines that draw in software. The latest
// text and count always reach the screen, at the latest one interval later.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <cstdint>

class QLabel;
class QProgressBar;

class TThrottledStatus : public QObject {
public:
  static constexpr std::chrono::milliseconds Interval{50};

  TThrottledStatus(QLabel* status, QProgressBar* bar, QObject* parent);

  void SetText(const QString& text);
  void SetProgress(int64_t position, int64_t maximum);
  // Shows what is held back now.
  void Flush();

private:
  void showWhenDue();

  QLabel* status_;
  QProgressBar* bar_;
  QTimer later_;
  QString text_;
  int64_t position_ = 0;
  int64_t maximum_ = 1;
  bool held_ = false;
  std::chrono::steady_clock::time_point lastShown_{};
};
