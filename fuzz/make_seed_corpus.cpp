// Writes the fuzz targets' seed corpus: a handful of meaningful inputs per target, every one
// made by our own code (the .wax writer, zavtool's WAVE and .reg writers, FormatKeyInfo) or
// laid out here byte by byte. Usage: make_seed_corpus FOLDER, normally fuzz/corpus. Each
// target's folder is emptied and written again, so every run gives the same files.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_inputs.h"
#include "keysound/config_store.h"
#include "keysound/sound.h"
#include "keysound/wax_file.h"
#include "platform/bytes/little_endian.h"
#include "platform/testing/memory_file_system.h"
#include "tools/zavtool/pcm_wave.h"
#include "tools/zavtool/reg_file.h"
#include "voxgauge/mic_level.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using zav::platform::LeWriter;
using zav::platform::MakeFourCc;
using zav::platform::NamedValue;
using zav::platform::PcmWaveFormat;
using zav::platform::RegistryValue;
using zav::platform::ValueType;

// The recorder's in-memory format: 16-bit mono at 22050 samples per second.
constexpr PcmWaveFormat kVoiceFormat{zav::platform::kWaveFormatPcm, 1, 22050, 44100, 2, 16};

Bytes BytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// One target's folder of seeds.
class SeedFolder {
  public:
    SeedFolder(const fs::path& root, std::string_view target) : folder_(root / target) {
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }

    void Add(std::string_view name, std::span<const std::uint8_t> bytes) const {
        std::ofstream file(folder_ / name, std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        if (!file)
            throw std::runtime_error("cannot write " + (folder_ / name).string());
    }
    void Add(std::string_view name, std::string_view text) const { Add(name, BytesOf(text)); }

  private:
    fs::path folder_;
};

// A short sound: a triangle wave that fades out, in integers so that every host writes the
// same bytes.
std::vector<std::int16_t> Tone(std::size_t count) {
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        const int phase = static_cast<int>(i % 20);
        const int triangle = phase < 10 ? phase - 5 : 15 - phase;  // -5 ... 5
        const int loudness = 6000 * static_cast<int>(count - i) / static_cast<int>(count);
        samples[i] = static_cast<std::int16_t>(triangle * loudness / 5);
    }
    return samples;
}

Bytes Chunk(std::string_view id, std::span<const std::uint8_t> data) {
    Bytes chunk;
    LeWriter(chunk).Code(MakeFourCc(id)).U32(static_cast<std::uint32_t>(data.size()));
    chunk.insert(chunk.end(), data.begin(), data.end());
    if (data.size() % 2 != 0)
        chunk.push_back(0);  // chunks are word-aligned
    return chunk;
}

Bytes Riff(std::string_view form, const std::vector<Bytes>& chunks) {
    Bytes body;
    LeWriter(body).Code(MakeFourCc(form));
    for (const Bytes& chunk : chunks)
        body.insert(body.end(), chunk.begin(), chunk.end());
    return Chunk("RIFF", body);
}

Bytes FormatChunk(const PcmWaveFormat& format, std::size_t extraBytes = 0) {
    Bytes data;
    LeWriter(data)
        .U16(format.formatTag)
        .U16(format.channels)
        .U32(format.samplesPerSec)
        .U32(format.avgBytesPerSec)
        .U16(format.blockAlign)
        .U16(format.bitsPerSample);
    data.resize(data.size() + extraBytes);
    return Chunk("fmt ", data);
}

// A chunk header claiming more bytes than follow it, as a file cut short has.
Bytes CutOffChunk(std::string_view id, std::uint32_t declared, std::span<const std::uint8_t> data) {
    Bytes chunk;
    LeWriter(chunk).Code(MakeFourCc(id)).U32(declared);
    chunk.insert(chunk.end(), data.begin(), data.end());
    return chunk;
}

Bytes WaxFileOf(const PcmWaveFormat& format, std::span<const std::int16_t> samples) {
    keyvoice::Sound sound(format, samples.size());
    std::copy(samples.begin(), samples.end(), sound.Samples().begin());
    zav::platform::sim::MemoryFileSystem files;
    constexpr std::string_view kPath = "C:\\APPS\\SYS\\cfff6.wax";
    if (keyvoice::WriteWaxFile(files, kPath, sound.Header()) != keyvoice::WaxWriteResult::Written)
        throw std::runtime_error("cannot build a .wax file");
    return *files.Find(kPath);
}

void WriteWaxSeeds(const fs::path& root) {
    const SeedFolder seeds(root, "wax_file_fuzzer");
    seeds.Add("recording.wax", WaxFileOf(kVoiceFormat, Tone(120)));
    PcmWaveFormat slow = kVoiceFormat;
    slow.samplesPerSec = 11025;
    slow.avgBytesPerSec = 22050;
    seeds.Add("built_in_11025.wax", WaxFileOf(slow, Tone(60)));

    // Files another writer may have made: the codes of a recording in other chunk layouts.
    const Bytes codes = [] {
        const Bytes file = WaxFileOf(kVoiceFormat, Tone(40));
        return Bytes(file.begin() + 44, file.end());
    }();
    PcmWaveFormat halved = kVoiceFormat;
    halved.avgBytesPerSec = 22050;
    halved.blockAlign = 1;
    halved.bitsPerSample = 8;
    const Bytes list = Chunk("LIST", BytesOf("INFOx"));
    seeds.Add("chunks_around.wax", Riff("WAVE", {list, FormatChunk(halved), Chunk("fact", Bytes(4)),
                                                 Chunk("data", codes), list}));
    seeds.Add("fmt_of_18_bytes.wax", Riff("WAVE", {FormatChunk(halved, 2), Chunk("data", codes)}));
    PcmWaveFormat sixteen = halved;
    sixteen.bitsPerSample = 16;
    seeds.Add("fmt_of_16_bits.wax", Riff("WAVE", {FormatChunk(sixteen), Chunk("data", codes)}));
    seeds.Add("after_another_form.wax", [&] {
        Bytes file = Riff("AVI ", {Chunk("data", codes)});
        const Bytes wave = Riff("WAVE", {FormatChunk(halved), Chunk("data", codes)});
        file.insert(file.end(), wave.begin(), wave.end());
        return file;
    }());
    seeds.Add("data_cut_off.wax",
              Riff("WAVE", {FormatChunk(halved), CutOffChunk("data", 400, codes)}));
    seeds.Add("data_before_fmt.wax", Riff("WAVE", {Chunk("data", codes), FormatChunk(halved)}));
}

void WriteWaveSeeds(const fs::path& root) {
    const SeedFolder seeds(root, "wave_reader_fuzzer");
    const std::vector<std::int16_t> tone = Tone(100);
    seeds.Add("mono16.wav", zavtool::BuildPcmWave(kVoiceFormat, tone));
    PcmWaveFormat stereo = kVoiceFormat;
    stereo.channels = 2;
    stereo.avgBytesPerSec = 88200;
    stereo.blockAlign = 4;
    seeds.Add("stereo16.wav", zavtool::BuildPcmWave(stereo, tone));
    PcmWaveFormat eight = kVoiceFormat;
    eight.avgBytesPerSec = 22050;
    eight.blockAlign = 1;
    eight.bitsPerSample = 8;
    seeds.Add("mono8.wav", zavtool::BuildPcmWave(eight, tone));

    const Bytes plain = zavtool::BuildPcmWave(kVoiceFormat, Tone(30));
    const Bytes samples(plain.begin() + 44, plain.end());
    const Bytes list = Chunk("LIST", BytesOf("INFOabc"));
    seeds.Add("chunks_around.wav", Riff("WAVE", {list, FormatChunk(kVoiceFormat),
                                                 Chunk("data", samples), Chunk("fact", Bytes(4))}));
    seeds.Add("data_before_fmt.wav",
              Riff("WAVE", {Chunk("data", samples), FormatChunk(kVoiceFormat, 2)}));
    seeds.Add("data_cut_off.wav",
              Riff("WAVE", {FormatChunk(kVoiceFormat), CutOffChunk("data", 200, samples)}));
}

void WriteKeyInfoSeeds(const fs::path& root) {
    const SeedFolder seeds(root, "key_info_fuzzer");
    seeds.Add("written.txt", keyvoice::FormatKeyInfo("C:\\APPS\\SYS\\cfff7.wax",
                                                     keyvoice::SoundClass::Irregular, 7));
    seeds.Add("negative_level.txt",
              keyvoice::FormatKeyInfo("D:\\Z\\cfff0.wax", keyvoice::SoundClass::InBand, -12));
    seeds.Add("empty_fields.txt", ",,12,2,C:\\X.wax");
    seeds.Add("two_fields.txt", "12,C:\\X.wax");
    seeds.Add("more_fields.txt", "3,0,C:\\A.wax,,99,");
}

std::string OurSection() {
    return "[HKEY_LOCAL_MACHINE\\" + std::string(keyvoice::kZavKeyPath) + "]\r\n";
}

std::string ExportOfInstallation() {
    Bytes micMap;
    for (std::int32_t threshold : voxgauge::kDefaultMicMap)
        LeWriter(micMap).U32(static_cast<std::uint32_t>(threshold * 2));
    const std::vector<NamedValue> values = {
        {std::string(keyvoice::kDataPathValue), {ValueType::String, BytesOf("D:\\SOUND\\")}},
        {std::string(keyvoice::kZavSysPathValue), {ValueType::String, BytesOf("C:\\APPS\\SYS")}},
        {std::string(keyvoice::KeyInfoValueName(2)),
         {ValueType::String, BytesOf("12,2,C:\\APPS\\SYS\\cfff8.wax")}},
        {"MicMap", {ValueType::Binary, micMap}},
        {"Counter", {ValueType::Dword, {7, 0, 0, 0}}},
        {"Lines", {ValueType::String, BytesOf("two\r\nlines")}},
        {"", {ValueType::ExpandString, BytesOf("%SystemRoot%")}},
    };
    std::string error;
    const auto text = zavtool::FormatRegFile(
        "HKEY_LOCAL_MACHINE\\" + std::string(keyvoice::kZavKeyPath), values, error);
    if (!text)
        throw std::runtime_error("cannot build a .reg file: " + error);
    return *text;
}

// ASCII text as the Unicode editor saves it: UTF-16LE after its byte order mark.
std::string Utf16File(std::string_view ascii) {
    std::string file = "\xFF\xFE";
    for (char c : ascii) {
        file += c;
        file += '\0';
    }
    return file;
}

void WriteRegSeeds(const fs::path& root) {
    using zav::fuzz::EncodeRegImportInput;
    const SeedFolder seeds(root, "reg_file_fuzzer");
    const std::string exported = ExportOfInstallation();
    seeds.Add("export.reg", EncodeRegImportInput(0, exported));
    seeds.Add("export_store_fails_at_4th.reg", EncodeRegImportInput(4, exported));

    const std::string changes = "REGEDIT4\r\n\r\n" + OurSection() +
                                "\"Key6Info\"=-\r\n"
                                "\"DATAPATH\"=-\r\n"
                                "\"datapath\"=\"E:\\\\SOUND\\\\\"\r\n"
                                "\"Missing\"=-\r\n"
                                "\"counter\"=dword:0000000a\r\n";
    seeds.Add("delete_and_respell.reg", EncodeRegImportInput(0, changes));
    seeds.Add("delete_and_respell_store_fails_at_4th.reg", EncodeRegImportInput(4, changes));

    const std::string twoKeys =
        "REGEDIT4\n; another program's key comes first\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"Keep\"=\"no\"\n\n" +
        OurSection() +
        "@=\"default\"\n\"Bin\"=hex:00,01,\\\n  02,03\n"
        "\"Multi\"=hex(7):61,00,62,00,00\n";
    seeds.Add("two_keys.reg", EncodeRegImportInput(2, twoKeys));
    seeds.Add("delete_our_key.reg",
              EncodeRegImportInput(0, "REGEDIT4\r\n\r\n[-HKEY_LOCAL_MACHINE\\" +
                                          std::string(keyvoice::kZavKeyPath) + "]\r\n"));
    seeds.Add("version5_utf16.reg",
              EncodeRegImportInput(
                  1, Utf16File("Windows Registry Editor Version 5.00\r\n\r\n" + OurSection() +
                               "\"ZavSysPath\"=hex(2):43,00,3a,00,5c,00,00,00\r\n"
                               "\"Key9Info\"=\"1,0,C:\\\\cfff9.wax\"\r\n")));
}

void WriteSetupSeeds(const fs::path& root) {
    constexpr std::size_t kRecordSize = 280;
    constexpr std::size_t kVariantOffset = 268;
    const SeedFolder seeds(root, "setup_file_fuzzer");
    const auto record = [](std::size_t size, std::uint8_t variant) {
        Bytes file(size);
        if (size > kVariantOffset)
            file[kVariantOffset] = variant;
        return file;
    };
    seeds.Add("variant_m.zav", record(kRecordSize, 1));
    seeds.Add("variant_f.zav", record(kRecordSize, 2));
    seeds.Add("variant_minus_1.zav", record(kRecordSize, 0xFF));
    seeds.Add("one_byte_short.zav", record(kRecordSize - 1, 1));
    seeds.Add("longer_than_record.zav", record(kRecordSize + 40, 1));
}

void WriteConfigValueSeeds(const fs::path& root) {
    using zav::fuzz::EncodeConfigValueInput;
    const SeedFolder seeds(root, "config_value_fuzzer");
    enum NameIndex : std::size_t { kDataPath, kZavSysPath, kKey6, kKey7, kKey8 };
    seeds.Add("data_path_set_m.bin",
              EncodeConfigValueInput(kDataPath, ValueType::String, 1, BytesOf("D:\\SOUND\\")));
    seeds.Add("data_path_without_separator.bin",
              EncodeConfigValueInput(kDataPath, ValueType::String, 2, BytesOf("D:\\SOUND")));
    seeds.Add("sys_path_with_terminator.bin",
              EncodeConfigValueInput(kZavSysPath, ValueType::String, -1,
                                     BytesOf(std::string_view("C:\\APPS\\SYS\0junk", 16))));
    seeds.Add("key8_info.bin", EncodeConfigValueInput(kKey8, ValueType::String, 2,
                                                      BytesOf("12,2,C:\\APPS\\SYS\\cfff8.wax")));
    seeds.Add("key6_info_empty_fields.bin", EncodeConfigValueInput(kKey6, ValueType::ExpandString,
                                                                   2, BytesOf(",,12,2,C:\\X.wax")));
    seeds.Add("key7_info_two_fields.bin",
              EncodeConfigValueInput(kKey7, ValueType::Binary, 2, BytesOf("12,C:\\X.wax")));
    const std::string longest = "C:\\" + std::string(keyvoice::kConfigValueLimit - 3, 'A');
    seeds.Add("sys_path_at_limit.bin",
              EncodeConfigValueInput(kZavSysPath, ValueType::String, 2, BytesOf(longest)));
    seeds.Add("sys_path_over_limit.bin",
              EncodeConfigValueInput(kZavSysPath, ValueType::String, 2, BytesOf(longest + "B")));
}

void WriteMicMapSeeds(const fs::path& root) {
    using zav::fuzz::EncodeMicMapInput;
    const SeedFolder seeds(root, "mic_map_fuzzer");
    Bytes map;
    for (std::int32_t threshold : voxgauge::kDefaultMicMap)
        LeWriter(map).U32(static_cast<std::uint32_t>(threshold / 2 - 1));
    seeds.Add("binary_table.bin", EncodeMicMapInput(ValueType::Binary, map));
    seeds.Add("string_table.bin", EncodeMicMapInput(ValueType::String, map));
    seeds.Add("binary_one_byte_short.bin",
              EncodeMicMapInput(ValueType::Binary, std::span(map).first(map.size() - 1)));
    Bytes longer = map;
    longer.insert(longer.end(), {1, 2, 3, 4});
    seeds.Add("binary_one_entry_more.bin", EncodeMicMapInput(ValueType::Binary, longer));
    seeds.Add("dword.bin", EncodeMicMapInput(ValueType::Dword, Bytes{0x9B, 0, 0, 0}));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_seed_corpus FOLDER (normally fuzz/corpus)\n";
        return 2;
    }
    try {
        const fs::path root = argv[1];
        WriteWaxSeeds(root);
        WriteWaveSeeds(root);
        WriteKeyInfoSeeds(root);
        WriteRegSeeds(root);
        WriteSetupSeeds(root);
        WriteConfigValueSeeds(root);
        WriteMicMapSeeds(root);
    } catch (const std::exception& error) {
        std::cerr << "make_seed_corpus: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
