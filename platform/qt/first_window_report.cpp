#include "platform/qt/first_window_report.h"

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

namespace zav::platform::qt {

namespace {

constexpr const char* kVariable = "ZAV_REPORT_FIRST_WINDOW";

std::atomic<bool> reported{false};
bool paintSeen = false;

using Clock = std::chrono::steady_clock;
std::vector<std::pair<const char*, Clock::time_point>>& Phases() {
    static std::vector<std::pair<const char*, Clock::time_point>> phases;
    return phases;
}

// When the process started, on the steady clock: its start time in /proc/self/stat (clock ticks
// since boot) against CLOCK_BOOTTIME now. nullopt when that cannot be read.
std::optional<Clock::time_point> ProcessStart() {
    std::ifstream stat("/proc/self/stat");
    std::string line;
    if (!std::getline(stat, line))
        return std::nullopt;
    // The fields after the command's closing parenthesis; starttime is the 22nd field.
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos)
        return std::nullopt;
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    for (int index = 3; index <= 22 && fields >> field; ++index) {
        if (index == 22) {
            timespec boot{};
            if (clock_gettime(CLOCK_BOOTTIME, &boot) != 0)
                return std::nullopt;
            const double ticks = std::stod(field);
            const double sinceStart =
                boot.tv_sec + boot.tv_nsec / 1e9 - ticks / sysconf(_SC_CLK_TCK);
            return Clock::now() - std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(sinceStart));
        }
    }
    return std::nullopt;
}

bool Asked() {
    return std::getenv(kVariable) != nullptr;
}

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
            paintSeen = true;
            watched->removeEventFilter(this);
            QTimer::singleShot(0, [] { Report(); });
            deleteLater();
        }
        return false;
    }

  private:
    static void Report() {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        const Clock::time_point painted = Clock::now();
        std::fprintf(stderr, "first window: %lld\n",
                     static_cast<long long>(
                         std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
        const std::optional<Clock::time_point> start = ProcessStart();
        std::vector<std::pair<const char*, Clock::time_point>>& phases = Phases();
        phases.emplace_back("first paint", painted);
        // Without the process's start the first phase counts from its own mark.
        Clock::time_point previous = start.value_or(phases.front().second);
        std::string line = "start-up:";
        for (const auto& [name, at] : phases) {
            char phase[96];
            std::snprintf(phase, sizeof phase, " %s %.1f ms,", name,
                          std::chrono::duration<double, std::milli>(at - previous).count());
            line += phase;
            previous = at;
        }
        line.back() = '\n';
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
        phases.clear();
    }
};

}  // namespace

void ReportFirstPaintWhenAsked(QWidget& window) {
    if (!Asked() || reported.exchange(true))
        return;
    new FirstPaintWatcher(window);  // owned by the window
}

void MarkStartPhase(const char* name) {
    if (paintSeen || !Asked())
        return;
    Phases().emplace_back(name, Clock::now());
}

}  // namespace zav::platform::qt
