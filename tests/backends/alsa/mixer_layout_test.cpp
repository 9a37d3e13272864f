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
    const MixerLayout mono = PlanCaptureLayout(ServerElements(1, true));
    EXPECT_EQ(mono.destination.type, ComponentType::DstWaveIn);
    EXPECT_TRUE(mono.destination.controls.empty());
    ASSERT_EQ(mono.sources.size(), 1u);
    const LinePlan& mic = mono.sources[0];
    EXPECT_EQ(mic.type, ComponentType::SrcMicrophone);
    EXPECT_EQ(mic.element, 1u);
    EXPECT_EQ(mic.channels, 1u);
    ASSERT_EQ(mic.controls.size(), 2u);
    EXPECT_EQ(mic.controls[0].kind, ControlKind::Volume);
    EXPECT_TRUE(mic.controls[0].uniform);
    EXPECT_EQ(mic.controls[1].kind, ControlKind::Mute);
    EXPECT_TRUE(mic.controls[1].uniform);

    // A stereo source: two channels whose volumes are not joined, one joined switch.
    const MixerLayout stereo = PlanCaptureLayout(ServerElements(2, false));
    ASSERT_EQ(stereo.sources.size(), 1u);
    EXPECT_EQ(stereo.sources[0].channels, 2u);
    EXPECT_FALSE(stereo.sources[0].controls[0].uniform);
    EXPECT_TRUE(stereo.sources[0].controls[1].uniform);
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
    const MixerLayout layout = PlanCaptureLayout(card);
    EXPECT_EQ(layout.destination.element, 1u);
    EXPECT_EQ(layout.destination.controls.size(), 2u);
    EXPECT_EQ(layout.destination.channels, 2u);
    std::vector<ComponentType> types;
    for (const LinePlan& source : layout.sources)
        types.push_back(source.type);
    // In the card's order; the boost is no source.
    EXPECT_EQ(types, (std::vector<ComponentType>{
                         ComponentType::SrcCompactDisc, ComponentType::SrcMicrophone,
                         ComponentType::SrcLine, ComponentType::SrcDigital}));
    EXPECT_EQ(layout.sources[3].controls.size(), 1u);  // a volume, no switch
}

TEST(MixerLayout, WithoutAMicrophoneAmongSeveralInputsThereIsNone) {
    const MixerLayout layout = PlanCaptureLayout(std::vector<ElementInfo>{
        Element("Capture", true, true, 2, false), Element("Line", true, true, 2, false)});
    EXPECT_EQ(layout.destination.element, 0u);
    ASSERT_EQ(layout.sources.size(), 1u);
    EXPECT_EQ(layout.sources[0].type, ComponentType::SrcLine);

    const MixerLayout playbackOnly =
        PlanCaptureLayout(std::vector<ElementInfo>{Element("Master", false, false, 2, true)});
    EXPECT_TRUE(playbackOnly.sources.empty());
    EXPECT_FALSE(playbackOnly.destination.element.has_value());
}

TEST(MixerLayout, LineAndControlIdsAreUniqueAcrossTheWholeMixer) {
    const MixerLayout layout = PlanCaptureLayout(std::vector<ElementInfo>{
        Element("Capture", true, true, 2, false), Element("Mic", true, true, 1, true),
        Element("Line", true, true, 2, false), Element("Aux", true, false, 2, true)});
    std::set<std::uint32_t> ids;
    auto add = [&](const LinePlan& line) {
        EXPECT_TRUE(ids.insert(line.id).second) << line.id;
        for (const ControlPlan& control : line.controls)
            EXPECT_TRUE(ids.insert(control.id).second) << control.id;
    };
    add(layout.destination);
    for (const LinePlan& source : layout.sources)
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
