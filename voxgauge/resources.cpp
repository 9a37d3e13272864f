#include "voxgauge/resources.h"

#include <array>
#include <string_view>
#include <utility>

#include "packaging/program_info.h"

namespace voxgauge {

namespace {

using Kind = zav::platform::ControlKind;
using zav::platform::ControlTemplate;
using zav::platform::DialogTemplate;
using zav::platform::IconDrawing;
using zav::platform::IconShape;
using zav::platform::kIdOk;
using zav::platform::kIdStatic;
using zav::platform::kStyleNone;
using zav::platform::kStyleSelectionRange;
using zav::platform::kStyleTabStop;
using zav::platform::kStyleTicksBothSides;

constexpr std::array<std::pair<StringId, std::string_view>, 3> kStrings{{
    {StringId::AboutMenuItem, "&About VoxGauge..."},
    {StringId::NoDirectSound,
     "This computer does not support DirectSound 3.\n"
     "You will be able to use a microphone with Pim Pim on Zav."},
    // The blanks before the line breaks and the doubled quotation marks belong to the text.
    {StringId::NoFullDuplex,
     "Your sound card does not support enhanced full duplex audio.  \n"
     "You will not be able to use a microphone with Pim Pim on Zav, the Quiet Planet. \n"
     "Please enjoy communicating with Pim Pim by pressing the one through zero keys \n"
     "on your keyboard. Press the W key to call Pim Pim. \n"
     "Please refer to \"\"Microphone Troubleshooting\"\" in your manual."},
}};

constexpr std::string_view kInstructions =
    "Speak into the microphone in a normal tone of voice until the volume needle is at "
    "\"Just Right !\".  You can adjust the microphone volume using the slider control below.";

constexpr std::string_view kDialogFont = "MS Sans Serif";
// The label under the slider, which also names the slider for assistive tools.
constexpr std::string_view kMicVolumeLabel = "Microphone Volume";
// The gauge has no label of its own; the words around it name its ends.
constexpr std::string_view kGaugeName = "Voice Level";
constexpr std::uint32_t kVolumeSliderStyle =
    kStyleTicksBothSides | kStyleSelectionRange | kStyleTabStop;

// Icon 128: a microphone on its stand in front of a level arc, on a deep blue tile.
constexpr std::array<IconShape, 9> kMainFrameShapes{{
    zav::platform::IconRoundRect(1, 1, 31, 31, 7, 0xFF2E5E8C),
    zav::platform::IconArc(16, 15, 12.5f, 2.2f, 150, -120, 0xFF7FD19A),
    zav::platform::IconRoundRect(12, 5, 20, 19, 4, 0xFFF4F6F8),
    zav::platform::IconLine(13.2f, 10, 18.8f, 10, 0.9f, 0xFFB8C4CF),
    zav::platform::IconLine(13.2f, 13, 18.8f, 13, 0.9f, 0xFFB8C4CF),
    zav::platform::IconArc(16, 14, 7, 1.8f, 180, 180, 0xFFF4F6F8),
    zav::platform::IconLine(16, 21, 16, 25.5f, 1.8f, 0xFFF4F6F8),
    zav::platform::IconLine(11.5f, 26, 20.5f, 26, 2.0f, 0xFFF4F6F8),
    zav::platform::IconDisc(24.5f, 7.5f, 2.2f, 0xFFF2C14E),
}};

constexpr IconDrawing kMainFrame{kIdrMainFrame, 32, kMainFrameShapes};

// Template 102, in template order (the tab order).
constexpr std::array<ControlTemplate, 10> kMicSetupControls{{
    {Kind::DefaultPushButton, kIdOk, "OK", {175, 183, 50, 14}, kStyleTabStop, nullptr},
    {Kind::TrackbarHorizontal,
     kIdcMicVolume,
     "",
     {58, 150, 114, 21},
     kVolumeSliderStyle,
     nullptr,
     kMicVolumeLabel},
    {Kind::StaticLeft, kIdStatic, "Just Right !", {99, 12, 36, 8}, kStyleNone, nullptr},
    {Kind::StaticLeft, kIdStatic, "- Too Loud", {176, 63, 38, 10}, kStyleNone, nullptr},
    {Kind::StaticLeft, kIdStatic, "Too Quiet -", {15, 63, 38, 10}, kStyleNone, nullptr},
    {Kind::StaticLeft, kIdStatic, kInstructions, {19, 111, 191, 31}, kStyleNone, nullptr},
    {Kind::StaticCentre, kIdStatic, kMicVolumeLabel, {53, 172, 117, 8}, kStyleNone, nullptr},
    {Kind::Gauge, kIdcLevelGauge, "", {55, 26, 118, 74}, kStyleTabStop, nullptr, kGaugeName},
    {Kind::StaticLeft, kIdStatic, "min", {61, 143, 12, 8}, kStyleNone, nullptr},
    {Kind::StaticLeft, kIdStatic, "max", {156, 143, 14, 8}, kStyleNone, nullptr},
}};

constexpr DialogTemplate kMicSetup{.id = kIddMicSetup,
                                   .caption = "ZAV Microphone Setup",
                                   .fontName = kDialogFont,
                                   .pointSize = 8,
                                   .width = 230,
                                   .height = 202,
                                   .showInTaskBar = true,
                                   .controls = kMicSetupControls};

constexpr std::array<ControlTemplate, 3> kAboutControls{{
    {Kind::Icon, kIdStatic, "", {11, 17, 20, 20}, kStyleNone, &kMainFrame},
    {Kind::StaticLeft, kIdStatic, "VoxGauge Version 1.0", {40, 10, 119, 8}, kStyleNone, nullptr},
    {Kind::DefaultPushButton, kIdOk, "OK", {178, 7, 32, 14}, kStyleTabStop, nullptr},
}};

constexpr DialogTemplate kAboutBox{.id = kIddAboutBox,
                                   .caption = "About VoxGauge",
                                   .fontName = kDialogFont,
                                   .pointSize = 8,
                                   .width = 217,
                                   .height = 55,
                                   .showInTaskBar = false,
                                   .controls = kAboutControls};

}  // namespace

std::string_view LoadString(StringId id) {
    for (const auto& [key, text] : kStrings) {
        if (key == id)
            return text;
    }
    return {};
}

const DialogTemplate& MicSetupTemplate() {
    return kMicSetup;
}
const DialogTemplate& AboutBoxTemplate() {
    return kAboutBox;
}
const IconDrawing& MainFrameIcon() {
    return kMainFrame;
}

namespace {

constexpr zav::platform::ProgramHelp kHelp{
    "usage: voxgauge [--help | --version]\n"
    "\n"
    "Checks the microphone for Zav: a needle gauge follows your voice while a slider sets\n"
    "the microphone's recording volume, and OK stores the mixer's recording settings for\n"
    "Zav. The program takes no other arguments and ignores any it is given.\n",
    // Where the Windows program keeps its values.
    "The settings go to the system registry, under HKEY_LOCAL_MACHINE\\Software\\TAMBORI\\\n"
    "ZAV  - Blue Hollow -\\2.0, where Zav reads them.\n"};

}  // namespace

const zav::platform::WindowedProgram kProgram{"voxgauge", zav::packaging::kVersion,
                                              "VoxGauge", zav::packaging::kVoxGaugeDesktopId,
                                              "keyvoice", kHelp};

}  // namespace voxgauge
