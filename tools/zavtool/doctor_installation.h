#pragma once
// The doctor's installation checks, through the code KeyVoice starts with: the store's key, the
// two folders, setup.zav's sound set, the built-in sounds, whether ZavSysPath can be written (a
// temporary file, removed again), the recordings' KeyNInfo values against the analysis of their
// files, what an interrupted store left behind, and VoxGauge's MicEnv.
//
// Nothing in the store changes; the only file written is the temporary one.
//
// Thread: the caller's.

#include "platform/files/files.h"
#include "platform/registry/registry.h"
#include "tools/zavtool/doctor_findings.h"
#include "tools/zavtool/doctor_machine.h"

namespace zavtool {

// The name of the file that shows ZavSysPath can be written; removed right after.
inline constexpr std::string_view kWriteTestFileName = "zavtool-doctor.tmp";

void CheckInstallation(zav::platform::RegistryStore& registry, zav::platform::FileSystem& files,
                       FolderReader& folders, DoctorReport& report);

}  // namespace zavtool
