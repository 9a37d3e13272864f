#pragma once
// The pure translations between the seam's mixer records and the host's: lines, controls, the
// query selectors and result codes. The numbers (line and control ids, component and control
// types, flags, bounds) pass through unchanged; only names become UTF-8.
//
// Thread: any (pure functions).

#include <windows.h>

#include <mmsystem.h>

#include <optional>

#include "platform/mixer/mixer_constants.h"
#include "platform/mixer/mixer_records.h"

namespace zav::platform::winmm {

// A mixer call's result; a number the seam does not know becomes Error.
MixerResult ToMixerResult(MMRESULT result);

// The host's MIXER_GETLINEINFOF_* selector; nullopt for a value the host does not know.
std::optional<DWORD> LineInfoFlags(LineInfoQuery query);
// Fills the input fields of host that query reads from line (see MixerLine).
void SeedLineQuery(const MixerLine& line, LineInfoQuery query, MIXERLINEW& host);
MixerLine FromHostLine(const MIXERLINEW& host);

std::optional<DWORD> LineControlsFlags(LineControlsQuery query);
MixerControl FromHostControl(const MIXERCONTROLW& host);

std::optional<DWORD> DetailsSetFlags(ControlDetailsSet how);

}  // namespace zav::platform::winmm
