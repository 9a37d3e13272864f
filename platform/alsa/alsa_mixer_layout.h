#pragma once
// How an ALSA mixer's simple elements are presented as the host's mixer: one recording
// destination (DstWaveIn) whose sources are the capture elements.
//
//  - An element named for a microphone ("Mic", "Front Mic", "Microphone" ...) is a microphone
//    source. When there is none and the device has a single capture element, as a sound
//    server has for its default source ("Capture"), that element is the microphone.
//  - An element named "Capture" that is not the microphone is the destination's own control
//    (a card's master capture level).
//  - Every other capture element is a source, typed by its name (Line, CD, Aux ...).
//    Elements that only boost a gain ("Mic Boost") and elements without a capture volume or
//    switch are left out.
// Each line has a Volume control (0 to 65535 over the element's range) when its element has a
// capture volume, and a Mute switch (0 or 1) when it has a capture switch. A control is uniform
// when the element has one channel or joins its channels.
//
// Ids: lines 0x10000 + n (the destination n = 0, source s has n = s + 1); the controls of line
// n are n * 16 + 1 (volume) and n * 16 + 2 (mute), so no control id is also a line id.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/mixer/mixer_model.h"

namespace zav::platform::alsa {

// One simple element as the ALSA mixer describes it.
struct ElementInfo {
    std::string name;
    bool captureVolume = false;
    bool captureSwitch = false;
    std::uint32_t channels = 1;  // capture channels
    bool volumeJoined = false;
    bool switchJoined = false;
};

// The device as the host's mixer model (its name left to the caller) with the element behind
// each line.
struct CaptureLayout {
    MixerModel model;
    // By line, the destination first and then the sources in order: the index of its element
    // among those planned from; none for a line without controls.
    std::vector<std::optional<std::size_t>> elements;

    const ModelLine& Destination() const { return model.destinations.front().line; }
    const std::vector<ModelLine>& Sources() const { return model.destinations.front().sources; }
};

inline constexpr std::uint32_t kDestinationLineId = 0x10000;
inline constexpr std::uint32_t kControlsPerLine = 16;

// The component type a source element's name suggests.
ComponentType SourceTypeForName(std::string_view name);

CaptureLayout PlanCaptureLayout(std::span<const ElementInfo> elements);

}  // namespace zav::platform::alsa
