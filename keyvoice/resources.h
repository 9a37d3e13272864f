#pragma once
// KeyVoice's dialog and icon resources: the recorder dialog (template 102), the About box
// (template 100), the program's icon (128) and the pictures of PLAY, STOP and REC (141 to 143),
// all as data that the window backend builds from. The string table is string_table.h.

#include <cstdint>

#include "platform/ui/dialog_template.h"
#include "platform/ui/icon_drawing.h"
#include "platform/ui/program_text.h"

namespace keyvoice {

// Resource ids.
inline constexpr int kIddAboutBox = 100;
inline constexpr int kIddKeyVoice = 102;
inline constexpr int kIdrMainFrame = 128;  // the program's icon
inline constexpr int kIdiPlay = 141;       // black right-pointing triangle
inline constexpr int kIdiStop = 142;       // black square
inline constexpr int kIdiRec = 143;        // dark red disc

// Control ids of template 102.
inline constexpr int kIdcKeyW = 1000;
inline constexpr int kIdcKey1 = 1001;
inline constexpr int kIdcKey2 = 1002;
inline constexpr int kIdcKey3 = 1003;
inline constexpr int kIdcKey4 = 1004;
inline constexpr int kIdcKey5 = 1005;
inline constexpr int kIdcKey6 = 1006;
inline constexpr int kIdcKey7 = 1007;
inline constexpr int kIdcKey8 = 1008;
inline constexpr int kIdcKey9 = 1009;
inline constexpr int kIdcPosition = 1010;      // horizontal trackbar
inline constexpr int kIdcRecordVolume = 1011;  // vertical trackbar, minimum at the top
inline constexpr int kIdcMeterFrame = 1013;    // sunken frame holding the level meter
inline constexpr int kIdcKey0 = 1017;
inline constexpr int kIdcPlay = 1018;
inline constexpr int kIdcStop = 1019;
inline constexpr int kIdcRec = 1020;
inline constexpr int kIdcErase = 1021;

// The About item's window-menu command (IDM_ABOUTBOX).
inline constexpr std::uint32_t kIdmAboutBox = 0x0010;

const zav::platform::DialogTemplate& KeyVoiceTemplate();
const zav::platform::DialogTemplate& AboutBoxTemplate();

const zav::platform::IconDrawing& MainFrameIcon();
const zav::platform::IconDrawing& PlayIcon();
const zav::platform::IconDrawing& StopIcon();
const zav::platform::IconDrawing& RecIcon();
// LoadIcon: the icon resource with this id, or nullptr.
const zav::platform::IconDrawing* FindIcon(int iconId);

// The program's name, version and --help text, for the program shell.
extern const zav::platform::WindowedProgram kProgram;

}  // namespace keyvoice
