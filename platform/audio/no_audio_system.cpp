#include "platform/audio/no_audio_system.h"

namespace zav::platform {

namespace {

MmResult DescribeResult(MmResult result, std::string& text) {
    text = std::string(WaveResultText(result));
    return text.empty() ? MmResult::BadErrNum : MmResult::NoError;
}

}  // namespace

MmResult NoAudioSystem::CreateOutputHold(std::unique_ptr<OutputDeviceHold>& hold) {
    hold.reset();
    return MmResult::NoDriver;
}

MmResult NoAudioSystem::NoWaveIn::Open(WaveInHandle& handle, std::uint32_t, const PcmWaveFormat&,
                                       WaveInCallback) {
    handle = {};
    return MmResult::BadDeviceId;
}

MmResult NoAudioSystem::NoWaveIn::GetErrorText(MmResult result, std::string& text) {
    return DescribeResult(result, text);
}

MmResult NoAudioSystem::NoWaveOut::Open(WaveOutHandle& handle, std::uint32_t, const PcmWaveFormat&,
                                        WaveOutCallback) {
    handle = {};
    return MmResult::BadDeviceId;
}

MmResult NoAudioSystem::NoWaveOut::GetErrorText(MmResult result, std::string& text) {
    return DescribeResult(result, text);
}

}  // namespace zav::platform
