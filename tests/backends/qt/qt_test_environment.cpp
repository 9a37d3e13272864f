#include "qt_test_environment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>

#include "tests/support/keyvoice_install.h"
#include "tests/support/zav_values.h"
#include "voxgauge/mic_env_record.h"

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

void WhenActive(zav::platform::qt::QtDialogWindow& window, std::function<void()> body) {
    QTimer::singleShot(0, &window, [&window, body = std::move(body)] {
        QApplication::setActiveWindow(&window);
        WaitFor([&] { return window.isActiveWindow(); }, 2000);
        body();
        if (!window.EndResult())
            window.EndDialog(zav::platform::kIdCancel);
    });
}

int RunWhenActive(const zav::platform::DialogTemplate& dialog,
                  zav::platform::DialogHandler& handler,
                  std::function<void(zav::platform::qt::QtDialogWindow&)> body) {
    zav::platform::qt::QtDialogRunner runner;
    runner.SetWindowObserver([&body](zav::platform::qt::QtDialogWindow& window) {
        WhenActive(window, [&window, &body] { body(window); });
    });
    return runner.RunModal(dialog, handler);
}

void SaveScreenshot(QWidget& widget, const QString& name) {
    ASSERT_TRUE(QDir().mkpath(QStringLiteral(ZAV_SCREENSHOT_DIR)));
    EXPECT_TRUE(widget.grab().save(QStringLiteral(ZAV_SCREENSHOT_DIR "/") + name));
}

SimVoxGauge::SimVoxGauge(zav::platform::sim::SimCardConfig config) : card(std::move(config)) {
    card.SetViolationHandler([](std::string_view message) { ADD_FAILURE() << message; });
}

std::optional<zav::platform::RegistryValue> SimVoxGauge::StoredMicEnv() {
    return zav::test::ZavValue(store, voxgauge::kMicEnvValueName);
}

zav::platform::sim::SimCardConfig VoiceCard() {
    zav::platform::sim::SimCardConfig config;
    config.mic = zav::platform::sim::SineMic(kVoicePeak, 220.0);
    return config;
}

void DriveCardClock(zav::platform::qt::QtDialogWindow& window,
                    zav::platform::sim::SimSoundCard& card) {
    auto* clock = new QTimer(&window);
    QObject::connect(clock, &QTimer::timeout, &window, [&card] { card.AdvanceBy(10); });
    clock->start(10);
}

DemoKeyVoice::DemoKeyVoice() {
    if (!zav::test::DemoInstall(folder.Path(), store, files))
        return;
    sound = zav::platform::ChooseAudioBackend(dispatcher, [](std::string_view name) {
        return name == zav::platform::kAudioBackendVariable ? std::optional<std::string>("sim")
                                                            : std::nullopt;
    });
    if (!sound.bundle) {
        ADD_FAILURE() << sound.problem;
        return;
    }
    app = std::make_unique<keyvoice::CKeyVoiceApp>(keyvoice::KeyVoiceServices{
        *sound.bundle.audio, *sound.bundle.mixer, timer, store, files, dispatcher, runner});
}

zav::platform::sim::SimSoundCard& DemoKeyVoice::Card() {
    return dynamic_cast<zav::platform::sim::SimSoundCard&>(*sound.bundle.audio);
}

}  // namespace qt_test
