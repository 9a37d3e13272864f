#include "tests/users/recorder_model.h"

#include <algorithm>
#include <string_view>

#include "keysound/config_store.h"
#include "keysound/mulaw_tables.h"
#include "keysound/wax_file.h"
#include "tests/support/zav_values.h"

namespace random_user {

namespace platform = zav::platform;

namespace {

constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::size_t kFormHeaderBytes = 12;  // "RIFF", its size, "WAVE"

bool TagAt(std::span<const std::uint8_t> bytes, std::size_t offset, std::string_view tag) {
    return offset + tag.size() <= bytes.size() &&
           std::equal(tag.begin(), tag.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

std::uint32_t U32At(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset]) |
           static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

// The mu-law codes of a .wax file, read straight from its bytes without the loader under test:
// the bytes of the "data" chunk of a RIFF WAVE file, found by walking the form's chunks; a chunk
// cut off by the end of the file gives what is there. Nothing when the file is no RIFF WAVE form
// or holds no "data" chunk.
std::optional<std::vector<std::uint8_t>> WaxDataCodes(std::span<const std::uint8_t> file) {
    if (!TagAt(file, 0, "RIFF") || !TagAt(file, 8, "WAVE"))
        return std::nullopt;
    std::size_t offset = kFormHeaderBytes;
    while (offset + kChunkHeaderBytes <= file.size()) {
        const std::size_t size = U32At(file, offset + 4);
        const std::size_t body = offset + kChunkHeaderBytes;
        if (TagAt(file, offset, "data")) {
            const std::size_t end = std::min(file.size(), body + size);
            return std::vector<std::uint8_t>(file.begin() + static_cast<std::ptrdiff_t>(body),
                                             file.begin() + static_cast<std::ptrdiff_t>(end));
        }
        offset = body + size + (size & 1);  // chunks start on even offsets
    }
    return std::nullopt;
}

// One mu-law code per sample, through the recorder's encoding table.
std::vector<std::uint8_t> MuLawCodesOf(std::span<const std::int16_t> samples) {
    std::vector<std::uint8_t> codes(samples.size());
    std::ranges::transform(samples, codes.begin(), keyvoice::SampleToMuLaw);
    return codes;
}

std::string KeyName(int slot) {
    return "key " + std::string(1, keyvoice::RecordableKey(slot).label);
}

std::optional<std::string> KeyInfoText(platform::RegistryStore& store, int slot) {
    return zav::test::ZavText(store, keyvoice::KeyInfoValueName(slot));
}

// "" when the file of slot holds exactly codes and loads as a sound of that many samples.
std::string CheckFile(platform::sim::MemoryFileSystem& files, const std::string& path,
                      const RecorderModel::Codes& codes) {
    const std::vector<std::uint8_t>* file = files.Find(path);
    if (file == nullptr)
        return path + " is missing";
    const std::optional<RecorderModel::Codes> held = WaxDataCodes(*file);
    if (!held)
        return path + " has no data chunk";
    if (*held != codes) {
        const auto differ = std::ranges::mismatch(*held, codes);
        return path + " holds " + std::to_string(held->size()) + " codes, not the take's " +
               std::to_string(codes.size()) + "; first difference at code " +
               std::to_string(differ.in1 - held->begin());
    }
    const keyvoice::LoadResult loaded = keyvoice::LoadSoundFile(files, path);
    if (loaded.status != keyvoice::LoadStatus::Loaded)
        return path + " does not load: " + std::string(keyvoice::DescribeLoadStatus(loaded.status));
    if (loaded.sound->Samples().size() != codes.size())
        return path + " loads as " + std::to_string(loaded.sound->Samples().size()) + " samples";
    return {};
}

}  // namespace

void RecorderModel::Erased(int slot) {
    newTake_[Index(slot)] = false;
    stored_[Index(slot)].reset();
}

void RecorderModel::Confirmed(const Takes& takes) {
    for (int slot = 0; slot < keyvoice::kRecordableSlotCount; ++slot) {
        if (newTake_[Index(slot)] && takes[Index(slot)])
            stored_[Index(slot)] = MuLawCodesOf(*takes[Index(slot)]);
    }
    newTake_.fill(false);
}

std::string CheckStoredRecordings(const RecorderModel& model, platform::RegistryStore& store,
                                  platform::sim::MemoryFileSystem& files,
                                  std::string_view sysPath) {
    for (int slot = 0; slot < keyvoice::kRecordableSlotCount; ++slot) {
        const std::string path =
            std::string(sysPath) + std::string(keyvoice::RecordedFileName(slot));
        const std::optional<std::string> info = KeyInfoText(store, slot);
        const std::optional<RecorderModel::Codes>& codes = model.Stored(slot);
        if (!codes) {
            if (info)
                return KeyName(slot) + " has no recording, yet its KeyNInfo reads " + *info;
            if (files.Exists(path))
                return KeyName(slot) + " has no recording, yet " + path + " exists";
            continue;
        }
        if (!info)
            return KeyName(slot) + " was stored, yet its KeyNInfo is missing";
        if (keyvoice::ParseKeyInfoPath(*info) != path)
            return KeyName(slot) + "'s KeyNInfo reads " + *info + ", not naming " + path;
        if (std::string fault = CheckFile(files, path, *codes); !fault.empty())
            return KeyName(slot) + ": " + fault;
    }
    return {};
}

std::string CheckLoadedRecordings(const RecorderModel& model, const keyvoice::SlotStates& slots) {
    for (int slot = 0; slot < keyvoice::kRecordableSlotCount; ++slot) {
        const keyvoice::RecordableSlotState& state =
            slots.recordable[static_cast<std::size_t>(slot)];
        const std::optional<RecorderModel::Codes>& codes = model.Stored(slot);
        if (state.newRecording)
            return KeyName(slot) + " starts with a new take";
        if (state.StoredRecording() != codes.has_value()) {
            return KeyName(slot) + (codes ? " was stored but starts empty"
                                          : " starts with a recording that was not stored");
        }
        if (!codes)
            continue;
        const auto samples = state.stored->Samples();
        if (!std::ranges::equal(samples, *codes, {}, {}, keyvoice::MuLawToSample))
            return KeyName(slot) + " starts with a sound that is not its stored take";
    }
    return {};
}

}  // namespace random_user
