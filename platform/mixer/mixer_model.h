#pragma once
// One mixer device as plain data: its destination lines, their source lines and the controls of
// every line, and the host's queries answered from it. A backend that knows its device's shape
// (the simulated mixer, ALSA) describes it as a MixerModel; MixerCore answers GetLineInfo and
// GetLineControls from the model, so those rules are written once.
// Every member has a default initialiser, so designated initialisers may name only some.
//
// Thread: any (plain data and pure functions).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/mixer/mixer_constants.h"
#include "platform/mixer/mixer_records.h"

namespace zav::platform {

struct ModelLine {
    std::uint32_t id = 0;  // unique within its device, among lines and controls alike
    ComponentType type = ComponentType::DstUndefined;
    std::uint32_t channels = 1;
    std::string name{};
    std::vector<MixerControl> controls{};  // each with a controlId unique within its device
};

struct ModelDestination {
    ModelLine line{};
    std::vector<ModelLine> sources{};
};

struct MixerModel {
    std::string name{};  // MixerCaps::name
    std::vector<ModelDestination> destinations{};
};

// A control of a model with the line it belongs to.
struct ModelControl {
    const MixerControl* control = nullptr;
    const ModelLine* line = nullptr;

    ValueShape Shape() const { return ShapeOfValues(line->channels, *control); }
};

// Throws std::invalid_argument for a model that breaks its own rules: a line or control id
// used twice in the device, or items on a control without kControlMultiple.
void ValidateModel(const MixerModel& model);

std::optional<ModelControl> FindControl(const MixerModel& model, std::uint32_t controlId);

// mixerGetLineInfo and mixerGetLineControls on the model, with the host's results (see
// mixer.h); the handle has been checked already.
MixerResult AnswerLineInfo(const MixerModel& model, LineInfoQuery query, MixerLine& line);
MixerResult AnswerLineControls(const MixerModel& model, LineControlsQuery query,
                               MixerLineControls& request);

// The host's bounds of a control's values: within minimum and maximum, read as signed numbers
// for a signed control. InvalidValue for the first value outside them.
MixerResult CheckBounds(const MixerControl& control, std::span<const std::uint32_t> values);

}  // namespace zav::platform
