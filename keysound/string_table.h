#pragma once
// KeyVoice's string resources (US English), by resource id.

#include <string_view>

namespace keyvoice {

enum class StringId : int {
    AboutMenuItem = 101,
    Play = 1018,
    Stop = 1019,
    Rec = 1020,
    EraseQuestion = 1021,
    NoRecordDevice = 1022,
    NoPlayDevice = 1023,
    NotInstalled = 1024,
    NotEnoughMemory = 1025,
    InsertCd = 1026,
    TimerError = 1027,
    WriteErrorKey6 = 1028,
    WriteErrorKey7 = 1029,
    WriteErrorKey8 = 1030,
    WriteErrorKey9 = 1031,
    WriteErrorKey0 = 1032,
    NoVolumeControl = 1033,
};

// The text of a string resource; empty for an id the table does not hold.
std::string_view LoadString(StringId id);

// Captions of KeyVoice's message boxes.
inline constexpr std::string_view kErrorCaption = "Error";
inline constexpr std::string_view kWarningCaption = "Warning";
inline constexpr std::string_view kEraseCaption = "Erase";

}  // namespace keyvoice
