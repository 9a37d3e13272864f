#pragma once
// The doctor's sound checks, through the code the programs choose with: the backend
// (ChooseAudioBackend, as both programs' main), KeyVoice's device and mixer search
// (CSoundDevices, in its start-up order), VoxGauge's mixer access (CMicMixer), whether the
// input is an output's monitor as far as the system tells, and a capture of a few seconds from
// the input the programs record from, measured.
//
// Nothing is written: the store is only handed to VoxGauge's mixer code, whose one write
// (MicEnv on OK) is never called.
//
// Thread: the caller's, which stands for the programs' dialog thread.

#include <ostream>

#include "platform/registry/registry.h"
#include "tools/zavtool/doctor_findings.h"
#include "tools/zavtool/doctor_machine.h"

namespace zavtool {

// prompt gets the one line that asks the user to speak while the capture runs.
void CheckSound(const DoctorMachine& machine, zav::platform::RegistryStore& registry,
                double seconds, std::ostream& prompt, DoctorReport& report);

}  // namespace zavtool
