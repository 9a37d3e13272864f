#pragma once
// VoxGauge's resources: the setup dialog (template 102) and the About box (template 100), the
// string table and the program's icon (128), all as data that the window backend builds from.

#include <cstdint>
#include <string_view>

#include "platform/ui/dialog_template.h"
#include "platform/ui/icon_drawing.h"
#include "platform/ui/program_text.h"

namespace voxgauge {

// Resource ids.
inline constexpr int kIddAboutBox = 100;
inline constexpr int kIddMicSetup = 102;
inline constexpr int kIdrMainFrame = 128;  // the icon

// Control ids of template 102 (IDC_MIC_VOLUME, IDC_LEVEL_GAUGE).
inline constexpr int kIdcMicVolume = 1001;
inline constexpr int kIdcLevelGauge = 1002;

// The About item's window-menu command (IDM_ABOUTBOX).
inline constexpr std::uint32_t kIdmAboutBox = 0x0010;

enum class StringId : int {
    AboutMenuItem = 101,
    NoDirectSound = 102,
    NoFullDuplex = 103,
};

// The text of a string resource; empty for an id the table does not hold.
std::string_view LoadString(StringId id);

// Captions of VoxGauge's two message boxes.
inline constexpr std::string_view kMicTestErrorCaption = "Microphone Test Error";
inline constexpr std::string_view kMicCheckCaption = "Microphone Check";

const zav::platform::DialogTemplate& MicSetupTemplate();
const zav::platform::DialogTemplate& AboutBoxTemplate();
const zav::platform::IconDrawing& MainFrameIcon();

// The program's name, version and --help text, for the program shell.
extern const zav::platform::WindowedProgram kProgram;

}  // namespace voxgauge
