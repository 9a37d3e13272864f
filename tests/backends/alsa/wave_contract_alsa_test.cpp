// The wave contract on ALSA, through the sound server's virtual microphone and speaker.

#include "tests/contracts/wave_contract.h"

#include "platform/alsa/alsa_audio_system.h"
#include "sound_server.h"

namespace zav::platform::contracts {
namespace {

std::optional<std::string> WhyNoSandboxServer(AudioSystem&) {
    if (std::optional<std::string> why = alsa_test::WhyNoServer())
        return why;
    return alsa_test::WhyNotTheSandbox();
}

INSTANTIATE_TEST_SUITE_P(Alsa, WaveContract,
                         testing::Values(WaveContractRig{
                             "SoundServer",
                             [] { return std::make_unique<alsa::AlsaAudioSystem>(); },
                             WhyNoSandboxServer,
                             {}}),
                         WaveContractName);

}  // namespace
}  // namespace zav::platform::contracts
