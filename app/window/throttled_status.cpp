#include "app/window/throttled_status.h"

#include <QLabel>
#include <QProgressBar>
#include <algorithm>
#include <climits>

namespace {
int clampToInt(int64_t value) { return int(std::clamp<int64_t>(value, INT_MIN, INT_MAX)); }
}  // namespace

TThrottledStatus::TThrottledStatus(QLabel* status, QProgressBar* bar, QObject* parent)
    : QObject(parent), status_(status), bar_(bar) {
  later_.setSingleShot(true);
  connect(&later_, &QTimer::timeout, this, [this] { Flush(); });
}

void TThrottledStatus::SetText(const QString& text) {
  text_ = text;
  showWhenDue();
}

void TThrottledStatus::SetProgress(int64_t position, int64_t maximum) {
  position_ = position;
  maximum_ = maximum;
  showWhenDue();
}

void TThrottledStatus::showWhenDue() {
  held_ = true;
  if (std::chrono::steady_clock::now() - lastShown_ >= Interval) Flush();
  else if (!later_.isActive()) later_.start(Interval);
}

void TThrottledStatus::Flush() {
  later_.stop();
  if (!held_) return;
  held_ = false;
  lastShown_ = std::chrono::steady_clock::now();
  status_->setText(text_);
  // An unknown size leaves the bar still instead of running its busy show.
  bar_->setRange(0, std::max(1, clampToInt(maximum_)));
  bar_->setValue(std::clamp(clampToInt(position_), 0, bar_->maximum()));
}
