#pragma once
// Simulated sound cards shared by the mixer tests.

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/sim/mixer_sim_topology.h"

namespace zav::test {

using platform::ComponentType;
using platform::ControlType;
using platform::kControlMultiple;
using platform::kControlUniform;
using platform::sim::MixerTopology;
using platform::sim::SimControl;
using platform::sim::SimDestination;
using platform::sim::SimLine;
using platform::sim::SimMixerDevice;

inline SimControl VolumeControl(std::uint32_t id, std::vector<std::uint32_t> values,
                                std::uint32_t flags = 0) {
    return {.id = id, .type = ControlType::Volume, .flags = flags, .values = std::move(values)};
}

inline SimControl MuteControl(std::uint32_t id, std::uint32_t value) {
    return {.id = id,
            .type = ControlType::Mute,
            .flags = kControlUniform,
            .maximum = 1,
            .values = {value}};
}

// Ids of RecordingCard.
inline constexpr std::uint32_t kSpeakerMicLine = 12;
inline constexpr std::uint32_t kLineInLine = 21;
inline constexpr std::uint32_t kLineInVolume = 211;
inline constexpr std::uint32_t kMicLine = 22;
inline constexpr std::uint32_t kMicMute = 221;
inline constexpr std::uint32_t kMicVolume = 222;

// Playback destination first (with a microphone of its own, which is not the recording one),
// then the recording destination, whose microphone has a mute switch before a stereo
// non-uniform volume fader reading 30000 / 31000.
inline SimMixerDevice RecordingCardDevice() {
    return {.name = "Sim Card",
            .destinations = {
                {.line = {.id = 1,
                          .type = ComponentType::DstSpeakers,
                          .controls = {VolumeControl(101, {20000, 20000})}},
                 .sources = {{.id = 11,
                              .type = ComponentType::SrcWaveOut,
                              .controls = {VolumeControl(111, {9000, 9000})}},
                             {.id = kSpeakerMicLine,
                              .type = ComponentType::SrcMicrophone,
                              .channels = 1,
                              .controls = {VolumeControl(121, {5000})}}}},
                {.line = {.id = 2,
                          .type = ComponentType::DstWaveIn,
                          .controls = {VolumeControl(201, {60000, 60000})}},
                 .sources = {{.id = kLineInLine,
                              .type = ComponentType::SrcLine,
                              .controls = {VolumeControl(kLineInVolume, {1000, 1000})}},
                             {.id = kMicLine,
                              .type = ComponentType::SrcMicrophone,
                              .controls = {MuteControl(kMicMute, 0),
                                           VolumeControl(kMicVolume, {30000, 31000})}}}},
            }};
}

inline MixerTopology RecordingCard() {
    return {.devices = {RecordingCardDevice()}};
}

// A recording destination whose only microphone has the given controls.
inline MixerTopology MicCard(std::uint32_t micChannels, std::vector<SimControl> micControls) {
    return {.devices = {{.name = "Mic Card",
                         .destinations = {{.line = {.id = 1, .type = ComponentType::DstWaveIn},
                                           .sources = {{.id = kMicLine,
                                                        .type = ComponentType::SrcMicrophone,
                                                        .channels = micChannels,
                                                        .controls = std::move(micControls)}}}}}}};
}

// Two destinations with a microphone of two controls each; the recording destination, first,
// also has a stereo volume and a three-item multiplexer of its own. The line-in and
// wave-out sources and the speaker destination's own volume are not part of a snapshot.
inline MixerTopology SnapshotCard() {
    return {
        .devices = {
            {.name = "Snapshot Card",
             .destinations = {
                 {.line = {.id = 1,
                           .type = ComponentType::DstWaveIn,
                           .controls = {VolumeControl(101, {50000, 50001}),
                                        {.id = 102,
                                         .type = ControlType::Mux,
                                         .flags = kControlUniform | kControlMultiple,
                                         .items = 3,
                                         .maximum = 1,
                                         .values = {0, 1, 0}}}},
                  .sources = {{.id = 11,
                               .type = ComponentType::SrcLine,
                               .controls = {VolumeControl(111, {7, 7})}},
                              {.id = 12,
                               .type = ComponentType::SrcMicrophone,
                               .controls = {MuteControl(121, 1),
                                            VolumeControl(122, {30000, 30001})}}}},
                 {.line = {.id = 2,
                           .type = ComponentType::DstSpeakers,
                           .controls = {VolumeControl(201, {9, 9})}},
                  .sources = {{.id = 21,
                               .type = ComponentType::SrcWaveOut,
                               .controls = {VolumeControl(211, {5, 5})}},
                              {.id = 22,
                               .type = ComponentType::SrcMicrophone,
                               .channels = 1,
                               .controls = {MuteControl(221, 0), VolumeControl(222, {12345})}}}},
             }}}};
}

}  // namespace zav::test
