#include "tests/users/keyvoice_rig.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <numbers>

#include "keysound/config_store.h"
#include "keysound/wax_file.h"
#include "keyvoice/resources.h"
#include "platform/sim/demo_mixer.h"

namespace random_user {

namespace platform = zav::platform;
namespace sim = zav::platform::sim;
using namespace keyvoice;

namespace {

// The built-in sound of a slot: a tone of its own pitch and length, 0.2 to 0.7 seconds.
Sound BuiltinSound(int slot) {
    const auto count = static_cast<std::size_t>((0.2 + 0.1 * slot) * 22050);
    Sound sound(kRecordingFormat, count);
    const double hertz = 300.0 + 100.0 * slot;
    for (std::size_t i = 0; i < count; ++i) {
        sound.Samples()[i] = static_cast<std::int16_t>(std::lround(
            9000 * std::sin(2 * std::numbers::pi * hertz * static_cast<double>(i) / 22050)));
    }
    return sound;
}

}  // namespace

KeyVoiceRig::KeyVoiceRig(ViolationLog& violations)
    : violations_(violations),
      mixer_(std::make_unique<sim::SimMixer>(sim::DemoMixerTopology(), dialogThread_)) {
    dialogThread_.SetViolationHandler(violations_.Handler("dispatcher"));
    mixer_->SetViolationHandler(violations_.Handler("mixer"));
    Install();
    timer_.StartThreads();
}

KeyVoiceRig::~KeyVoiceRig() {
    EndDialog();
    timer_.StopThreads();
    // The mixer goes on the dialog thread, where its notifications run.
    On([this] { mixer_.reset(); });
}

void KeyVoiceRig::Install() {
    platform::RegistryKey key;
    store_.CreateKey(kZavHive, kZavKeyPath, platform::Access::All, key);
    key.SetString(kDataPathValue, kKeyVoiceDataPath);
    key.SetString(kZavSysPathValue, kKeyVoiceSysPath);
    for (int slot = 0; slot < kBuiltinSlotCount; ++slot) {
        const Sound sound = BuiltinSound(slot);
        ASSERT_EQ(WriteWaxFile(
                      files_,
                      std::string(kKeyVoiceDataPath) + BuiltinFileName(slot, kDefaultSoundVariant),
                      sound.Header()),
                  WaxWriteResult::Written);
    }
}

bool KeyVoiceRig::StartDialog(double speed, sim::MicSignal voice) {
    EndDialog();
    sim::SimCardConfig config;
    config.mic = std::move(voice);
    card_ = std::make_unique<sim::SimSoundCard>(std::move(config));
    card_->SetViolationHandler(violations_.Handler("card"));
    card_->StartThreads(std::chrono::milliseconds(1), speed);
    bool runs = false;
    On([&] {
        dialog_ = std::make_unique<CKeyVoiceDlg>(
            KeyVoiceServices{*card_, *mixer_, timer_, store_, files_, dialogThread_, runner_});
        window_ = std::make_unique<sim::FakeDialog>(CKeyVoiceDlg::Template(), *dialog_, &boxes_);
        runs = window_->Open();
    });
    return runs;
}

void KeyVoiceRig::EndDialog() {
    On([this] {
        window_.reset();  // OnDestroy, if the window still exists
        dialog_.reset();
    });
    if (card_ != nullptr) {
        card_->StopThreads();
        card_.reset();  // reports a device or hold left open
    }
}

void KeyVoiceRig::On(const std::function<void()>& f) {
    ASSERT_TRUE(dialogThread_.Send(f));
}

}  // namespace random_user
