// A random user in front of the recorder for 100,000 actions: keys, PLAY, STOP, REC, Erase, OK,
// Enter and Esc, both sliders, the About item and volume changes by another program, at random
// moments while sounds play and takes record on the threaded card. After every action the
// buttons must match the phase, and no part may report a broken rule; after every dialog the
// store and the disk must hold exactly the takes confirmed with OK, and the next dialog must
// start with exactly those.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <chrono>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "keysound/string_table.h"
#include "keyvoice/key_voice_dlg.h"
#include "keyvoice/resources.h"
#include "platform/sim/demo_mixer.h"
#include "platform/sim/mixer_sim.h"
#include "platform/testing/memory_file_system.h"
#include "platform/testing/sim_multimedia_timer.h"
#include "tests/support/keyvoice_install.h"
#include "tests/users/recorder_model.h"
#include "tests/users/user_rig.h"

namespace random_user {
namespace {

namespace platform = zav::platform;
namespace sim = zav::platform::sim;
using namespace keyvoice;

constexpr std::uint64_t kDefaultActions = 100'000;

enum RecorderAction : std::size_t {
    kKey,
    kPlay,
    kStop,
    kRec,
    kErase,
    kOk,
    kEnter,
    kEscape,
    kPositionSlider,
    kRecordVolumeSlider,
    kVolumeFromOutside,
    kAbout,
    kRecorderActionCount,
};

constexpr std::array<std::string_view, kRecorderActionCount> kRecorderActionNames = {
    "key",
    "PLAY",
    "STOP",
    "REC",
    "Erase",
    "OK",
    "Enter",
    "Esc",
    "position slider",
    "record-volume slider",
    "volume changed by another program",
    "About"};

// How the user of one dialog behaves: how many times faster than real time the card runs, and
// how eagerly STOP is pressed while a sound plays or records (a weight beside the other
// actions'). Slow cards with a patient user let the 100 ms progress ticks come; fast cards with
// an eager one race STOP against the end of a sound.
struct Temper {
    double speed;
    double stopWeight;
    double share;  // how many of the dialogs have this user, relative to the others
};
constexpr std::array<Temper, 4> kTempers = {
    {{2000, 15, 3}, {300, 1.5, 3}, {40, 0.15, 3}, {5, 0.005, 1}}};

// The transport buttons in the order of the sets: PLAY, REC, Erase, STOP.
constexpr std::array<int, 4> kTransportIds = {kIdcPlay, kIdcRec, kIdcErase, kIdcStop};
using TransportSet = std::array<bool, 4>;
constexpr TransportSet kTransportOff = {false, false, false, false};
constexpr TransportSet kTransportBuiltin = {true, false, false, false};
constexpr TransportSet kTransportEmpty = {false, true, false, false};
constexpr TransportSet kTransportFilled = {true, true, true, false};
constexpr TransportSet kTransportBusy = {false, false, false, true};

std::string Describe(const TransportSet& set) {
    std::string text;
    constexpr std::array<std::string_view, 4> kNames = {"PLAY", "REC", "Erase", "STOP"};
    for (std::size_t i = 0; i < set.size(); ++i) {
        if (set[i])
            text += std::string(text.empty() ? "" : "+") + std::string(kNames[i]);
    }
    return text.empty() ? "none" : text;
}

std::string StateName(KeyState state) {
    switch (state) {
        case KeyState::Stopping:
            return "Stopping";
        case KeyState::Playing:
            return "Playing";
        case KeyState::Recording:
            return "Recording";
        case KeyState::Idle:
            return "Idle";
    }
    return "state " + std::to_string(static_cast<int>(state));
}

std::string KeyLabel(std::int32_t keyIndex) {
    const std::optional<KeySlot> key = KeyByIndex(keyIndex);
    return key ? std::string("key ") + key->label : "no key";
}

// The recorder running as a user meets it, on threads (UserRig), with the simulated multimedia
// timer on its own thread, a mixer, and the store and files of an installed host product (its
// paths and six built-in sounds) that outlive every dialog. The mixer reports its rule
// violations to the ViolationLog too. Thread: the test's thread for the members, except where
// noted.
class KeyVoiceRig : public UserRig<CKeyVoiceDlg> {
  public:
    explicit KeyVoiceRig(ViolationLog& violations)
        : UserRig(violations),
          mixer_(std::make_unique<sim::SimMixer>(sim::DemoMixerTopology(), Thread())) {
        mixer_->SetViolationHandler(violations_.Handler("mixer"));
        zav::test::InstallKeyVoice(Store(), files_);
        timer_.StartThreads();
    }
    ~KeyVoiceRig() {
        EndDialog();
        timer_.StopThreads();
        // The mixer goes on the dialog thread, where its notifications run.
        On([this] { mixer_.reset(); });
    }

    // A new dialog on a fresh card (see UserRig); true when it runs.
    bool StartDialog(double speed, sim::MicSignal voice) {
        return StartOn(speed, std::move(voice), [this](sim::SimSoundCard& card) {
            return KeyVoiceServices{card, *mixer_, timer_, Store(), files_, Thread(), Runner()};
        });
    }

    sim::SimMixer& Mixer() { return *mixer_; }
    sim::SimMultimediaTimer& Timer() { return timer_; }
    sim::MemoryFileSystem& Files() { return files_; }

  private:
    std::unique_ptr<sim::SimMixer> mixer_;  // destroyed on the dialog thread
    sim::SimMultimediaTimer timer_;
    sim::MemoryFileSystem files_;
};

// The user and the rules the dialog must keep. Thread: dialog (the test thread waits meanwhile).
class RecorderUser {
  public:
    RecorderUser(KeyVoiceRig& rig, Dice& dice, Tally& tally, RecorderModel& model,
                 ViolationLog& violations)
        : rig_(rig), dice_(dice), tally_(tally), model_(model), violations_(violations) {}

    // The meter levels the checks have seen.
    const std::bitset<kMeterSegmentCount + 1>& MeterLevelsSeen() const { return meterLevelsSeen_; }

    void NewDialog(const Temper& temper) {
        temper_ = temper;
        boxesSeen_ = rig_.Boxes().shown.size();
    }

    // One action, chosen among what the dialog offers now.
    void Act() {
        sim::FakeDialogView& view = rig_.Window().View();
        std::array<double, kRecorderActionCount> weights{};
        weights[kKey] = EnabledKeys().empty() ? 0 : 30;
        weights[kPlay] = view.IsControlEnabled(kIdcPlay) ? 12 : 0;
        weights[kRec] = view.IsControlEnabled(kIdcRec) ? 10 : 0;
        weights[kErase] = view.IsControlEnabled(kIdcErase) ? 3 : 0;
        weights[kStop] = view.IsControlEnabled(kIdcStop) ? temper_.stopWeight : 0;
        weights[kOk] = view.IsControlEnabled(platform::kIdOk) ? 0.5 : 0;
        weights[kEnter] = 0.15;  // refused while OK is disabled
        // A user who waits for the end of a sound does not leave while it plays either.
        weights[kEscape] =
            view.IsControlEnabled(kIdcStop) ? std::min(0.1, temper_.stopWeight) : 0.1;
        weights[kPositionSlider] = 6;
        weights[kRecordVolumeSlider] = 5;
        weights[kVolumeFromOutside] = 2;
        weights[kAbout] = 2;
        const auto action = static_cast<RecorderAction>(dice_.Weighted(weights));
        std::string detail;
        const bool accepted = Do(action, detail);
        tally_.Count(action, accepted, std::move(detail));
    }

    // The rules after an action; "" when every one holds, else the first that broke.
    std::string CheckRules() {
        if (violations_.Count() > 0)
            return "rule violation: " + violations_.First();
        if (std::string fault = CheckMessages(); !fault.empty())
            return fault;
        CKeyVoiceDlg& dialog = rig_.Dialog();
        sim::FakeDialogView& view = rig_.Window().View();
        const std::int32_t current = dialog.CurrentKey();
        const KeyState state = dialog.StateOfKey(current);
        for (const KeySlot& key : kKeySlots) {
            if (key.keyIndex != current && dialog.StateOfKey(key.keyIndex) != KeyState::Idle) {
                return KeyLabel(key.keyIndex) + " is " +
                       StateName(dialog.StateOfKey(key.keyIndex)) + " while " + KeyLabel(current) +
                       " is selected";
            }
        }
        const bool idle = state == KeyState::Idle;
        const std::string phase = KeyLabel(current) + " is " + StateName(state);
        // Every built-in sound is installed, so every key follows the phase alone.
        for (const KeySlot& key : kKeySlots) {
            if (view.IsControlEnabled(key.controlId) != idle)
                return KeyLabel(key.keyIndex) + (idle ? " is disabled" : " is enabled") +
                       " while " + phase;
            if (view.GetButtonState(key.controlId) != (key.keyIndex == current))
                return KeyLabel(key.keyIndex) + (key.keyIndex == current ? " is not" : " is") +
                       " drawn pushed in while " + phase;
        }
        if (view.IsControlEnabled(platform::kIdOk) != idle)
            return std::string("OK is ") + (idle ? "disabled" : "enabled") + " while " + phase;
        const TransportSet expected = idle ? IdleTransport(current) : kTransportBusy;
        TransportSet shown{};
        for (std::size_t i = 0; i < kTransportIds.size(); ++i)
            shown[i] = view.IsControlEnabled(kTransportIds[i]);
        if (shown != expected)
            return "the transport shows " + Describe(shown) + ", not " + Describe(expected) +
                   ", while " + phase;
        if (std::string fault = CheckEngine(idle, phase); !fault.empty())
            return fault;
        if (std::string fault = CheckSlots(); !fault.empty())
            return fault;
        return CheckRecordVolume();
    }

  private:
    bool Do(RecorderAction action, std::string& detail) {
        sim::FakeDialog& window = rig_.Window();
        switch (action) {
            case kKey: {
                const std::vector<KeySlot> keys = EnabledKeys();
                const KeySlot& key = dice_.PickFrom(std::span<const KeySlot>(keys));
                detail = std::string(1, key.label);
                return window.Click(key.controlId);
            }
            case kPlay:
                detail = KeyLabel(rig_.Dialog().CurrentKey());
                return window.Click(kIdcPlay);
            case kStop:
                return window.Click(kIdcStop);
            case kRec:
                return Rec(detail);
            case kErase:
                return Erase(detail);
            case kOk:
                return Confirm([&] { return window.Click(platform::kIdOk); });
            case kEnter:
                return Confirm([&] { return window.PressEnter(); });
            case kEscape:
                if (!window.PressEscape())
                    return false;
                model_.Cancelled();
                return true;
            case kPositionSlider:
                return rig_.MoveSliderAtRandom(dice_, kIdcPosition,
                                               static_cast<int>(kRecordBufferBytes), detail);
            case kRecordVolumeSlider:
                return rig_.MoveSliderAtRandom(dice_, kIdcRecordVolume,
                                               static_cast<int>(kMaxRecordVolume), detail);
            case kVolumeFromOutside: {
                const auto volume = static_cast<std::uint32_t>(dice_.Between(0, 65535));
                detail = std::to_string(volume);
                return rig_.Mixer().SetControlValues(0, sim::kDemoMicVolumeControlId, {volume}) ==
                       platform::MixerResult::NoError;
            }
            case kAbout:
                return rig_.ChooseAbout(dice_, kIdmAboutBox, kIddAboutBox, aboutFault_);
            case kRecorderActionCount:
                break;
        }
        return false;
    }

    bool Rec(std::string& detail) {
        const std::optional<KeySlot> key = KeyByIndex(rig_.Dialog().CurrentKey());
        detail = KeyLabel(rig_.Dialog().CurrentKey());
        if (!rig_.Window().Click(kIdcRec))
            return false;
        // The take is the key's new sound from the moment REC starts it.
        if (key && key->kind == SlotKind::Recordable)
            model_.TakeStarted(key->slot);
        return true;
    }

    bool Erase(std::string& detail) {
        const std::optional<KeySlot> key = KeyByIndex(rig_.Dialog().CurrentKey());
        const bool confirm = dice_.Chance(0.7);
        detail = KeyLabel(rig_.Dialog().CurrentKey()) + (confirm ? ", confirmed" : ", cancelled");
        rig_.Boxes().answers = {confirm ? platform::MessageAnswer::Ok
                                        : platform::MessageAnswer::Cancel};
        const bool accepted = rig_.Window().Click(kIdcErase);
        rig_.Boxes().answers.clear();
        if (accepted && confirm && key && key->kind == SlotKind::Recordable)
            model_.Erased(key->slot);
        return accepted;
    }

    // OK or Enter: the takes as the dialog holds them now are what must be stored.
    template <typename Press>
    bool Confirm(Press press) {
        RecorderModel::Takes takes;
        for (int slot = 0; slot < kRecordableSlotCount; ++slot) {
            const RecordableSlotState& state =
                rig_.Dialog().Slots().recordable[static_cast<std::size_t>(slot)];
            if (model_.NewTake(slot) && state.record) {
                const auto samples = state.record->Samples();
                takes[static_cast<std::size_t>(slot)].emplace(samples.begin(), samples.end());
            }
        }
        if (!press())
            return false;
        model_.Confirmed(takes);
        return true;
    }

    std::vector<KeySlot> EnabledKeys() {
        std::vector<KeySlot> keys;
        for (const KeySlot& key : kKeySlots) {
            if (rig_.Window().View().IsControlEnabled(key.controlId))
                keys.push_back(key);
        }
        return keys;
    }

    TransportSet IdleTransport(std::int32_t current) const {
        const std::optional<KeySlot> key = KeyByIndex(current);
        if (!key)
            return kTransportOff;
        if (key->kind == SlotKind::Builtin)
            return kTransportBuiltin;
        return model_.HasSound(key->slot) ? kTransportFilled : kTransportEmpty;
    }

    // Only Erase asks anything; every other box is a failure the user was shown.
    std::string CheckMessages() {
        if (!aboutFault_.empty())
            return aboutFault_;
        const auto& shown = rig_.Boxes().shown;
        for (; boxesSeen_ < shown.size(); ++boxesSeen_) {
            if (shown[boxesSeen_].caption != kEraseCaption)
                return "message box \"" + shown[boxesSeen_].caption +
                       "\": " + shown[boxesSeen_].text;
        }
        return {};
    }

    // Idle means nothing of the engines is left running.
    std::string CheckEngine(bool idle, const std::string& phase) {
        CKeyVoiceDlg& dialog = rig_.Dialog();
        const int level = dialog.Meter().Level();
        if (level < 0 || level > kMeterSegmentCount)
            return "the meter shows level " + std::to_string(level);
        meterLevelsSeen_.set(static_cast<std::size_t>(level));
        if (!idle)
            return {};
        if (rig_.Card().OpenInputCount() != 0 || rig_.Card().OpenOutputCount() != 0)
            return "a wave device is open while " + phase;
        if (dialog.ProgressTimerRunning())
            return "the progress timer runs while " + phase;
        if (level != 0)
            return "the meter shows level " + std::to_string(level) + " while " + phase;
        return {};
    }

    std::string CheckSlots() {
        for (int slot = 0; slot < kRecordableSlotCount; ++slot) {
            const RecordableSlotState& state =
                rig_.Dialog().Slots().recordable[static_cast<std::size_t>(slot)];
            if (state.newRecording != model_.NewTake(slot))
                return KeyLabel(RecordableKey(slot).keyIndex) + " new take is " +
                       std::to_string(state.newRecording) + ", the user expects " +
                       std::to_string(model_.NewTake(slot));
            if (state.StoredRecording() != model_.Stored(slot).has_value())
                return KeyLabel(RecordableKey(slot).keyIndex) + " stored recording is " +
                       std::to_string(state.StoredRecording()) + ", the user expects " +
                       std::to_string(model_.Stored(slot).has_value());
        }
        return {};
    }

    // The mixer is open throughout, so the slider stays enabled and shows the microphone's
    // volume, the loudest at the top (position 0).
    std::string CheckRecordVolume() {
        sim::FakeDialogView& view = rig_.Window().View();
        if (!view.IsControlEnabled(kIdcRecordVolume))
            return "the record-volume slider is disabled while the mixer is open";
        const auto volume = rig_.Mixer().ControlValues(0, sim::kDemoMicVolumeControlId);
        const int position = view.GetSliderPos(kIdcRecordVolume);
        if (!volume || volume->empty() ||
            position != static_cast<int>(kMaxRecordVolume - volume->front()))
            return "the record-volume slider stands at " + std::to_string(position) +
                   " while the mixer's volume is " +
                   (volume && !volume->empty() ? std::to_string(volume->front()) : "unreadable");
        return {};
    }

    KeyVoiceRig& rig_;
    Dice& dice_;
    Tally& tally_;
    RecorderModel& model_;
    ViolationLog& violations_;
    Temper temper_ = kTempers[0];
    std::size_t boxesSeen_ = 0;
    std::string aboutFault_;
    std::bitset<kMeterSegmentCount + 1> meterLevelsSeen_;
};

// The program's devices and timer are all given back once a dialog is gone.
std::string CheckReleased(KeyVoiceRig& rig) {
    if (rig.Mixer().OpenHandleCount() != 0)
        return "a mixer handle is left open";
    if (!rig.Timer().RunningEvents().empty())
        return "a timer event is left running";
    if (rig.Timer().OutstandingPeriodRequests() != 0)
        return "a timer resolution request is left outstanding";
    return {};
}

TEST(RandomUser, KeyVoice) {
    const std::uint32_t seed = SeedFromEnvironment();
    const std::uint64_t target = ActionsFromEnvironment(kDefaultActions);
    SCOPED_TRACE("ZAV_RANDOM_SEED=" + std::to_string(seed));
    // Also at once, so that a sanitizer's abort leaves it in the log.
    std::cout << "KeyVoice user: ZAV_RANDOM_SEED=" << seed << std::endl;
    ViolationLog violations;
    KeyVoiceRig rig(violations);
    Dice dice(seed);
    Tally tally(kRecorderActionNames);
    RecorderModel model;
    RecorderUser user(rig, dice, tally, model, violations);

    // Each returns "" or what broke.
    const auto startDialog = [&]() -> std::string {
        std::array<double, kTempers.size()> shares{};
        std::ranges::transform(kTempers, shares.begin(), &Temper::share);
        const Temper& temper = kTempers[dice.Weighted(shares)];
        if (!rig.StartDialog(temper.speed, RandomVoice(dice)))
            return "the dialog did not start";
        tally.DialogStarted();
        tally.Note("dialog " + std::to_string(tally.Dialogs()) + ", card speed " +
                   std::to_string(temper.speed) + ", STOP weight " +
                   std::to_string(temper.stopWeight));
        std::string fault;
        rig.On([&] {
            user.NewDialog(temper);
            fault = CheckLoadedRecordings(model, rig.Dialog().Slots());
        });
        return fault;
    };
    const auto endDialog = [&]() -> std::string {
        rig.EndDialog();
        if (violations.Count() > 0)
            return "rule violation: " + violations.First();
        if (std::string fault = CheckReleased(rig); !fault.empty())
            return fault;
        return CheckStoredRecordings(model, rig.Store(), rig.Files(), zav::test::kSysPath);
    };

    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(PlaySession(rig, user, dice, tally, target, startDialog, endDialog), "");
    std::cout << tally.Report("KeyVoice", std::chrono::steady_clock::now() - started)
              << "  progress ticks: " << rig.Timer().TotalTicksDelivered()
              << ", meter levels seen: " << user.MeterLevelsSeen().count() << " of "
              << kMeterSegmentCount + 1 << "\n";

    // A full run gets round to every kind of action.
    if (target >= kDefaultActions) {
        for (std::size_t kind = 0; kind < kRecorderActionCount; ++kind)
            EXPECT_GT(tally.Accepted(kind), 0u) << kRecorderActionNames[kind];
    }
}

}  // namespace
}  // namespace random_user
