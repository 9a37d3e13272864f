#pragma once
// The voice a random user speaks into the simulated microphone: a tone whose loudness swells and
// fades, with its pitch, loudness and pace drawn from the dice, so that takes differ and the
// level moves over the whole gauge.

#include "platform/sim/mic_signal.h"
#include "tests/users/user_session.h"

namespace random_user {

zav::platform::sim::MicSignal RandomVoice(Dice& dice);

}  // namespace random_user
