#pragma once
// A KeyVoice installation of the host product for tests: DataPath and ZavSysPath in the store and
// the six built-in sounds of the default set, no setup file. InstallKeyVoice writes tones of our
// own into the store and files the test gives (in memory, or a folder of its own); DemoInstall
// has zavtool's demo-install command make one in a real folder, as a user would.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <numbers>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "keysound/key_slots.h"
#include "keysound/wax_file.h"
#include "keyvoice/key_voice_dlg.h"
#include "keyvoice/resources.h"
#include "platform/files/files.h"
#include "platform/registry/registry.h"
#include "tests/support/zav_values.h"
#include "tools/zavtool/command.h"

namespace zav::test {

inline constexpr std::string_view kDataPath = "C:\\ZAV\\DATA\\";
inline constexpr std::string_view kSysPath = "C:\\ZAV\\SYS";

// A tone of the recording format: the built-in sounds and the microphone's voice.
inline std::vector<std::int16_t> Tone(double seconds, double hertz, double amplitude) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(seconds * 22050));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(std::lround(
            amplitude * std::sin(2 * std::numbers::pi * hertz * static_cast<double>(i) / 22050)));
    }
    return samples;
}

// The built-in sound of a slot: a tone of its own pitch and length.
inline std::vector<std::int16_t> BuiltinTone(int slot) {
    return Tone(0.5 + 0.1 * slot, 300.0 + 100.0 * slot, 9000);
}

// Writes samples as a .wax file, as the host product's sounds and KeyVoice's recordings are.
inline void PutWax(platform::FileSystem& files, std::string_view path,
                   const std::vector<std::int16_t>& samples) {
    keyvoice::Sound sound(keyvoice::kRecordingFormat, samples.size());
    std::ranges::copy(samples, sound.Samples().begin());
    ASSERT_EQ(keyvoice::WriteWaxFile(files, path, sound.Header()),
              keyvoice::WaxWriteResult::Written);
}

inline void InstallKeyVoice(platform::RegistryStore& store, platform::FileSystem& files,
                            std::string_view dataPath = kDataPath,
                            std::string_view sysPath = kSysPath) {
    SetZavValue(store, keyvoice::kDataPathValue, dataPath);
    SetZavValue(store, keyvoice::kZavSysPathValue, sysPath);
    for (int slot = 0; slot < keyvoice::kBuiltinSlotCount; ++slot) {
        PutWax(
            files,
            std::string(dataPath) + keyvoice::BuiltinFileName(slot, keyvoice::kDefaultSoundVariant),
            BuiltinTone(slot));
    }
}

// zavtool demo-install into folder (which must exist), with store and files; false, with the
// command's complaint as a test failure, when it fails.
[[nodiscard]] inline bool DemoInstall(const std::filesystem::path& folder,
                                      platform::RegistryStore& store, platform::FileSystem& files) {
    const std::vector<std::string> args = {folder.string()};
    std::ostringstream out;
    std::ostringstream err;
    zavtool::CommandContext context{args, out, err, store, files};
    if (zavtool::RunDemoInstall(context) == zavtool::ExitStatus::Success)
        return true;
    ADD_FAILURE() << "zavtool demo-install " << folder << ": " << err.str();
    return false;
}

}  // namespace zav::test
