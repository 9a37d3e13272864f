#pragma once
// What a simulated mixer holds: devices, their destination lines with their source lines, and
// the controls of every line with their values. Tests write it down as plain data.
// Every member has a default initialiser, so designated initialisers may name only some.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/mixer/mixer_constants.h"

namespace zav::platform::sim {

struct SimControl {
    std::uint32_t id = 0;  // unique within its device
    ControlType type = ControlType::Volume;
    std::uint32_t flags = 0;  // ControlFlag bits
    std::uint32_t items = 0;  // cMultipleItems; used only with kControlMultiple
    std::uint32_t minimum = 0;
    std::uint32_t maximum = 65535;
    // When not 0, a value set through the mixer lands on the nearest minimum + k x step (within
    // the bounds), as a real element with fewer steps than the host's range rounds it.
    std::uint32_t step = 0;
    std::string name{};
    // Item by item and, within an item, channel by channel: max(items, 1) x (1 for a uniform
    // control, else the line's channels) values. Values not given read as 0.
    std::vector<std::uint32_t> values{};
};

struct SimLine {
    std::uint32_t id = 0;  // unique within its device
    ComponentType type = ComponentType::DstUndefined;
    std::uint32_t channels = 2;
    std::string name{};
    std::vector<SimControl> controls{};
};

struct SimDestination {
    SimLine line{};
    std::vector<SimLine> sources{};
};

struct SimMixerDevice {
    std::string name{};
    std::vector<SimDestination> destinations{};
};

struct MixerTopology {
    std::vector<SimMixerDevice> devices{};
};

}  // namespace zav::platform::sim
