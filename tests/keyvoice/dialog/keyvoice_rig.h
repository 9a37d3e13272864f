#pragma once
// The recorder dialog on the simulated card, mixer and multimedia timer, all moving with one
// manual clock, with an in-memory store and files, a fake window and a user who clicks.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "keysound/config_store.h"
#include "keysound/wax_file.h"
#include "keyvoice/key_voice_dlg.h"
#include "keyvoice/resources.h"
#include "platform/sim/demo_mixer.h"
#include "platform/sim/mixer_sim.h"
#include "platform/sim/sim_sound_card.h"
#include "platform/testing/fake_dialog_runner.h"
#include "platform/testing/manual_dispatcher.h"
#include "platform/testing/memory_file_system.h"
#include "platform/testing/memory_registry.h"
#include "platform/testing/recording_message_boxes.h"
#include "platform/testing/sim_clock.h"
#include "platform/testing/sim_multimedia_timer.h"

namespace keyvoice_test {

namespace platform = zav::platform;
namespace sim = zav::platform::sim;
using namespace keyvoice;

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

// Writes samples as a .wax file, as the host product's sounds and KeyVoice's recordings are.
inline void PutWax(platform::FileSystem& files, std::string_view path,
                   const std::vector<std::int16_t>& samples) {
    Sound sound(kRecordingFormat, samples.size());
    std::ranges::copy(samples, sound.Samples().begin());
    ASSERT_EQ(WriteWaxFile(files, path, sound.Header()), WaxWriteResult::Written);
}

inline void SetValue(platform::RegistryStore& store, std::string_view name, std::string_view text) {
    platform::RegistryKey key;
    store.CreateKey(kZavHive, kZavKeyPath, platform::Access::All, key);
    key.SetString(name, text);
}

inline std::optional<std::string> Value(platform::RegistryStore& store, std::string_view name) {
    platform::RegistryKey key;
    if (store.OpenKey(kZavHive, kZavKeyPath, platform::Access::Read, key) !=
        platform::RegResult::Success) {
        return std::nullopt;
    }
    platform::RegistryValue value;
    if (key.Query(name, value) != platform::RegResult::Success)
        return std::nullopt;
    return std::string(value.data.begin(), value.data.end());
}

// Files that remember which paths were read.
class LoggingFiles : public sim::MemoryFileSystem {
  public:
    platform::FileStatus ReadFile(std::string_view hostPath, std::uint64_t maxBytes,
                                  std::vector<std::uint8_t>& data) override {
        reads.emplace_back(hostPath);
        return MemoryFileSystem::ReadFile(hostPath, maxBytes, data);
    }
    std::vector<std::string> reads;
};

// The built-in sound of a slot: a tone of its own pitch.
inline std::vector<std::int16_t> BuiltinTone(int slot) {
    return Tone(0.5 + 0.1 * slot, 300.0 + 100.0 * slot, 9000);
}

struct RigOptions {
    sim::SimCardConfig card;
    bool installed = true;
};

class KeyVoiceRig {
  public:
    explicit KeyVoiceRig(RigOptions options = {}) : card(std::move(options.card)), timer(clock) {
        card.SetViolationHandler([](std::string_view message) { ADD_FAILURE() << message; });
        mixer.SetViolationHandler([](std::string_view message) { ADD_FAILURE() << message; });
        dispatcher.SetViolationHandler([](std::string_view message) { ADD_FAILURE() << message; });
        clock.Attach(card);
        clock.AttachDispatcher(dispatcher);
        if (options.installed)
            Install();
    }
    ~KeyVoiceRig() {
        window.reset();
        dialog.reset();
        clock.Detach(card);
    }

    // DataPath and ZavSysPath, the six built-in sounds of the "f" set, no setup file; by
    // default in the rig's own store and files, or in others that the test gives.
    void Install(platform::RegistryStore* into = nullptr, platform::FileSystem* filesInto = nullptr,
                 std::string_view dataPath = kDataPath, std::string_view sysPath = kSysPath) {
        platform::RegistryStore& where = into != nullptr ? *into : store;
        platform::FileSystem& fileWhere = filesInto != nullptr ? *filesInto : files;
        SetValue(where, "DataPath", dataPath);
        SetValue(where, "ZavSysPath", sysPath);
        for (int slot = 0; slot < kBuiltinSlotCount; ++slot) {
            PutWax(fileWhere, std::string(dataPath) + BuiltinFileName(slot, kDefaultSoundVariant),
                   BuiltinTone(slot));
        }
    }

    // Builds the dialog and its window, as the application does; true when it runs.
    bool Open() {
        dialog = std::make_unique<CKeyVoiceDlg>(Services());
        window = std::make_unique<sim::FakeDialog>(CKeyVoiceDlg::Template(), *dialog, &boxes);
        return window->Open();
    }
    KeyVoiceServices Services() {
        return {card,
                mixer,
                timer,
                storeInUse != nullptr ? *storeInUse : store,
                filesInUse != nullptr ? *filesInUse : files,
                dispatcher,
                runner,
                allocator};
    }

    void Advance(std::uint64_t milliseconds) { clock.Advance(milliseconds); }
    bool Click(int id) { return window->Click(id); }
    sim::FakeDialogView& View() { return window->View(); }
    int Slider() { return View().GetSliderPos(kIdcPosition); }
    bool Enabled(int id) { return View().IsControlEnabled(id); }
    const RecordableSlotState& Recordable(int slot) {
        return dialog->Slots().recordable[static_cast<std::size_t>(slot)];
    }
    const Sound& Builtin(int slot) {
        return *dialog->Slots().builtin[static_cast<std::size_t>(slot)].sound;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const sim::ShownMessage& shown : boxes.shown)
            texts.push_back(shown.text);
        return texts;
    }
    // Samples the simulated speaker has played since the card was made.
    std::vector<std::int16_t> Played() const {
        const std::vector<std::uint8_t> bytes = card.PlayedBytes(0);
        std::vector<std::int16_t> samples(bytes.size() / 2);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        return samples;
    }

    sim::SimClock clock;
    sim::ManualDispatcher dispatcher;
    sim::SimSoundCard card;
    sim::SimMixer mixer{sim::DemoMixerTopology(), dispatcher};
    sim::SimMultimediaTimer timer;
    sim::MemoryRegistry store;
    LoggingFiles files;
    sim::RecordingMessageBoxes boxes;
    sim::FakeDialogRunner runner{boxes};
    RecordBufferAllocator allocator;
    platform::RegistryStore* storeInUse = nullptr;  // the dialog's, when not the rig's own
    platform::FileSystem* filesInUse = nullptr;
    std::unique_ptr<CKeyVoiceDlg> dialog;
    std::unique_ptr<sim::FakeDialog> window;
};

}  // namespace keyvoice_test
