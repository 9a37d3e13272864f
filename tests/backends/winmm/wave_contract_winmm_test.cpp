// The wave contract on WinMM, through the audio sandbox's devices as Wine shows them.

#include "tests/contracts/wave_contract.h"

#include "platform/winmm/winmm_audio_system.h"
#include "sandbox_devices.h"

namespace zav::platform::contracts {
namespace {

INSTANTIATE_TEST_SUITE_P(Winmm, WaveContract,
                         testing::Values(WaveContractRig{
                             "Sandbox",
                             [] { return std::make_unique<winmm::WinmmAudioSystem>(); },
                             winmm_test::WhyNoSandbox,
                             {}}),
                         WaveContractName);

}  // namespace
}  // namespace zav::platform::contracts
