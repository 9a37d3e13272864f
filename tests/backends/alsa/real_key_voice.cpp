#include "real_key_voice.h"

#include <gtest/gtest.h>

#include "tests/support/keyvoice_install.h"
#include "tests/support/wait_until.h"

namespace alsa_test {

namespace platform = zav::platform;

RealKeyVoice::RealKeyVoice(std::filesystem::path folder)
    : folder_(std::move(folder)),
      audio_(std::make_unique<platform::alsa::AlsaAudioSystem>()),
      mixer_(std::make_unique<platform::alsa::AlsaMixer>(Thread())) {
    EXPECT_TRUE(zav::test::DemoInstall(folder_, Store(), files_));
}

bool RealKeyVoice::Open() {
    return OpenDialog(
        keyvoice::KeyVoiceServices{*audio_, *mixer_, timer_, Store(), files_, Thread(), Runner()});
}

bool RealKeyVoice::Enabled(int id) {
    return Asked([&] { return Window().View().IsControlEnabled(id); });
}

keyvoice::KeyState RealKeyVoice::StateOfCurrentKey() {
    return Asked([&] { return Dialog().StateOfKey(Dialog().CurrentKey()); });
}

int RealKeyVoice::MeterLevel() {
    return Asked([&] { return Dialog().Meter().Level(); });
}

int RealKeyVoice::SliderPosition(int id) {
    return Asked([&] { return Window().View().GetSliderPos(id); });
}

std::optional<std::string> RealKeyVoice::Value(std::string_view name) {
    return Asked([&] { return zav::test::ZavText(Store(), name); });
}

bool RealKeyVoice::WaitUntilIdle(std::chrono::milliseconds limit) {
    return zav::test::WaitUntil([this] { return StateOfCurrentKey() == keyvoice::KeyState::Idle; },
                                limit);
}

}  // namespace alsa_test
