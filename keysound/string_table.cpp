#include "keysound/string_table.h"

#include <array>
#include <utility>

namespace keyvoice {

namespace {

constexpr std::array<std::pair<StringId, std::string_view>, 17> kStrings{{
    {StringId::AboutMenuItem, "About (&A)..."},
    {StringId::Play, "PLAY"},
    {StringId::Stop, "STOP"},
    {StringId::Rec, "REC"},
    {StringId::EraseQuestion, "Are you sure you want to erase key %d sound ?"},
    {StringId::NoRecordDevice, "The voice recording device could not be found."},
    {StringId::NoPlayDevice, "The voice play device could not be found."},
    {StringId::NotInstalled, "Zav was not installed."},
    {StringId::NotEnoughMemory, "There is not enough free memory."},
    {StringId::InsertCd, "Please insert the ZAV CD-ROM and try again."},
    {StringId::TimerError,
     "System Timer error is occured. Please restart your computer and try again."},
    {StringId::WriteErrorKey6, "There was a voice recording write error to key 6."},
    {StringId::WriteErrorKey7, "There was a voice recording write error to key 7."},
    {StringId::WriteErrorKey8, "There was a voice recording write error to key 8."},
    {StringId::WriteErrorKey9, "There was a voice recording write error to key 9."},
    {StringId::WriteErrorKey0, "There was a voice recording write error to key 0."},
    {StringId::NoVolumeControl, "You cannot control the volume level in the Zav Sound Recorder."},
}};

}  // namespace

std::string_view LoadString(StringId id) {
    for (const auto& [key, text] : kStrings) {
        if (key == id)
            return text;
    }
    return {};
}

}  // namespace keyvoice
