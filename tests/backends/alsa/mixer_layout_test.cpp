#include "platform/alsa/alsa_mixer_layout.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace zav::platform::alsa {
namespace {

ElementInfo Element(std::string name, bool volume, bool captureSwitch, std::uint32_t channels,
                    bool joined) {
    return ElementInfo{std::move(name), volume, captureSwitch, channels, joined, joined};
}

// What a sound server shows: a playback master and the default source's capture element.
std::vector<ElementInfo> ServerElements(std::uint32_t channels, bool volumeJoined) {
    return {Element("Master", false, false, 0, true),
            ElementInfo{"Capture", true, true, channels, volumeJoined, true}};
}

TEST(MixerLayout, ASoundServersOneCaptureElementIsTheMicrophone) {
    const CaptureLayout mono = PlanCaptureLayout(ServerElements(1, true));
    EXPECT_EQ(mono.Destination().type, ComponentType::DstWaveIn);
    EXPECT_TRUE(mono.Destination().controls.empty());
    ASSERT_EQ(mono.Sources().size(), 1u);
    const ModelLine& mic = mono.Sources()[0];
    EXPECT_EQ(mic.type, ComponentType::SrcMicrophone);
    EXPECT_EQ(mono.elements, (std::vector<std::optional<std::size_t>>{std::nullopt, 1}));
    EXPECT_EQ(mic.channels, 1u);
    ASSERT_EQ(mic.controls.size(), 2u);
    EXPECT_EQ(mic.controls[0].controlType, ControlType::Volume);
    EXPECT_EQ(mic.controls[0].maximum, 65535u);
    EXPECT_TRUE(mic.controls[0].IsUniform());
    EXPECT_EQ(mic.controls[1].controlType, ControlType::Mute);
    EXPECT_EQ(mic.controls[1].maximum, 1u);
    EXPECT_TRUE(mic.controls[1].IsUniform());

    // A stereo source: two channels whose volumes are not joined, one joined switch.
    const CaptureLayout stereo = PlanCaptureLayout(ServerElements(2, false));
    ASSERT_EQ(stereo.Sources().size(), 1u);
    EXPECT_EQ(stereo.Sources()[0].channels, 2u);
    EXPECT_FALSE(stereo.Sources()[0].controls[0].IsUniform());
    EXPECT_TRUE(stereo.Sources()[0].controls[1].IsUniform());
}

TEST(MixerLayout, ACardsCaptureElementIsTheDestinationAndItsMicIsASource) {
    const std::vector<ElementInfo> card = {
        Element("Master", false, false, 0, true),
        Element("Capture", true, true, 2, false),
        Element("CD", true, true, 2, false),
        Element("Front Mic", true, true, 1, true),
        Element("Front Mic Boost", true, false, 2, true),
        Element("Line", true, true, 2, false),
        Element("Digital", true, false, 2, true),
    };
    const CaptureLayout layout = PlanCaptureLayout(card);
    EXPECT_EQ(layout.elements.front(), 1u);
    EXPECT_EQ(layout.Destination().controls.size(), 2u);
    EXPECT_EQ(layout.Destination().channels, 2u);
    std::vector<ComponentType> types;
    for (const ModelLine& source : layout.Sources())
        types.push_back(source.type);
    // In the card's order; the boost is no source.
    EXPECT_EQ(types, (std::vector<ComponentType>{
                         ComponentType::SrcCompactDisc, ComponentType::SrcMicrophone,
                         ComponentType::SrcLine, ComponentType::SrcDigital}));
    EXPECT_EQ(layout.Sources()[3].controls.size(), 1u);  // a volume, no switch
}

TEST(MixerLayout, WithoutAMicrophoneAmongSeveralInputsThereIsNone) {
    const CaptureLayout layout = PlanCaptureLayout(std::vector<ElementInfo>{
        Element("Capture", true, true, 2, false), Element("Line", true, true, 2, false)});
    EXPECT_EQ(layout.elements.front(), 0u);
    ASSERT_EQ(layout.Sources().size(), 1u);
    EXPECT_EQ(layout.Sources()[0].type, ComponentType::SrcLine);

    const CaptureLayout playbackOnly =
        PlanCaptureLayout(std::vector<ElementInfo>{Element("Master", false, false, 2, true)});
    EXPECT_TRUE(playbackOnly.Sources().empty());
    EXPECT_FALSE(playbackOnly.elements.front().has_value());
}

TEST(MixerLayout, LineAndControlIdsAreUniqueAcrossTheWholeMixer) {
    const CaptureLayout layout = PlanCaptureLayout(std::vector<ElementInfo>{
        Element("Capture", true, true, 2, false), Element("Mic", true, true, 1, true),
        Element("Line", true, true, 2, false), Element("Aux", true, false, 2, true)});
    EXPECT_NO_THROW(ValidateModel(layout.model));
    std::set<std::uint32_t> ids;
    auto add = [&](const ModelLine& line) {
        EXPECT_TRUE(ids.insert(line.id).second) << line.id;
        for (const MixerControl& control : line.controls)
            EXPECT_TRUE(ids.insert(control.controlId).second) << control.controlId;
    };
    add(layout.Destination());
    for (const ModelLine& source : layout.Sources())
        add(source);
    EXPECT_EQ(ids.size(), 4u + 2 + 2 + 2 + 1);
}

TEST(SourceTypeForName, ReadsTheWordsOfTheName) {
    const std::pair<std::string_view, ComponentType> cases[] = {
        {"Mic", ComponentType::SrcMicrophone},
        {"Rear Mic", ComponentType::SrcMicrophone},
        {"Internal Microphone", ComponentType::SrcMicrophone},
        {"Headset", ComponentType::SrcMicrophone},
        {"Line", ComponentType::SrcLine},
        {"CD", ComponentType::SrcCompactDisc},
        {"Aux", ComponentType::SrcAuxiliary},
        {"IEC958", ComponentType::SrcDigital},
        {"Mix", ComponentType::SrcUndefined},  // a word, not a piece of one: "Mix" is no "Mic"
        {"Music", ComponentType::SrcUndefined},
    };
    for (const auto& [name, type] : cases)
        EXPECT_EQ(SourceTypeForName(name), type) << name;
}

}  // namespace
}  // namespace zav::platform::alsa
