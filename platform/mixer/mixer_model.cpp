#include "platform/mixer/mixer_model.h"

#include <algorithm>
#include <set>
#include <span>
#include <stdexcept>
#include <string>

namespace zav::platform {

namespace {

// A line with where it sits in its device.
struct LineAt {
    const ModelLine* line = nullptr;
    std::uint32_t destination = 0;
    std::uint32_t source = 0;
    std::uint32_t connections = 0;  // sources of a destination; 0 for a source
};

// Visits the lines in the host's order: each destination, then its sources. Stops when visit
// returns true.
template <typename Visit>
std::optional<LineAt> FindLineWhere(const MixerModel& model, Visit visit) {
    for (std::uint32_t d = 0; d < model.destinations.size(); ++d) {
        const ModelDestination& destination = model.destinations[d];
        const LineAt own{&destination.line, d, 0,
                         static_cast<std::uint32_t>(destination.sources.size())};
        if (visit(own))
            return own;
        for (std::uint32_t s = 0; s < destination.sources.size(); ++s) {
            const LineAt source{&destination.sources[s], d, s, 0};
            if (visit(source))
                return source;
        }
    }
    return std::nullopt;
}

std::optional<LineAt> FindLine(const MixerModel& model, std::uint32_t lineId) {
    return FindLineWhere(model, [lineId](const LineAt& at) { return at.line->id == lineId; });
}

void Fill(const LineAt& at, MixerLine& out) {
    out.destination = at.destination;
    out.source = at.source;
    out.lineId = at.line->id;
    out.componentType = at.line->type;
    out.channels = at.line->channels;
    out.connections = at.connections;
    out.controls = static_cast<std::uint32_t>(at.line->controls.size());
    out.name = at.line->name;
}

}  // namespace

void ValidateModel(const MixerModel& model) {
    std::set<std::uint32_t> lineIds;
    std::set<std::uint32_t> controlIds;
    FindLineWhere(model, [&](const LineAt& at) {
        if (!lineIds.insert(at.line->id).second)
            throw std::invalid_argument("duplicate line id " + std::to_string(at.line->id));
        for (const MixerControl& control : at.line->controls) {
            if (!controlIds.insert(control.controlId).second) {
                throw std::invalid_argument("duplicate control id " +
                                            std::to_string(control.controlId));
            }
            if (!control.IsMultiple() && control.multipleItems != 0)
                throw std::invalid_argument("items on a single-item control");
        }
        return false;
    });
}

std::optional<ModelControl> FindControl(const MixerModel& model, std::uint32_t controlId) {
    std::optional<ModelControl> found;
    FindLineWhere(model, [&](const LineAt& at) {
        for (const MixerControl& control : at.line->controls) {
            if (control.controlId == controlId) {
                found = ModelControl{&control, at.line};
                return true;
            }
        }
        return false;
    });
    return found;
}

MixerResult AnswerLineInfo(const MixerModel& model, LineInfoQuery query, MixerLine& line) {
    std::optional<LineAt> found;
    switch (query) {
        case LineInfoQuery::Destination:
        case LineInfoQuery::Source: {
            if (line.destination >= model.destinations.size())
                return MixerResult::InvalidParam;
            const ModelDestination& destination = model.destinations[line.destination];
            if (query == LineInfoQuery::Destination) {
                found = LineAt{&destination.line, line.destination, 0,
                               static_cast<std::uint32_t>(destination.sources.size())};
            } else if (line.source < destination.sources.size()) {
                found = LineAt{&destination.sources[line.source], line.destination, line.source, 0};
            } else {
                return MixerResult::InvalidParam;
            }
            break;
        }
        case LineInfoQuery::LineId:
            found = FindLine(model, line.lineId);
            break;
        case LineInfoQuery::ComponentType:
            found = FindLineWhere(model, [type = line.componentType](const LineAt& at) {
                return at.line->type == type;
            });
            break;
        default:
            return MixerResult::InvalidFlag;
    }
    if (!found)
        return MixerResult::InvalidLine;
    Fill(*found, line);
    return MixerResult::NoError;
}

MixerResult AnswerLineControls(const MixerModel& model, LineControlsQuery query,
                               MixerLineControls& request) {
    switch (query) {
        case LineControlsQuery::All: {
            const std::optional<LineAt> line = FindLine(model, request.lineId);
            if (!line)
                return MixerResult::InvalidLine;
            const std::vector<MixerControl>& controls = line->line->controls;
            if (controls.empty() || request.controls.size() != controls.size())
                return MixerResult::InvalidParam;
            std::copy(controls.begin(), controls.end(), request.controls.begin());
            return MixerResult::NoError;
        }
        case LineControlsQuery::OneById: {
            if (CheckControlsBuffer(query, request) != MixerResult::NoError)
                return MixerResult::InvalidParam;
            const std::optional<ModelControl> found = FindControl(model, request.controlId);
            if (!found)
                return MixerResult::InvalidControl;
            request.controls[0] = *found->control;
            request.lineId = found->line->id;
            return MixerResult::NoError;
        }
        case LineControlsQuery::OneByType: {
            if (CheckControlsBuffer(query, request) != MixerResult::NoError)
                return MixerResult::InvalidParam;
            const std::optional<LineAt> line = FindLine(model, request.lineId);
            if (!line)
                return MixerResult::InvalidLine;
            for (const MixerControl& control : line->line->controls) {
                if (control.controlType == request.controlType) {
                    request.controls[0] = control;
                    return MixerResult::NoError;
                }
            }
            return MixerResult::InvalidControl;
        }
    }
    return MixerResult::InvalidFlag;
}

MixerResult CheckBounds(const MixerControl& control, std::span<const std::uint32_t> values) {
    const bool isSigned = IsSignedControl(control.controlType);
    for (std::uint32_t value : values) {
        const bool within =
            isSigned
                ? static_cast<std::int32_t>(value) >= static_cast<std::int32_t>(control.minimum) &&
                      static_cast<std::int32_t>(value) <= static_cast<std::int32_t>(control.maximum)
                : value >= control.minimum && value <= control.maximum;
        if (!within)
            return MixerResult::InvalidValue;
    }
    return MixerResult::NoError;
}

}  // namespace zav::platform
