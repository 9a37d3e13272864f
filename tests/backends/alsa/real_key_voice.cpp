#include "real_key_voice.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <sstream>
#include <thread>

#include "keysound/config_store.h"
#include "keyvoice/resources.h"
#include "tools/zavtool/command.h"

namespace alsa_test {

namespace platform = zav::platform;

RealKeyVoice::RealKeyVoice(std::filesystem::path folder)
    : folder_(std::move(folder)),
      audio_(std::make_unique<platform::alsa::AlsaAudioSystem>()),
      mixer_(std::make_unique<platform::alsa::AlsaMixer>(dialogThread_)) {
    const std::vector<std::string> args = {folder_.string()};
    std::ostringstream out;
    std::ostringstream err;
    zavtool::CommandContext context{args, out, err, store_, files_};
    EXPECT_EQ(zavtool::RunDemoInstall(context), zavtool::ExitStatus::Success) << err.str();
    OnDialog([this] {
        dialog_ = std::make_unique<keyvoice::CKeyVoiceDlg>(keyvoice::KeyVoiceServices{
            *audio_, *mixer_, timer_, store_, files_, dialogThread_, runner_});
        window_ = std::make_unique<platform::sim::FakeDialog>(keyvoice::CKeyVoiceDlg::Template(),
                                                              *dialog_, &boxes_);
    });
}

RealKeyVoice::~RealKeyVoice() {
    OnDialog([this] {
        window_.reset();
        dialog_.reset();
    });
    mixer_.reset();
    audio_.reset();
}

void RealKeyVoice::OnDialog(const std::function<void()>& task, std::chrono::milliseconds limit) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    dialogThread_.Post([&task, done] {
        task();
        done->set_value();
    });
    if (finished.wait_for(limit) != std::future_status::ready) {
        std::fprintf(stderr, "FAILED: the dialog thread did not answer within %lld ms\n",
                     static_cast<long long>(limit.count()));
        std::abort();
    }
}

bool RealKeyVoice::Open() {
    bool running = false;
    OnDialog([&] { running = window_->Open(); });
    return running;
}

bool RealKeyVoice::Click(int id) {
    bool clicked = false;
    OnDialog([&] { clicked = window_->Click(id); });
    return clicked;
}

bool RealKeyVoice::PressEscape() {
    bool pressed = false;
    OnDialog([&] { pressed = window_->PressEscape(); });
    return pressed;
}

bool RealKeyVoice::Enabled(int id) {
    bool enabled = false;
    OnDialog([&] { enabled = window_->View().IsControlEnabled(id); });
    return enabled;
}

keyvoice::KeyState RealKeyVoice::StateOfCurrentKey() {
    keyvoice::KeyState state = keyvoice::KeyState::Idle;
    OnDialog([&] { state = dialog_->StateOfKey(dialog_->CurrentKey()); });
    return state;
}

int RealKeyVoice::MeterLevel() {
    int level = 0;
    OnDialog([&] { level = dialog_->Meter().Level(); });
    return level;
}

int RealKeyVoice::SliderPosition(int id) {
    int position = 0;
    OnDialog([&] { position = window_->View().GetSliderPos(id); });
    return position;
}

void RealKeyVoice::MoveSlider(int id, int position) {
    OnDialog([&] { window_->MoveSlider(id, position); });
}

std::optional<int> RealKeyVoice::EndResult() {
    std::optional<int> result;
    OnDialog([&] { result = window_->Result(); });
    return result;
}

std::vector<platform::sim::ShownMessage> RealKeyVoice::Messages() {
    std::vector<platform::sim::ShownMessage> shown;
    OnDialog([&] { shown = boxes_.shown; });
    return shown;
}

std::optional<std::string> RealKeyVoice::Value(std::string_view name) {
    std::optional<std::string> text;
    OnDialog([&] {
        platform::RegistryKey key;
        platform::RegistryValue value;
        if (store_.OpenKey(keyvoice::kZavHive, keyvoice::kZavKeyPath, platform::Access::Read,
                           key) == platform::RegResult::Success &&
            key.Query(name, value) == platform::RegResult::Success) {
            text = std::string(value.data.begin(), value.data.end());
        }
    });
    return text;
}

bool RealKeyVoice::WaitUntilIdle(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (StateOfCurrentKey() != keyvoice::KeyState::Idle) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace alsa_test
