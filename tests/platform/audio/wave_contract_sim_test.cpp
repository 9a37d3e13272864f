// The wave contract on the simulated card, running in real time on its own thread.

#include "tests/contracts/wave_contract.h"

#include "platform/sim/sim_sound_card.h"

namespace zav::platform::contracts {
namespace {

std::unique_ptr<AudioSystem> MakeRunningCard() {
    auto card = std::make_unique<sim::SimSoundCard>();
    // The contract breaks rules on purpose (calls on handles that are not open, wave calls
    // from inside a callback) and checks what they answer; the breaches are not its subject.
    card->SetViolationHandler([](std::string_view) {});
    card->StartThreads();
    return card;
}

std::size_t BreachesReported(AudioSystem& audio) {
    return dynamic_cast<sim::SimSoundCard&>(audio).ViolationCount();
}

INSTANTIATE_TEST_SUITE_P(SimulatedCard, WaveContract,
                         testing::Values(WaveContractRig{
                             "Threaded", MakeRunningCard, {}, BreachesReported}),
                         WaveContractName);

}  // namespace
}  // namespace zav::platform::contracts
