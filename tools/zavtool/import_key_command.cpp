// zavtool import-key: stores an ordinary WAVE file as a recordable key's recording, exactly as
// the recorder's OK stores a new recording.

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "keysound/config_store.h"
#include "keysound/key_slots.h"
#include "keysound/key_voice_analysers.h"
#include "keysound/recording_store.h"
#include "keysound/slot_state.h"
#include "keysound/sound.h"
#include "platform/ui/message_box.h"
#include "tools/zavtool/command.h"
#include "tools/zavtool/pcm_wave.h"

namespace zavtool {

namespace {

// The recorder's record buffer: 2.00 seconds of 16-bit mono at 22,050 samples per second.
constexpr zav::platform::PcmWaveFormat kRecordFormat{
    zav::platform::kWaveFormatPcm, 1, 22050, 44100, 2, 16};
constexpr std::size_t kRecordSamples = 44100;

// The file is read whole; anything near this size is far longer than 2.00 s anyway.
constexpr std::uint64_t kMaxImportFileSize = std::uint64_t{16} << 20;

// The store's message boxes, as lines on the error stream.
class ErrorStreamMessages : public zav::platform::MessageBoxes {
  public:
    explicit ErrorStreamMessages(CommandContext& context) : context_(context) {}

    zav::platform::MessageAnswer Show(std::string_view text, std::string_view,
                                      zav::platform::MessageStyle) override {
        Fail(context_, ExitStatus::Usage, text);
        return zav::platform::MessageAnswer::Ok;
    }

  private:
    CommandContext& context_;
};

// The recordable slot of a key digit "6", "7", "8", "9" or "0".
std::optional<int> RecordableSlotOfKey(const std::string& key) {
    if (key.size() != 1)
        return std::nullopt;
    for (const keyvoice::KeySlot& slot : keyvoice::kKeySlots) {
        if (slot.kind == keyvoice::SlotKind::Recordable && slot.label == key[0])
            return slot.slot;
    }
    return std::nullopt;
}

}  // namespace

ExitStatus RunImportKey(CommandContext& context) {
    if (context.args.size() != 2) {
        return Fail(context, ExitStatus::Usage, "usage: zavtool import-key KEY FILE.wav");
    }
    const std::optional<int> slot = RecordableSlotOfKey(context.args[0]);
    if (!slot) {
        return Fail(context, ExitStatus::Usage,
                    "unknown key " + context.args[0] + ": use 6, 7, 8, 9 or 0");
    }

    const std::string& inPath = context.args[1];
    std::vector<std::uint8_t> bytes;
    if (zav::platform::FileStatus read = context.files.ReadFile(inPath, kMaxImportFileSize, bytes);
        !read.Ok()) {
        return Fail(context, ExitStatus::Usage, inPath + ": " + read.detail);
    }
    std::string problem;
    const std::optional<PcmWave> wave = ReadPcmWave(bytes, problem);
    if (!wave)
        return Fail(context, ExitStatus::Usage, inPath + ": " + problem);
    if (wave->format.samplesPerSec != kRecordFormat.samplesPerSec) {
        return Fail(context, ExitStatus::Usage,
                    inPath + ": " + std::to_string(wave->format.samplesPerSec) +
                        " samples per second, not 22050");
    }
    if (wave->samples.size() > kRecordSamples) {
        return Fail(context, ExitStatus::Usage, inPath + ": longer than 2.00 seconds");
    }

    const keyvoice::ConfigStore config(context.registry);
    const std::optional<std::string> folder =
        config.ReadConfigValue(keyvoice::ConfigItem::ZavSysPath);
    if (!folder) {
        return Fail(context, ExitStatus::Usage, "ZavSysPath is not set");
    }

    // The record buffer as a recording of that key would leave it: the sound, then silence.
    keyvoice::RecordableSlotState state;
    state.record.emplace(kRecordFormat, kRecordSamples);
    std::copy(wave->samples.begin(), wave->samples.end(), state.record->Samples().begin());
    state.newRecording = true;

    keyvoice::KeyVoiceAnalysers analysers;
    ErrorStreamMessages messages(context);
    keyvoice::RecordingStore store(config, context.files, messages, analysers);
    switch (store.StoreRecording(*slot, state)) {
        case keyvoice::StoreOutcome::Stored:
            return ExitStatus::Success;
        case keyvoice::StoreOutcome::Failed:  // the store has said why
            return ExitStatus::Usage;
        case keyvoice::StoreOutcome::NoFolder:
        case keyvoice::StoreOutcome::NothingNew:
            break;
    }
    return Fail(context, ExitStatus::Usage, "nothing was stored");
}

}  // namespace zavtool
