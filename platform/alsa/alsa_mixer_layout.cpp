#include "platform/alsa/alsa_mixer_layout.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

#include "platform/alsa/alsa_volume_scale.h"

namespace zav::platform::alsa {

namespace {

constexpr std::string_view kCaptureElementName = "Capture";

// The words of an element's name, lower case: "Front Mic Boost" -> front, mic, boost.
std::vector<std::string> Words(std::string_view name) {
    std::vector<std::string> words;
    std::string word;
    for (char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c)) != 0) {
            word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        } else if (!word.empty()) {
            words.push_back(std::move(word));
            word.clear();
        }
    }
    if (!word.empty())
        words.push_back(std::move(word));
    return words;
}

bool HasWord(std::string_view name, std::string_view wanted) {
    const std::vector<std::string> words = Words(name);
    return std::find(words.begin(), words.end(), wanted) != words.end();
}

bool IsBoost(const ElementInfo& element) {
    return HasWord(element.name, "boost");
}

bool IsCaptureElement(const ElementInfo& element) {
    return (element.captureVolume || element.captureSwitch) && !IsBoost(element);
}

ModelLine MakeLine(std::uint32_t number, ComponentType type, const ElementInfo& element) {
    ModelLine line{.id = kDestinationLineId + number,
                   .type = type,
                   .channels = std::max<std::uint32_t>(element.channels, 1),
                   .name = element.name};
    const bool mono = line.channels == 1;
    auto flags = [mono](bool joined) { return mono || joined ? kControlUniform : 0U; };
    if (element.captureVolume) {
        line.controls.push_back(MixerControl{.controlId = number * kControlsPerLine + 1,
                                             .controlType = ControlType::Volume,
                                             .controlFlags = flags(element.volumeJoined),
                                             .maximum = kHostVolumeMaximum,
                                             .name = element.name + " Volume"});
    }
    if (element.captureSwitch) {
        line.controls.push_back(MixerControl{.controlId = number * kControlsPerLine + 2,
                                             .controlType = ControlType::Mute,
                                             .controlFlags = flags(element.switchJoined),
                                             .maximum = 1,
                                             .name = element.name + " Mute"});
    }
    return line;
}

}  // namespace

ComponentType SourceTypeForName(std::string_view name) {
    struct Kind {
        std::string_view word;
        ComponentType type;
    };
    constexpr std::array kKinds = {
        Kind{"mic", ComponentType::SrcMicrophone},
        Kind{"microphone", ComponentType::SrcMicrophone},
        Kind{"headset", ComponentType::SrcMicrophone},
        Kind{"line", ComponentType::SrcLine},
        Kind{"cd", ComponentType::SrcCompactDisc},
        Kind{"aux", ComponentType::SrcAuxiliary},
        Kind{"phone", ComponentType::SrcTelephone},
        Kind{"beep", ComponentType::SrcPcSpeaker},
        Kind{"speaker", ComponentType::SrcPcSpeaker},
        Kind{"iec958", ComponentType::SrcDigital},
        Kind{"spdif", ComponentType::SrcDigital},
        Kind{"digital", ComponentType::SrcDigital},
        Kind{"synth", ComponentType::SrcSynthesizer},
        Kind{"video", ComponentType::SrcAnalog},
    };
    for (const Kind& kind : kKinds) {
        if (HasWord(name, kind.word))
            return kind.type;
    }
    return ComponentType::SrcUndefined;
}

CaptureLayout PlanCaptureLayout(std::span<const ElementInfo> elements) {
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::size_t> capture;
    std::size_t master = kNone;
    bool anyMicrophone = false;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (!IsCaptureElement(elements[i]))
            continue;
        capture.push_back(i);
        if (elements[i].name == kCaptureElementName)
            master = i;
        if (SourceTypeForName(elements[i].name) == ComponentType::SrcMicrophone)
            anyMicrophone = true;
    }
    // A sound server's one capture element is its default source: the microphone.
    const bool soleMicrophone = !anyMicrophone && capture.size() == 1;
    if (soleMicrophone)
        master = kNone;

    CaptureLayout layout;
    ModelDestination& recording = layout.model.destinations.emplace_back();
    if (master != kNone) {
        recording.line = MakeLine(0, ComponentType::DstWaveIn, elements[master]);
        layout.elements.emplace_back(master);
    } else {
        recording.line.id = kDestinationLineId;
        layout.elements.emplace_back();
    }
    recording.line.type = ComponentType::DstWaveIn;
    recording.line.name = "Recording Control";
    for (std::size_t index : capture) {
        if (index == master)
            continue;
        const auto number = static_cast<std::uint32_t>(recording.sources.size() + 1);
        const ComponentType type =
            soleMicrophone ? ComponentType::SrcMicrophone : SourceTypeForName(elements[index].name);
        ModelLine line = MakeLine(number, type, elements[index]);
        if (soleMicrophone)
            line.name = "Microphone";
        recording.sources.push_back(std::move(line));
        layout.elements.emplace_back(index);
    }
    return layout;
}

}  // namespace zav::platform::alsa
