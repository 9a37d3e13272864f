#pragma once
// The recorder dialog on the simulated card, mixer and multimedia timer, all moving with one
// manual clock, with an in-memory store and files, a fake window and a user who clicks.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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
#include "tests/support/keyvoice_install.h"

namespace keyvoice_test {

namespace platform = zav::platform;
namespace sim = zav::platform::sim;
using namespace keyvoice;
using namespace zav::test;

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

    // A KeyVoice installation (see InstallKeyVoice), by default in the rig's own store and files,
    // or in others that the test gives.
    void Install(platform::RegistryStore* into = nullptr, platform::FileSystem* filesInto = nullptr,
                 std::string_view dataPath = kDataPath, std::string_view sysPath = kSysPath) {
        InstallKeyVoice(into != nullptr ? *into : store, filesInto != nullptr ? *filesInto : files,
                        dataPath, sysPath);
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
    // Samples played after the first `from` of them.
    std::vector<std::int16_t> PlayedFrom(std::size_t from) const {
        const std::vector<std::int16_t> all = Played();
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end()};
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
