#include "tests/ui/taskpane/qt_environment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <memory>

namespace {

class QtEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    application_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { application_.reset(); }

private:
  int argc_ = 1;
  char name_[16] = "taskpane_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> application_;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

namespace taskpane_test {

QImage Snapshot(QWidget* widget) { return widget->grab().toImage().convertToFormat(QImage::Format_RGB32); }

}  // namespace taskpane_test
