// STOP pressed at random moments around the end of a sound and of a take, thousands of times,
// with the card, the timer and the dialog each on a thread of their own: no device is closed
// twice, nobody waits for ever, and the end's steps never run after STOP.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <thread>

#include "keysound/wax_file.h"
#include "keyvoice/key_voice_dlg.h"
#include "keyvoice/resources.h"
#include "platform/sim/demo_mixer.h"
#include "platform/sim/mixer_sim.h"
#include "platform/sim/sim_sound_card.h"
#include "platform/testing/dialog_thread.h"
#include "platform/testing/fake_dialog_runner.h"
#include "platform/testing/memory_file_system.h"
#include "platform/testing/memory_registry.h"
#include "platform/testing/recording_message_boxes.h"
#include "platform/timer/thread_timer.h"

namespace keyvoice_race_test {
namespace {

using namespace std::chrono_literals;
using namespace keyvoice;
namespace platform = zav::platform;
namespace sim = zav::platform::sim;

// ZAV_RACE_SCHEDULES when it holds a number above 0 (a slower emulated run asks for fewer),
// else 10,000.
int Schedules() {
    const char* text = std::getenv("ZAV_RACE_SCHEDULES");
    const int asked = text != nullptr ? std::atoi(text) : 0;
    return asked > 0 ? asked : 10000;
}
const int kSchedules = Schedules();

class ThreadedRig {
  public:
    // speed: how many times faster than real time the card's clock runs.
    explicit ThreadedRig(double speed) {
        const auto count = [this](std::string_view message) {
            ++violations;
            std::lock_guard lock(messageMutex_);
            lastViolation_ = std::string(message);
        };
        card.SetViolationHandler(count);
        mixer.SetViolationHandler(count);
        dialog.SetViolationHandler(count);
        platform::RegistryKey key;
        store.CreateKey(kZavHive, kZavKeyPath, platform::Access::All, key);
        key.SetString("DataPath", "D:\\DATA\\");
        key.SetString("ZavSysPath", "D:\\SYS");
        for (int slot = 0; slot < kBuiltinSlotCount; ++slot) {
            Sound sound(kRecordingFormat, 220);  // 10 ms
            for (std::size_t i = 0; i < 220; ++i)
                sound.Samples()[i] =
                    static_cast<std::int16_t>(4000 * std::sin(0.3 * static_cast<double>(i)));
            WriteWaxFile(files, "D:\\DATA\\" + BuiltinFileName(slot, kDefaultSoundVariant),
                         sound.Header());
        }
        card.StartThreads(1ms, speed);
        On([this] {
            presenter = std::make_unique<CKeyVoiceDlg>(
                KeyVoiceServices{card, mixer, timer, store, files, dialog, runner});
            window =
                std::make_unique<sim::FakeDialog>(CKeyVoiceDlg::Template(), *presenter, &boxes);
            opened = window->Open();
        });
    }
    ~ThreadedRig() {
        On([this] {
            window.reset();
            presenter.reset();
        });
        card.StopThreads();
    }

    // Runs f on the dialog thread and waits for it.
    void On(const std::function<void()>& f) { ASSERT_TRUE(dialog.Send(f)); }
    std::string LastViolation() {
        std::lock_guard lock(messageMutex_);
        return lastViolation_;
    }

    sim::DialogThread dialog;
    sim::SimSoundCard card;
    sim::SimMixer mixer{sim::DemoMixerTopology(), dialog};
    platform::ThreadTimer timer;
    sim::MemoryRegistry store;
    sim::MemoryFileSystem files;
    sim::RecordingMessageBoxes boxes;
    sim::FakeDialogRunner runner{boxes};
    std::unique_ptr<CKeyVoiceDlg> presenter;
    std::unique_ptr<sim::FakeDialog> window;
    bool opened = false;
    std::atomic<int> violations{0};

  private:
    std::mutex messageMutex_;
    std::string lastViolation_;
};

TEST(EngineRace, StopAgainstTheEndOfASound) {
    ThreadedRig rig(10.0);  // the 10 ms sound lasts 1 ms
    ASSERT_TRUE(rig.opened);
    rig.On([&] { rig.window->Click(kIdcKey1); });
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayMicros(0, 1500);
    int stoppedFirst = 0;
    for (int schedule = 0; schedule < kSchedules; ++schedule) {
        bool stopped = false;
        int sliderAfterStop = -1;
        rig.On([&] {
            rig.window->View().UserMovesThumb(kIdcPosition, 0);
            rig.window->Click(kIdcPlay);
        });
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicros(random)));
        rig.On([&] {
            stopped = rig.window->Click(kIdcStop);  // refused once the end has come
            sliderAfterStop = rig.window->View().GetSliderPos(kIdcPosition);
        });
        stoppedFirst += stopped ? 1 : 0;
        bool idle = false;
        int slider = -1;
        std::size_t openOutputs = 1;
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (!idle || openOutputs != 0) {
            rig.On([&] {
                idle = rig.presenter->StateOfKey(rig.presenter->CurrentKey()) == KeyState::Idle;
                slider = rig.window->View().GetSliderPos(kIdcPosition);
                openOutputs = rig.card.OpenOutputCount();
            });
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "seed " << seed;
        }
        if (stopped) {
            ASSERT_EQ(slider, sliderAfterStop) << "end-of-sound steps after STOP, seed " << seed;
        }
        ASSERT_EQ(rig.violations.load(), 0) << rig.LastViolation() << ", seed " << seed;
    }
    // Both orders happened.
    EXPECT_GT(stoppedFirst, 0);
    EXPECT_LT(stoppedFirst, kSchedules);
}

TEST(EngineRace, StopAgainstAFullRecordBuffer) {
    ThreadedRig rig(1000.0);  // two seconds of recording take two milliseconds
    ASSERT_TRUE(rig.opened);
    rig.On([&] { rig.window->Click(kIdcKey6); });
    const unsigned seed = std::random_device{}();
    const auto waitForTheEnd = [&] {
        bool idle = false;
        std::size_t openInputs = 1;
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (!idle || openInputs != 0) {
            rig.On([&] {
                idle = rig.presenter->StateOfKey(rig.presenter->CurrentKey()) == KeyState::Idle;
                openInputs = rig.card.OpenInputCount();
            });
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "seed " << seed;
        }
    };
    // How long a take left alone runs on this build (a sanitizer slows it several times): STOP
    // comes at random moments up to twice that, so that both orders keep happening.
    const auto takeStarted = std::chrono::steady_clock::now();
    rig.On([&] { rig.window->Click(kIdcRec); });
    ASSERT_NO_FATAL_FAILURE(waitForTheEnd());
    const auto takeMicros = std::chrono::duration_cast<std::chrono::microseconds>(
                                std::chrono::steady_clock::now() - takeStarted)
                                .count();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayMicros(
        0, static_cast<int>(std::max<std::int64_t>(3000, 2 * takeMicros)));
    int stoppedFirst = 0;
    for (int schedule = 0; schedule < kSchedules; ++schedule) {
        bool stopped = false;
        rig.On([&] { rig.window->Click(kIdcRec); });
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicros(random)));
        rig.On([&] { stopped = rig.window->Click(kIdcStop); });
        stoppedFirst += stopped ? 1 : 0;
        ASSERT_NO_FATAL_FAILURE(waitForTheEnd());
        bool takeKept = false;
        rig.On([&] { takeKept = rig.presenter->Slots().recordable[0].newRecording; });
        ASSERT_TRUE(takeKept) << "seed " << seed;
        ASSERT_EQ(rig.violations.load(), 0) << rig.LastViolation() << ", seed " << seed;
    }
    EXPECT_GT(stoppedFirst, 0);
    EXPECT_LT(stoppedFirst, kSchedules);
}

}  // namespace
}  // namespace keyvoice_race_test
