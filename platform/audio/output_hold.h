#pragma once
// A hold on the default output device: the stand-in for the object that VoxGauge creates only
// to learn whether the machine's sound output is usable, and keeps while it checks that
// recording works at the same time (full duplex). Nothing is ever played through it.
// Destroying the hold releases the output device.
//
// Thread: dialog.

#include <cstdint>

#include "platform/audio/wave_result.h"

namespace zav::platform {

// How the program shares the output device with others (the host's DSSCL_* numbers).
enum class CooperativeLevel : std::uint32_t {
    Normal = 1,
    Priority = 2,
    Exclusive = 3,
    WritePrimary = 4,
};

class OutputDeviceHold {
  public:
    virtual ~OutputDeviceHold() = default;

    // The second step of creating a usable hold; failure means output is not usable.
    // InvalParam for a level the host does not know, before the backend is asked.
    MmResult SetCooperativeLevel(CooperativeLevel level) {
        switch (level) {
            case CooperativeLevel::Normal:
            case CooperativeLevel::Priority:
            case CooperativeLevel::Exclusive:
            case CooperativeLevel::WritePrimary:
                return ApplyCooperativeLevel(level);
        }
        return MmResult::InvalParam;
    }

  protected:
    // The backend's part of SetCooperativeLevel, for a level the host knows.
    virtual MmResult ApplyCooperativeLevel(CooperativeLevel level) = 0;
};

}  // namespace zav::platform
