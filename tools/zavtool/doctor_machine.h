#pragma once
// What zavtool doctor reads of the machine besides the store and the files: the environment,
// the programs' own choice of sound, and the names in a folder (the files seam lists none).
// zavtool's main passes the machine's own; the tests pass a simulated card and in-memory
// folders.
//
// Thread: the caller's.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/audio/audio_backend.h"
#include "platform/ui/dispatcher.h"

namespace zavtool {

class FolderReader {
  public:
    virtual ~FolderReader() = default;
    // The names of the entries of the folder at hostPath; nothing when there is no such folder.
    virtual std::optional<std::vector<std::string>> ListFolder(std::string_view hostPath) = 0;
};

// Folders on the machine's own file system.
class NativeFolderReader final : public FolderReader {
  public:
    std::optional<std::vector<std::string>> ListFolder(std::string_view hostPath) override;
};

// Picks the sound as KeyVoice and VoxGauge do at start (ChooseAudioBackend).
using AudioChooser = std::function<zav::platform::AudioSelection(
    zav::platform::Dispatcher& dispatcher, const zav::platform::EnvironmentLookup& env)>;

struct DoctorMachine {
    zav::platform::EnvironmentLookup environment;
    AudioChooser chooseAudio;
    FolderReader& folders;
};

}  // namespace zavtool
