#include "platform/qt/first_window_report.h"

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace zav::platform::qt {

namespace {

constexpr const char* kVariable = "ZAV_REPORT_FIRST_WINDOW";

std::atomic<bool> reported{false};

// Sees the window's first paint and reports once the event loop is back, that is once the
// paint has been done; then removes itself.
class FirstPaintWatcher : public QObject {
  public:
    explicit FirstPaintWatcher(QWidget& window) : QObject(&window) {
        window.installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, [] { Report(); });
            deleteLater();
        }
        return false;
    }

  private:
    static void Report() {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        std::fprintf(stderr, "first window: %lld\n",
                     static_cast<long long>(
                         std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
        std::fflush(stderr);
    }
};

}  // namespace

void ReportFirstPaintWhenAsked(QWidget& window) {
    if (std::getenv(kVariable) == nullptr || reported.exchange(true))
        return;
    new FirstPaintWatcher(window);  // owned by the window
}

}  // namespace zav::platform::qt
