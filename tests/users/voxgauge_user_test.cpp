// A random user in front of the microphone setup dialog for 100,000 actions: slider moves with
// every scroll code, the level timer's ticks, changes made to the mixer by another program, the
// About item, OK, Enter and Esc, while the threaded card captures a voice. After every action
// the slider must be usable exactly when the mixer has a microphone fader and stand where the
// mixer's volume is, and the gauge must show a level 0 to 15; after every OK, MicEnv must hold
// the mixer's recording controls as the mixer has them, and after a cancel it must be unchanged.

#include <gtest/gtest.h>

#include <array>
#include <bitset>
#include <chrono>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/mixer_sim.h"
#include "platform/ui/dialog_handler.h"
#include "tests/support/zav_values.h"
#include "tests/users/user_rig.h"
#include "voxgauge/mic_env_record.h"
#include "voxgauge/mic_setup_dlg.h"
#include "voxgauge/resources.h"

namespace random_user {
namespace {

namespace platform = zav::platform;
namespace sim = zav::platform::sim;
using namespace voxgauge;

// The recording microphone's volume fader, on the mixer that has one. It moves in steps of
// kMicVolumeStep, so the mixer's answer to a slider move often differs from the move.
constexpr std::uint32_t kMicVolumeControl = 222;
constexpr std::uint32_t kMicVolumeStep = 256;

sim::SimControl Control(std::uint32_t id, platform::ControlType type, std::uint32_t flags,
                        std::vector<std::uint32_t> values) {
    sim::SimControl control;
    control.id = id;
    control.type = type;
    control.flags = flags;
    control.values = std::move(values);
    const bool isSwitch =
        type == platform::ControlType::Mute || type == platform::ControlType::OnOff;
    control.maximum = isSwitch || type == platform::ControlType::Mux ? 1 : 65535;
    return control;
}

// Both mixers: speakers with a microphone source, and a recording side whose own controls are a
// stereo volume and a three-item multiplexer, with a line input before the microphone; the
// microphone has a mute switch, the fader (withFader only) and a boost switch.
sim::MixerTopology VoxGaugeMixer(bool withFader) {
    using platform::ComponentType;
    using platform::ControlType;
    constexpr std::uint32_t kUniform = platform::kControlUniform;
    sim::SimLine recordingMic{22,
                              ComponentType::SrcMicrophone,
                              1,
                              "Microphone",
                              {Control(221, ControlType::Mute, kUniform, {0})}};
    if (withFader) {
        sim::SimControl fader = Control(kMicVolumeControl, ControlType::Volume, kUniform, {40000});
        fader.step = kMicVolumeStep;
        recordingMic.controls.push_back(fader);
    }
    recordingMic.controls.push_back(Control(223, ControlType::OnOff, kUniform, {1}));

    sim::SimControl mux =
        Control(202, ControlType::Mux, kUniform | platform::kControlMultiple, {0, 1, 0});
    mux.items = 3;
    sim::SimDestination speakers{{1,
                                  ComponentType::DstSpeakers,
                                  2,
                                  "Speakers",
                                  {Control(101, ControlType::Volume, 0, {50000, 48000}),
                                   Control(102, ControlType::Mute, kUniform, {0})}},
                                 {{11,
                                   ComponentType::SrcWaveOut,
                                   2,
                                   "Wave",
                                   {Control(111, ControlType::Volume, 0, {40000, 40000})}},
                                  {12,
                                   ComponentType::SrcMicrophone,
                                   1,
                                   "Microphone",
                                   {Control(121, ControlType::Mute, kUniform, {1}),
                                    Control(122, ControlType::Volume, 0, {1000})}}}};
    sim::SimDestination recording{{2,
                                   ComponentType::DstWaveIn,
                                   2,
                                   "Recording",
                                   {Control(201, ControlType::Volume, 0, {45000, 44000}), mux}},
                                  {{21,
                                    ComponentType::SrcLine,
                                    2,
                                    "Line In",
                                    {Control(211, ControlType::Volume, 0, {30000, 30001})}},
                                   recordingMic}};
    sim::MixerTopology topology;
    topology.devices.push_back({"Random User Mixer", {speakers, recording}});
    return topology;
}

// The microphone setup dialog running as a user meets it, on threads (UserRig), with one of two
// mixers that outlive every dialog, as does the store: one whose microphone has a volume fader,
// one whose microphone has none. The mixers report their rule violations to the ViolationLog.
// Thread: the test's thread for the members, except where noted.
class VoxGaugeRig : public UserRig<CMicSetupDlg> {
  public:
    explicit VoxGaugeRig(ViolationLog& violations)
        : UserRig(violations), topologies_{VoxGaugeMixer(false), VoxGaugeMixer(true)} {
        for (std::size_t i = 0; i < mixers_.size(); ++i) {
            mixers_[i] = std::make_unique<sim::SimMixer>(topologies_[i], Thread());
            mixers_[i]->SetViolationHandler(violations_.Handler("mixer"));
        }
    }
    ~VoxGaugeRig() {
        EndDialog();
        // The mixers go on the dialog thread, where their notifications run.
        On([this] {
            for (auto& mixer : mixers_)
                mixer.reset();
        });
    }

    // A new dialog on a fresh card (see UserRig) and on one of the mixers; true when it runs.
    bool StartDialog(bool withFader, double speed, sim::MicSignal voice) {
        withFader_ = withFader;
        return StartOn(speed, std::move(voice), [this](sim::SimSoundCard& card) {
            return MicSetupServices{card, Mixer(), Store(), Thread(), Runner()};
        });
    }

    // The mixer of the dialog running now (or last run), and its description.
    bool WithFader() const { return withFader_; }
    sim::SimMixer& Mixer() { return *mixers_[withFader_ ? 1 : 0]; }
    const sim::MixerTopology& Topology() const { return topologies_[withFader_ ? 1 : 0]; }
    std::size_t OpenMixerHandles() const {
        std::size_t handles = 0;
        for (const auto& mixer : mixers_)
            handles += mixer->OpenHandleCount();
        return handles;
    }

    // The MicEnv value as stored now; nothing when it is missing.
    std::optional<platform::RegistryValue> StoredMicEnv() {
        return zav::test::ZavValue(Store(), kMicEnvValueName);
    }

  private:
    const std::array<sim::MixerTopology, 2> topologies_;  // without, with fader
    std::array<std::unique_ptr<sim::SimMixer>, 2> mixers_;
    bool withFader_ = true;
};

void PutU32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutControls(std::vector<std::uint8_t>& bytes, const sim::SimLine& line,
                 const sim::SimMixer& mixer) {
    for (const sim::SimControl& control : line.controls) {
        const std::uint32_t channels =
            (control.flags & platform::kControlUniform) != 0 ? 1 : line.channels;
        const std::uint32_t items =
            (control.flags & platform::kControlMultiple) != 0 ? control.items : 1;
        // Values the mixer was never given read as 0.
        std::vector<std::uint32_t> values =
            mixer.ControlValues(0, control.id).value_or(std::vector<std::uint32_t>{});
        values.resize(std::size_t{channels} * items);
        for (const std::uint32_t value : values) {
            for (const std::uint32_t field : {channels, items, control.id, value, 0u})
                PutU32(bytes, field);
        }
    }
}

// The MicEnv value a snapshot of mixer device 0 must store, worked out from the mixer's
// description and the values the simulated mixer holds now, without the code under test: the
// controls of every recording destination line, then those of every microphone source of every
// destination, in destination order; one 20-byte record per value (channels, items, control id,
// value, and a zero link, each little-endian).
std::vector<std::uint8_t> ExpectedMicEnv(const sim::MixerTopology& topology,
                                         const sim::SimMixer& mixer) {
    std::vector<std::uint8_t> bytes;
    for (const sim::SimDestination& destination : topology.devices.at(0).destinations) {
        if (destination.line.type == platform::ComponentType::DstWaveIn)
            PutControls(bytes, destination.line, mixer);
        for (const sim::SimLine& source : destination.sources) {
            if (source.type == platform::ComponentType::SrcMicrophone)
                PutControls(bytes, source, mixer);
        }
    }
    return bytes;
}

constexpr std::uint64_t kDefaultActions = 100'000;

enum SetupAction : std::size_t {
    kVolumeSlider,
    kTimePasses,
    kControlFromOutside,
    kLineFromOutside,
    kAbout,
    kOk,
    kEnter,
    kEscape,
    kSetupActionCount,
};

constexpr std::array<std::string_view, kSetupActionCount> kSetupActionNames = {
    "volume slider",
    "time passes (level timer)",
    "control changed by another program",
    "line changed by another program",
    "About",
    "OK",
    "Enter",
    "Esc"};

constexpr std::array<double, kSetupActionCount> kSetupWeights = {30, 30, 8, 3, 2, 0.3, 0.2, 0.2};

// How many times faster than real time the card captures: the voice is computed sample by
// sample, so faster cards cost more than they find.
constexpr std::array<double, 3> kCardSpeeds = {4, 16, 40};

// Every control of the mixer, with its line's channel count, for changes from outside.
struct ControlOnLine {
    const sim::SimControl* control;
    std::uint32_t channels;
};

std::vector<ControlOnLine> AllControls(const sim::MixerTopology& topology) {
    std::vector<ControlOnLine> controls;
    const auto add = [&](const sim::SimLine& line) {
        for (const sim::SimControl& control : line.controls)
            controls.push_back({&control, line.channels});
    };
    for (const sim::SimDestination& destination : topology.devices.at(0).destinations) {
        add(destination.line);
        for (const sim::SimLine& source : destination.sources)
            add(source);
    }
    return controls;
}

std::vector<std::uint32_t> AllLines(const sim::MixerTopology& topology) {
    std::vector<std::uint32_t> lines;
    for (const sim::SimDestination& destination : topology.devices.at(0).destinations) {
        lines.push_back(destination.line.id);
        for (const sim::SimLine& source : destination.sources)
            lines.push_back(source.id);
    }
    return lines;
}

// The user and the rules the dialog must keep. Thread: dialog (the test thread waits meanwhile).
class SetupUser {
  public:
    SetupUser(VoxGaugeRig& rig, Dice& dice, Tally& tally, ViolationLog& violations)
        : rig_(rig), dice_(dice), tally_(tally), violations_(violations) {}

    void NewDialog() { aboutFault_.clear(); }

    // One action. After OK or Enter, the MicEnv value the dialog must have stored.
    void Act() {
        const auto action = static_cast<SetupAction>(dice_.Weighted(kSetupWeights));
        std::string detail;
        const bool accepted = Do(action, detail);
        tally_.Count(action, accepted, std::move(detail));
    }

    // What OK stored must equal this; nothing before an OK of this dialog.
    const std::optional<std::vector<std::uint8_t>>& ExpectedMicEnvAfterOk() const {
        return expectedMicEnv_;
    }
    void ForgetOk() { expectedMicEnv_.reset(); }
    // The gauge values the checks have seen.
    const std::bitset<16>& GaugeValuesSeen() const { return gaugeValuesSeen_; }

    // The rules after an action; "" when every one holds, else the first that broke.
    std::string CheckRules() {
        if (violations_.Count() > 0)
            return "rule violation: " + violations_.First();
        if (!aboutFault_.empty())
            return aboutFault_;
        if (!rig_.Boxes().shown.empty())
            return "message box \"" + rig_.Boxes().shown.back().caption +
                   "\": " + rig_.Boxes().shown.back().text;
        CMicSetupDlg& dialog = rig_.Dialog();
        sim::FakeDialogView& view = rig_.Window().View();
        const bool fader = rig_.WithFader();
        if (dialog.Mixer().HasVolumeControl() != fader)
            return std::string("the dialog ") + (fader ? "missed" : "invented") +
                   " the microphone fader";
        if (view.IsControlEnabled(kIdcMicVolume) != fader)
            return std::string("the volume slider is ") + (fader ? "disabled" : "enabled") +
                   (fader ? " with" : " without") + " a microphone fader";
        const int position = view.GetSliderPos(kIdcMicVolume);
        const std::optional<std::vector<std::uint32_t>> volume =
            rig_.Mixer().ControlValues(0, kMicVolumeControl);
        const int expected = fader && volume ? static_cast<int>(volume->at(0)) : 0;
        if (position != expected)
            return "the volume slider stands at " + std::to_string(position) + ", not at " +
                   std::to_string(expected);
        const std::int16_t gauge = dialog.GaugeValue();
        if (gauge < 0 || gauge > 15)
            return "the gauge value is " + std::to_string(gauge);
        gaugeValuesSeen_.set(static_cast<std::size_t>(gauge));
        if (view.Control(kIdcLevelGauge).value != gauge)
            return "the gauge shows " + std::to_string(view.Control(kIdcLevelGauge).value) +
                   " while the dialog holds " + std::to_string(gauge);
        if (!rig_.Window().Timers().IsRunning(kLevelTimerId) || dialog.TimerId() != kLevelTimerId)
            return "the level timer does not run";
        if (!dialog.HoldsOutputDevice() || rig_.Card().HoldCount() != 1)
            return "the output device is not held";
        if (rig_.Card().OpenInputCount() != 1)
            return std::to_string(rig_.Card().OpenInputCount()) + " capture devices are open";
        return {};
    }

  private:
    bool Do(SetupAction action, std::string& detail) {
        sim::FakeDialog& window = rig_.Window();
        switch (action) {
            case kVolumeSlider:
                return rig_.MoveSliderAtRandom(dice_, kIdcMicVolume, kVolumeMaximum, detail);
            case kTimePasses: {
                const int ms = dice_.Between(1, 300);
                detail = std::to_string(ms) + " ms";
                window.Timers().Advance(static_cast<std::uint64_t>(ms));
                return true;
            }
            case kControlFromOutside:
                return ChangeControl(detail);
            case kLineFromOutside: {
                const std::vector<std::uint32_t> lines = AllLines(rig_.Topology());
                const std::uint32_t line = dice_.PickFrom(std::span<const std::uint32_t>(lines));
                detail = "line " + std::to_string(line);
                return rig_.Mixer().ChangeLine(0, line) == platform::MixerResult::NoError;
            }
            case kAbout:
                return rig_.ChooseAbout(dice_, kIdmAboutBox, kIddAboutBox, aboutFault_);
            case kOk:
                return Confirm([&] { return window.Click(platform::kIdOk); });
            case kEnter:
                return Confirm([&] { return window.PressEnter(); });
            case kEscape:
                return window.PressEscape();
            case kSetupActionCount:
                break;
        }
        return false;
    }

    bool ChangeControl(std::string& detail) {
        const std::vector<ControlOnLine> controls = AllControls(rig_.Topology());
        const ControlOnLine& chosen = dice_.PickFrom(std::span<const ControlOnLine>(controls));
        const sim::SimControl& control = *chosen.control;
        const std::uint32_t channels =
            (control.flags & platform::kControlUniform) != 0 ? 1 : chosen.channels;
        std::vector<std::uint32_t> values(std::max<std::uint32_t>(control.items, 1) * channels);
        for (std::uint32_t& value : values)
            value = static_cast<std::uint32_t>(dice_.Between(static_cast<int>(control.minimum),
                                                             static_cast<int>(control.maximum)));
        detail = "control " + std::to_string(control.id) + " to " + std::to_string(values[0]);
        return rig_.Mixer().SetControlValues(0, control.id, values) ==
               platform::MixerResult::NoError;
    }

    // OK or Enter: the snapshot must hold the mixer as it is now; nobody else moves it before
    // the next action.
    template <typename Press>
    bool Confirm(Press press) {
        if (!press())
            return false;
        expectedMicEnv_ = ExpectedMicEnv(rig_.Topology(), rig_.Mixer());
        return true;
    }

    VoxGaugeRig& rig_;
    Dice& dice_;
    Tally& tally_;
    ViolationLog& violations_;
    std::optional<std::vector<std::uint8_t>> expectedMicEnv_;
    std::string aboutFault_;
    std::bitset<16> gaugeValuesSeen_;
};

std::string Describe(const std::optional<platform::RegistryValue>& value) {
    if (!value)
        return "missing";
    return std::to_string(value->data.size()) + " bytes of type " +
           std::to_string(static_cast<int>(value->type));
}

TEST(RandomUser, VoxGauge) {
    const std::uint32_t seed = SeedFromEnvironment();
    const std::uint64_t target = ActionsFromEnvironment(kDefaultActions);
    SCOPED_TRACE("ZAV_RANDOM_SEED=" + std::to_string(seed));
    // Also at once, so that a sanitizer's abort leaves it in the log.
    std::cout << "VoxGauge user: ZAV_RANDOM_SEED=" << seed << std::endl;
    ViolationLog violations;
    VoxGaugeRig rig(violations);
    Dice dice(seed);
    Tally tally(kSetupActionNames);
    SetupUser user(rig, dice, tally, violations);
    // What MicEnv must hold when a dialog ends without OK: what it held before.
    std::optional<platform::RegistryValue> micEnv = rig.StoredMicEnv();

    // Each returns "" or what broke.
    const auto startDialog = [&]() -> std::string {
        const bool fader = dice.Chance(0.8);
        const double speed = dice.PickFrom(std::span<const double>(kCardSpeeds));
        if (!rig.StartDialog(fader, speed, RandomVoice(dice)))
            return "the dialog did not start";
        tally.DialogStarted();
        tally.Note("dialog " + std::to_string(tally.Dialogs()) + ", card speed " +
                   std::to_string(speed) + (fader ? ", with" : ", without") + " fader");
        rig.On([&] { user.NewDialog(); });
        return {};
    };
    const auto endDialog = [&]() -> std::string {
        rig.EndDialog();
        if (violations.Count() > 0)
            return "rule violation: " + violations.First();
        if (rig.OpenMixerHandles() != 0)
            return "a mixer handle is left open";
        const std::optional<platform::RegistryValue> stored = rig.StoredMicEnv();
        if (const auto& expected = user.ExpectedMicEnvAfterOk()) {
            if (!stored || stored->type != platform::ValueType::Binary || stored->data != *expected)
                return "MicEnv is " + Describe(stored) + ", not the mixer's " +
                       std::to_string(expected->size()) + " bytes as they are";
        } else if (stored != micEnv) {
            return "MicEnv changed without OK: now " + Describe(stored) + ", before " +
                   Describe(micEnv);
        }
        micEnv = stored;
        user.ForgetOk();
        return {};
    };

    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(PlaySession(rig, user, dice, tally, target, startDialog, endDialog), "");
    std::cout << tally.Report("VoxGauge", std::chrono::steady_clock::now() - started)
              << "  gauge values seen: " << user.GaugeValuesSeen().count() << " of 16\n";

    // A full run gets round to every kind of action, and the voice moves the needle.
    if (target >= kDefaultActions) {
        for (std::size_t kind = 0; kind < kSetupActionCount; ++kind)
            EXPECT_GT(tally.Accepted(kind), 0u) << kSetupActionNames[kind];
        EXPECT_GT(user.GaugeValuesSeen().count(), 1u);
    }
}

}  // namespace
}  // namespace random_user
