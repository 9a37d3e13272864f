#include "tools/zavtool/doctor_sound.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "keyvoice/sound_devices.h"
#include "tools/zavtool/doctor_capture.h"
#include "tools/zavtool/doctor_headless.h"
#include "tools/zavtool/doctor_levels.h"
#include "voxgauge/mic_mixer.h"

namespace zavtool {

namespace {

using keyvoice::DeviceKind;
using zav::platform::ControlDetailsQuery;
using zav::platform::ControlType;
using zav::platform::LineControlsQuery;
using zav::platform::LineInfoQuery;
using zav::platform::Mixer;
using zav::platform::MixerCaps;
using zav::platform::MixerControl;
using zav::platform::MixerControlDetails;
using zav::platform::MixerHandle;
using zav::platform::MixerLine;
using zav::platform::MixerLineControls;
using zav::platform::MixerResult;

constexpr std::string_view kMonitorSuffix = ".monitor";
constexpr std::string_view kPulseSourceVariable = "PULSE_SOURCE";

std::string Quoted(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    quoted += text;
    quoted += '"';
    return quoted;
}

std::string Lower(std::string text) {
    std::ranges::transform(text, text.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return text;
}

std::string MixerName(Mixer& mixer, std::uint32_t id) {
    MixerCaps caps;
    return mixer.GetDevCaps(id, caps) == MixerResult::NoError ? caps.name : "?";
}

// The first control of the type on the line, read as one value for all channels.
std::optional<std::pair<MixerControl, std::uint32_t>> ReadControl(Mixer& mixer, MixerHandle handle,
                                                                  std::uint32_t lineId,
                                                                  ControlType type) {
    MixerControl control;
    MixerLineControls request{.lineId = lineId, .controlType = type, .controls = {&control, 1}};
    if (mixer.GetLineControls(handle, LineControlsQuery::OneByType, request) !=
        MixerResult::NoError)
        return std::nullopt;
    std::vector<std::uint32_t> values(std::max<std::uint32_t>(control.multipleItems, 1), 0);
    MixerControlDetails details{.controlId = control.controlId,
                                .channels = 1,
                                .multipleItems = control.IsMultiple() ? control.multipleItems : 0,
                                .details = values};
    if (mixer.GetControlDetails(handle, ControlDetailsQuery::Value, details) !=
        MixerResult::NoError)
        return std::nullopt;
    return std::pair{control, values.front()};
}

class SoundChecks {
  public:
    SoundChecks(const DoctorMachine& machine, zav::platform::RegistryStore& registry,
                std::ostream& prompt, DoctorReport& report)
        : machine_(machine), registry_(registry), prompt_(prompt), report_(report) {}

    void Run(double seconds) {
        zav::platform::AudioSelection selection =
            machine_.chooseAudio(dispatcher_, machine_.environment);
        if (selection.bundle) {
            const bool named =
                machine_.environment(zav::platform::kAudioBackendVariable).value_or("") ==
                selection.backend;
            Add("backend", Severity::Ok, selection.backend + (named ? " (named by ZAV_AUDIO)" : ""),
                {}, {{"name", selection.backend}});
        } else {
            // The programs then run without sound and say so in their own messages.
            Add("backend", Severity::Problem, "no sound: " + selection.problem,
                "Start the sound server or connect a sound card; ZAV_AUDIO=sim runs the "
                "programs on the simulated card instead.",
                {{"name", std::string()}});
            selection.bundle = zav::platform::NoSoundBundle();
        }
        zav::platform::AudioSystem& audio = *selection.bundle.audio;
        Mixer& mixer = *selection.bundle.mixer;
        bool canRecord = false;
        {
            keyvoice::CSoundDevices devices(audio.WaveIn(), audio.WaveOut(), mixer);
            devices.AttachView(view_);
            // KeyVoice's start-up order: the mixer, the output, the input.
            KeyVoiceMixer(devices, mixer);
            const std::int32_t output = devices.FindSoundDevice(DeviceKind::PlayDevice);
            OutputDevice(audio.WaveOut(), output);
            const std::int32_t input = devices.FindSoundDevice(DeviceKind::RecordDevice);
            InputDevice(audio.WaveIn(), input);
            canRecord = input != keyvoice::kNoDevice;
            VoxGaugeMixer(mixer, devices.MixerDevice());
        }
        Monitor(audio.WaveIn());
        if (canRecord)
            Listen(audio.WaveIn(), seconds);
    }

  private:
    void Add(std::string check, Severity severity, std::string detail, std::string advice = {},
             std::vector<Fact> facts = {}) {
        report_.Add({"sound", std::move(check), severity, std::move(detail), std::move(advice),
                     std::move(facts)});
    }

    // The message KeyVoice would have shown for the step that just ran, if any.
    std::string NewMessage() {
        std::string text;
        if (view_.Shown().size() > messagesSeen_)
            text = " (KeyVoice says: \"" + view_.Shown().back() + "\")";
        messagesSeen_ = view_.Shown().size();
        return text;
    }

    void KeyVoiceMixer(keyvoice::CSoundDevices& devices, Mixer& mixer) {
        const std::int32_t id = devices.FindSoundDevice(DeviceKind::VolumeMixer);
        if (id == keyvoice::kNoDevice) {
            Add("keyvoice-mixer", Severity::Warning,
                "no mixer with a microphone volume: KeyVoice's record-volume slider is off" +
                    NewMessage(),
                "Set the microphone's recording volume in the system's own mixer.");
            return;
        }
        NewMessage();
        devices.InitRecordVolumeSlider();
        const MixerHandle handle = devices.MixerHandle();
        MixerLine line{.lineId = devices.MicLineId()};
        mixer.GetLineInfo(handle, LineInfoQuery::LineId, line);
        const std::string mixerName = MixerName(mixer, devices.MixerId());
        const auto volume = ReadControl(mixer, handle, devices.MicLineId(), ControlType::Volume);
        const std::string control = volume ? volume->first.name : "?";
        Add("keyvoice-mixer", Severity::Ok,
            "mixer " + std::to_string(id) + " " + Quoted(mixerName) + ", line " +
                Quoted(line.name) + ", control " + Quoted(control),
            {},
            {{"mixer", static_cast<std::int64_t>(id)},
             {"mixer_name", mixerName},
             {"line", line.name},
             {"control", control}});

        const std::uint32_t value = devices.RecordVolume();
        const auto percent = static_cast<std::int64_t>(value * 100 / keyvoice::kMaxRecordVolume);
        if (value == 0) {
            Add("record-volume", Severity::Problem, Quoted(control) + " is at 0",
                "Raise the microphone's volume with VoxGauge's or KeyVoice's slider (or "
                "pactl set-source-volume @DEFAULT_SOURCE@ 100%).",
                {{"value", std::int64_t{0}}, {"percent", percent}});
        } else {
            Add("record-volume", Severity::Ok,
                Quoted(control) + " at " + std::to_string(value) + " of " +
                    std::to_string(keyvoice::kMaxRecordVolume) + " (" + std::to_string(percent) +
                    " %)",
                {}, {{"value", static_cast<std::int64_t>(value)}, {"percent", percent}});
        }

        const auto mute = ReadControl(mixer, handle, devices.MicLineId(), ControlType::Mute);
        if (!mute) {
            Add("mute", Severity::Ok, Quoted(line.name) + " has no mute switch", {},
                {{"muted", false}});
        } else if (mute->second != 0) {
            Add("mute", Severity::Problem,
                Quoted(line.name) + " is muted (" + Quoted(mute->first.name) + ")",
                "Unmute the microphone in the system's mixer (or pactl set-source-mute "
                "@DEFAULT_SOURCE@ 0).",
                {{"muted", true}});
        } else {
            Add("mute", Severity::Ok, Quoted(line.name) + " is not muted", {}, {{"muted", false}});
        }
    }

    void OutputDevice(zav::platform::WaveOutApi& waveOut, std::int32_t id) {
        std::vector<std::string> names;
        for (std::uint32_t i = 0; i < waveOut.GetNumDevs(); ++i) {
            zav::platform::WaveOutCaps caps;
            names.push_back(waveOut.GetDevCaps(i, caps) == zav::platform::MmResult::NoError
                                ? caps.productName
                                : "?");
        }
        WaveDevice("output-device", names, id,
                   "Connect speakers or headphones, or check the sound server's output (pactl "
                   "list short sinks); KeyVoice does not start without one.");
    }

    void InputDevice(zav::platform::WaveInApi& waveIn, std::int32_t id) {
        recordsFrom_ = MapperInputName(waveIn);
        WaveDevice("input-device", InputNames(waveIn), id,
                   "Connect a microphone, or check the sound server's input (pactl list short "
                   "sources); KeyVoice does not start without one.");
    }

    static std::vector<std::string> InputNames(zav::platform::WaveInApi& waveIn) {
        std::vector<std::string> names;
        for (std::uint32_t i = 0; i < waveIn.GetNumDevs(); ++i) {
            zav::platform::WaveInCaps caps;
            names.push_back(waveIn.GetDevCaps(i, caps) == zav::platform::MmResult::NoError
                                ? caps.productName
                                : "?");
        }
        return names;
    }

    void WaveDevice(const std::string& check, const std::vector<std::string>& names,
                    std::int32_t id, const std::string& advice) {
        std::string all;
        for (const std::string& name : names)
            all += (all.empty() ? "" : ", ") + Quoted(name);
        if (id == keyvoice::kNoDevice) {
            Add(check, Severity::Problem,
                (names.empty() ? std::string("none at all")
                               : "none takes 22,050 Hz mono 16-bit of " + all) +
                    NewMessage(),
                advice, {{"devices", all}});
            return;
        }
        NewMessage();
        const std::string& chosen = names.at(static_cast<std::size_t>(id));
        std::vector<Fact> facts{
            {"device", static_cast<std::int64_t>(id)}, {"name", chosen}, {"devices", all}};
        std::string used = "the system's default";
        if (check == "input-device" && recordsFrom_) {
            used = Quoted(*recordsFrom_);
            facts.push_back({"records_from", *recordsFrom_});
        }
        Add(check, Severity::Ok,
            "KeyVoice's check passes on device " + std::to_string(id) + " " + Quoted(chosen) +
                "; the programs use " + used + " (of " + all + ")",
            {}, std::move(facts));
    }

    void VoxGaugeMixer(Mixer& mixer, std::int32_t keyVoiceMixer) {
        voxgauge::CMicMixer micMixer(mixer, registry_);
        if (micMixer.MixerInit(nullptr) == 0 || micMixer.GetMicConf() == 0) {
            Add("voxgauge-mixer", Severity::Warning,
                "VoxGauge finds no microphone volume on mixer 0: its slider is off",
                "Set the microphone's recording volume in the system's own mixer.");
            return;
        }
        // As VoxGauge's dialog starts: the volume is read as on a change of the control.
        micMixer.ChangeEnv(micMixer.Handle(), micMixer.ControlId());
        const std::string name = MixerName(mixer, 0);
        std::vector<Fact> facts{{"mixer", std::int64_t{0}},
                                {"mixer_name", name},
                                {"control_id", static_cast<std::int64_t>(micMixer.ControlId())},
                                {"value", static_cast<std::int64_t>(micMixer.Volume())}};
        const std::string detail = "mixer 0 " + Quoted(name) + ", control " +
                                   std::to_string(micMixer.ControlId()) + " at " +
                                   std::to_string(micMixer.Volume());
        if (keyVoiceMixer != keyvoice::kNoDevice && keyVoiceMixer != 0) {
            Add("voxgauge-mixer", Severity::Warning,
                detail + ", while KeyVoice's slider moves mixer " + std::to_string(keyVoiceMixer) +
                    " " + Quoted(MixerName(mixer, static_cast<std::uint32_t>(keyVoiceMixer))),
                "The two sliders set different mixers: set the level with KeyVoice's slider, or "
                "make the microphone's card the system's first.",
                std::move(facts));
            return;
        }
        Add("voxgauge-mixer", Severity::Ok, detail, {}, std::move(facts));
    }

    // Whether the system says the input is an output's monitor: the input devices' names, and
    // the sound server's own choice of source for this program (PULSE_SOURCE).
    // The input the wave mapper opens for the recording format: the first device that takes
    // it (wave_in.h), which both programs record from.
    static std::optional<std::string> MapperInputName(zav::platform::WaveInApi& waveIn) {
        for (std::uint32_t i = 0; i < waveIn.GetNumDevs(); ++i) {
            zav::platform::WaveInCaps caps;
            if (waveIn.GetDevCaps(i, caps) == zav::platform::MmResult::NoError &&
                (caps.formats & zav::platform::kWaveFormat2M16) != 0) {
                return caps.productName;
            }
        }
        return std::nullopt;
    }

    void Monitor(zav::platform::WaveInApi& waveIn) {
        std::optional<std::string> evidence;
        const std::optional<std::string> source = machine_.environment(kPulseSourceVariable);
        if (source && source->ends_with(kMonitorSuffix))
            evidence = std::string(kPulseSourceVariable) + "=" + *source;
        // Only the device the programs record from counts: a system lists its monitors among
        // the inputs whether or not anything records from them.
        const std::optional<std::string> name = MapperInputName(waveIn);
        if (!evidence && name && Lower(*name).find("monitor") != std::string::npos)
            evidence = "the input device " + Quoted(*name);
        if (evidence) {
            Add("monitor", Severity::Problem,
                "the input is a monitor of an output (" + *evidence +
                    "): the programs hear what the speakers play, not the microphone",
                "Unset PULSE_SOURCE, or choose the microphone as the input (pactl "
                "set-default-source SOURCE).",
                {{"monitor", true}, {"evidence", *evidence}});
            return;
        }
        Add("monitor", Severity::Ok,
            source ? "the input is " + *source + ", not an output's monitor"
                   : "no sign that the input is an output's monitor",
            {}, {{"monitor", false}});
    }

    void Listen(zav::platform::WaveInApi& waveIn, double seconds) {
        prompt_ << "zavtool doctor: listening for " << seconds
                << " s; speak into the microphone now.\n";
        prompt_.flush();
        const Capture capture = CaptureFromMicrophone(waveIn, seconds);
        if (!capture.failure.empty()) {
            Add("levels", Severity::Problem, "the capture failed: " + capture.failure,
                "Close other programs that may hold the microphone, and check the sound "
                "server (pactl info).");
            return;
        }
        report_.Add(JudgeLevels(MeasureLevels(capture.samples)));
    }

    const DoctorMachine& machine_;
    zav::platform::RegistryStore& registry_;
    std::ostream& prompt_;
    DoctorReport& report_;
    HeadlessDispatcher dispatcher_;
    HeadlessView view_;
    std::size_t messagesSeen_ = 0;
    std::optional<std::string> recordsFrom_;  // the input the wave mapper opens
};

}  // namespace

void CheckSound(const DoctorMachine& machine, zav::platform::RegistryStore& registry,
                double seconds, std::ostream& prompt, DoctorReport& report) {
    SoundChecks(machine, registry, prompt, report).Run(seconds);
}

}  // namespace zavtool
