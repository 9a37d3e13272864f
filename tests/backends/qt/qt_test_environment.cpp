#include "qt_test_environment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <memory>

namespace qt_test {

namespace {

class QtEnvironment : public testing::Environment {
  public:
    void SetUp() override {
        application_ = std::make_unique<QApplication>(argc_, argv_);
        QApplication::setStyle(QStringLiteral("Fusion"));
        QApplication::setQuitOnLastWindowClosed(false);
    }
    void TearDown() override { application_.reset(); }

  private:
    int argc_ = 1;
    char name_[16] = "qt_widget_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] testing::Environment* const kEnvironment =
    testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    return QTest::qWaitFor(done, timeoutMs);
}

}  // namespace qt_test
