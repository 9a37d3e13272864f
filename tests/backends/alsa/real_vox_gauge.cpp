#include "real_vox_gauge.h"

#include <cstdio>
#include <cstdlib>
#include <future>

#include "platform/bytes/little_endian.h"
#include "platform/registry/registry.h"
#include "voxgauge/resources.h"

namespace alsa_test {

namespace platform = zav::platform;

RealVoxGauge::RealVoxGauge()
    : audio_(std::make_unique<platform::alsa::AlsaAudioSystem>()),
      mixer_(std::make_unique<platform::alsa::AlsaMixer>(dialogThread_)) {
    OnDialog([this] {
        dialog_ = std::make_unique<voxgauge::CMicSetupDlg>(
            voxgauge::MicSetupServices{*audio_, *mixer_, store_, dialogThread_, runner_});
        window_ = std::make_unique<platform::sim::FakeDialog>(voxgauge::CMicSetupDlg::Template(),
                                                              *dialog_, &boxes_);
    });
}

RealVoxGauge::~RealVoxGauge() {
    OnDialog([this] {
        window_.reset();
        dialog_.reset();
    });
    mixer_.reset();
    audio_.reset();
}

void RealVoxGauge::OnDialog(const std::function<void()>& task, std::chrono::milliseconds limit) {
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

bool RealVoxGauge::Open() {
    bool running = false;
    OnDialog([&] { running = window_->Open(); });
    return running;
}

int RealVoxGauge::TickAndReadGauge() {
    int value = 0;
    OnDialog([&] {
        window_->Timers().Advance(voxgauge::kLevelTimerPeriodMs);
        value = window_->View().Control(voxgauge::kIdcLevelGauge).value;
    });
    return value;
}

std::uint32_t RealVoxGauge::CaptureLevel() const {
    return dialog_->Capture().GetLevel();
}

int RealVoxGauge::SliderPosition() {
    int position = 0;
    OnDialog([&] { position = window_->View().Control(voxgauge::kIdcMicVolume).position; });
    return position;
}

bool RealVoxGauge::SliderEnabled() {
    bool enabled = false;
    OnDialog([&] { enabled = window_->View().Control(voxgauge::kIdcMicVolume).enabled; });
    return enabled;
}

void RealVoxGauge::MoveSlider(int position) {
    OnDialog([&] { window_->MoveSlider(voxgauge::kIdcMicVolume, position); });
}

void RealVoxGauge::PressOk() {
    OnDialog([&] { window_->Click(platform::kIdOk); });
}

std::optional<int> RealVoxGauge::EndResult() {
    std::optional<int> result;
    OnDialog([&] { result = window_->Result(); });
    return result;
}

std::vector<platform::sim::ShownMessage> RealVoxGauge::Messages() {
    std::vector<platform::sim::ShownMessage> shown;
    OnDialog([&] { shown = boxes_.shown; });
    return shown;
}

std::optional<std::vector<voxgauge::MicEnvRecord>> RealVoxGauge::StoredMicEnv() {
    std::optional<std::vector<voxgauge::MicEnvRecord>> records;
    OnDialog([&] {
        platform::RegistryKey key;
        if (store_.OpenKey(platform::Hive::LocalMachine, voxgauge::kZavKeyPath,
                           platform::Access::Read, key) != platform::RegResult::Success) {
            return;
        }
        platform::RegistryValue value;
        if (key.Query(voxgauge::kMicEnvValueName, value) != platform::RegResult::Success ||
            value.data.size() % voxgauge::MicEnvRecord::kSize != 0) {
            return;
        }
        records.emplace();
        for (std::size_t at = 0; at < value.data.size(); at += voxgauge::MicEnvRecord::kSize) {
            records->push_back(
                {platform::ReadLe32(value.data, at), platform::ReadLe32(value.data, at + 4),
                 platform::ReadLe32(value.data, at + 8), platform::ReadLe32(value.data, at + 12),
                 platform::ReadLe32(value.data, at + 16)});
        }
    });
    return records;
}

}  // namespace alsa_test
