#include "keyvoice/resources.h"

#include <array>
#include <string_view>

#include "packaging/program_info.h"

namespace keyvoice {

namespace {

using Kind = zav::platform::ControlKind;
using zav::platform::ControlTemplate;
using zav::platform::DialogTemplate;
using zav::platform::IconDrawing;
using zav::platform::IconShape;
using zav::platform::kIdOk;
using zav::platform::kIdStatic;
using zav::platform::kStyleNone;
using zav::platform::kStyleShowIcon;
using zav::platform::kStyleTabStop;
using zav::platform::kStyleTicksBothSides;
using zav::platform::kStyleTransparent;

constexpr std::string_view kCaption = "ZAV Sound Recorder";
constexpr std::string_view kDialogFont = "MS Sans Serif";

constexpr std::uint32_t kBlack = 0xFF000000;
constexpr std::uint32_t kDarkRed = 0xFF8B0000;

// Icon 128: a key cap with a record dot, sending sound waves up to the right, on a violet tile.
constexpr std::array<IconShape, 6> kMainFrameShapes{{
    zav::platform::IconRoundRect(1, 1, 31, 31, 7, 0xFF3A2F6B),
    zav::platform::IconRoundRect(4, 15, 19, 29, 3, 0xFFA89F8C),
    zav::platform::IconRoundRect(5, 15, 18, 26.5f, 2.5f, 0xFFF1ECE0),
    zav::platform::IconDisc(11.5f, 20.75f, 3.6f, 0xFFC62828),
    zav::platform::IconArc(11.5f, 20.75f, 11, 2.2f, 20, 50, 0xFFF2C14E),
    zav::platform::IconArc(11.5f, 20.75f, 16, 2.2f, 22, 46, 0xFFF2C14E),
}};
constexpr std::array<IconShape, 1> kPlayShapes{{
    zav::platform::IconTriangle(9, 5, 9, 27, 26, 16, kBlack),
}};
constexpr std::array<IconShape, 1> kStopShapes{{
    zav::platform::IconRoundRect(7, 7, 25, 25, 0, kBlack),
}};
constexpr std::array<IconShape, 1> kRecShapes{{
    zav::platform::IconDisc(16, 16, 10, kDarkRed),
}};

constexpr IconDrawing kMainFrame{kIdrMainFrame, 32, kMainFrameShapes};
constexpr IconDrawing kPlay{kIdiPlay, 32, kPlayShapes};
constexpr IconDrawing kStop{kIdiStop, 32, kStopShapes};
constexpr IconDrawing kRec{kIdiRec, 32, kRecShapes};

constexpr std::string_view kInstructions =
    "The 'W' and 1 through 5 keys play the Sounds of Zav. You can record your own voice with "
    "keys 6 through 0. Click OK when finished, and use these keys on your keyboard to "
    "communicate with Pim Pim.";

constexpr std::uint32_t kIconButton = kStyleTabStop | kStyleShowIcon;

// Labels that also name, for assistive tools, the control they stand beside. The position
// slider's neighbour ("2.00 sec") is its length, not its name, so it is named on its own.
constexpr std::string_view kRecordVolumeLabel = "Record Volume";
constexpr std::string_view kMeterLabel = "Volume";
constexpr std::string_view kPositionName = "Position";

constexpr ControlTemplate Key(int id, std::string_view text, int x) {
    return {Kind::PushButton, id, text, {x, 66, 16, 16}, kStyleTabStop, nullptr};
}

constexpr ControlTemplate Label(Kind kind, std::string_view text, zav::platform::DialogRect rect) {
    return {kind, kIdStatic, text, rect, kStyleNone, nullptr};
}

// Template 102, in template order (the tab order).
constexpr std::array<ControlTemplate, 34> kKeyVoiceControls{{
    {Kind::DefaultPushButton, kIdOk, "OK", {260, 162, 51, 14}, kStyleTabStop, nullptr},
    Key(kIdcKeyW, "W", 17),
    Key(kIdcKey1, "1", 43),
    Key(kIdcKey2, "2", 62),
    Key(kIdcKey3, "3", 81),
    Key(kIdcKey4, "4", 100),
    Key(kIdcKey5, "5", 119),
    Key(kIdcKey6, "6", 152),
    Key(kIdcKey7, "7", 171),
    Key(kIdcKey8, "8", 190),
    Key(kIdcKey9, "9", 209),
    Key(kIdcKey0, "0", 228),
    {Kind::PushButton, kIdcPlay, "PLAY", {21, 139, 32, 16}, kIconButton, &kPlay},
    {Kind::PushButton, kIdcStop, "STOP", {56, 139, 32, 16}, kIconButton, &kStop},
    {Kind::PushButton, kIdcRec, "REC", {91, 139, 32, 16}, kIconButton, &kRec},
    {Kind::PushButton, kIdcErase, "Erase", {151, 139, 32, 16}, kStyleTabStop, nullptr},
    {Kind::TrackbarVertical,
     kIdcRecordVolume,
     "",
     {253, 45, 27, 75},
     kStyleTicksBothSides | kStyleTransparent | kStyleTabStop,
     nullptr,
     kRecordVolumeLabel},
    {Kind::TrackbarHorizontal,
     kIdcPosition,
     "",
     {12, 114, 177, 24},
     kStyleTicksBothSides | kStyleTabStop,
     nullptr,
     kPositionName},
    Label(Kind::StaticCentre, kRecordVolumeLabel, {254, 135, 25, 17}),
    Label(Kind::GroupBox, "", {6, 6, 305, 154}),
    Label(Kind::StaticLeft, kInstructions, {13, 19, 234, 28}),
    Label(Kind::StaticLeft, "Whistle", {13, 88, 24, 13}),
    Label(Kind::StaticLeft, "Quiet", {42, 88, 18, 13}),
    Label(Kind::StaticLeft, "Friendly", {75, 88, 24, 13}),
    Label(Kind::StaticLeft, "Scared", {114, 88, 24, 13}),
    Label(Kind::GroupBox, "Contactee Sounds", {145, 50, 105, 61}),
    Label(Kind::GroupBox, "Sounds of Zav", {10, 50, 132, 61}),
    Label(Kind::StaticLeft, "2.00 sec", {191, 120, 35, 13}),
    {Kind::StaticSunken, kIdcMeterFrame, "", {289, 42, 15, 85}, kStyleNone, nullptr, kMeterLabel},
    Label(Kind::StaticCentre, kMeterLabel, {284, 135, 25, 12}),
    Label(Kind::StaticLeft, "------", {60, 88, 12, 11}),
    Label(Kind::StaticLeft, "------", {100, 88, 12, 12}),
    Label(Kind::StaticCentre, "High", {259, 33, 15, 8}),
    Label(Kind::StaticCentre, "Low", {258, 120, 17, 9}),
}};

constexpr DialogTemplate kKeyVoice{.id = kIddKeyVoice,
                                   .caption = kCaption,
                                   .fontName = kDialogFont,
                                   .pointSize = 8,
                                   .width = 318,
                                   .height = 183,
                                   .showInTaskBar = true,
                                   .controls = kKeyVoiceControls};

// Template 100: the icon, the version line and OK, in a 9-point font.
constexpr std::array<ControlTemplate, 3> kAboutControls{{
    {Kind::Icon, kIdStatic, "", {11, 10, 20, 20}, kStyleNone, &kMainFrame},
    Label(Kind::StaticLeft, "ZAV Sound Recorder Version 1.0", {40, 14, 130, 10}),
    {Kind::DefaultPushButton, kIdOk, "OK", {178, 10, 40, 14}, kStyleTabStop, nullptr},
}};

constexpr DialogTemplate kAboutBox{.id = kIddAboutBox,
                                   .caption = kCaption,
                                   .fontName = kDialogFont,
                                   .pointSize = 9,
                                   .width = 228,
                                   .height = 40,
                                   .showInTaskBar = false,
                                   .controls = kAboutControls};

constexpr std::array<const IconDrawing*, 4> kIcons{&kMainFrame, &kPlay, &kStop, &kRec};

}  // namespace

const DialogTemplate& KeyVoiceTemplate() {
    return kKeyVoice;
}
const DialogTemplate& AboutBoxTemplate() {
    return kAboutBox;
}

const IconDrawing& MainFrameIcon() {
    return kMainFrame;
}
const IconDrawing& PlayIcon() {
    return kPlay;
}
const IconDrawing& StopIcon() {
    return kStop;
}
const IconDrawing& RecIcon() {
    return kRec;
}

const IconDrawing* FindIcon(int iconId) {
    for (const IconDrawing* icon : kIcons) {
        if (icon->id == iconId)
            return icon;
    }
    return nullptr;
}

namespace {

// What KeyVoice's help lists besides the sound's and the system's variables.
constexpr zav::platform::EnvironmentVariable kVariables[] = {
    {"ZAV_SIM_SPEAKER=FILE.wav", "keeps what the simulated card's speaker played"},
};

constexpr zav::platform::ProgramHelp kHelp{
    "usage: keyvoice [--help | --version]\n"
    "\n"
    "Records your own key sounds for Zav: W and 1 to 5 play Zav's sounds, and 6, 7, 8, 9\n"
    "and 0 each hold a 2.00-second recording of your voice that you record, play and erase\n"
    "here; OK stores the new recordings for Zav. KeyVoice needs an installation of Zav\n"
    "(zavtool demo-install makes a sample one). The program takes no other arguments and\n"
    "ignores any it is given.\n",
    // Where the Windows program keeps its values.
    "Zav's folders and the recordings are found in the system registry, under\n"
    "HKEY_LOCAL_MACHINE\\Software\\TAMBORI\\ZAV  - Blue Hollow -\\2.0.\n",
    kVariables};

}  // namespace

const zav::platform::WindowedProgram kProgram{"keyvoice", zav::packaging::kVersion,
                                              "KeyVoice", zav::packaging::kKeyVoiceDesktopId,
                                              "voxgauge", kHelp};

}  // namespace keyvoice
