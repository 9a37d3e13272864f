#pragma once
// The mixer of a machine without one: no devices, and every call on a handle fails. A program
// gets it when no mixer backend is available; mixer failures are silent in the programs, so
// they simply run without a volume control.
//
// Thread: any; it holds no state.

#include "platform/mixer/mixer.h"

namespace zav::platform {

class NoMixer final : public Mixer {
  public:
    std::uint32_t GetNumDevs() override { return 0; }
    MixerResult GetDevCaps(std::uint32_t, MixerCaps&) override { return MixerResult::BadDeviceId; }
    MixerResult GetDevCaps(MixerHandle, MixerCaps&) override { return MixerResult::InvalidHandle; }
    MixerResult Open(std::uint32_t, MixerNotificationSink*, MixerHandle& handle) override {
        handle = kNullMixer;
        return MixerResult::BadDeviceId;
    }
    MixerResult Close(MixerHandle) override { return MixerResult::InvalidHandle; }
    MixerResult GetLineInfo(MixerHandle, LineInfoQuery, MixerLine&) override {
        return MixerResult::InvalidHandle;
    }
    MixerResult GetLineControls(MixerHandle, LineControlsQuery, MixerLineControls&) override {
        return MixerResult::InvalidHandle;
    }
    MixerResult GetControlDetails(MixerHandle, ControlDetailsQuery, MixerControlDetails&) override {
        return MixerResult::InvalidHandle;
    }
    MixerResult SetControlDetails(MixerHandle, ControlDetailsSet,
                                  const MixerControlDetails&) override {
        return MixerResult::InvalidHandle;
    }
};

}  // namespace zav::platform
