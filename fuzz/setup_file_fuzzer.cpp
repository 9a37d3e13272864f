// Feeds arbitrary bytes as the host product's setup file: soundVariant is the signed byte at
// offset 268 of a file that holds the whole 280-byte record, the default otherwise, and the
// file is only read.

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "keysound/config_store.h"
#include "platform/testing/memory_file_system.h"
#include "platform/testing/memory_registry.h"

namespace {

using zav::fuzz::Require;

constexpr std::string_view kZavSysPath = "C:\\APPS\\SYS";
constexpr std::size_t kRecordSize = 280;
constexpr std::size_t kVariantOffset = 268;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zav::platform::sim::MemoryRegistry registry;
    zav::platform::RegistryKey key;
    registry.CreateKey(keyvoice::kZavHive, keyvoice::kZavKeyPath, zav::platform::Access::All, key);
    key.SetString(keyvoice::kZavSysPathValue, kZavSysPath);

    const std::string setupPath = std::string(kZavSysPath) + "\\setup.zav";
    const std::vector<std::uint8_t> file(data, data + size);
    zav::platform::sim::MemoryFileSystem files;
    files.Put(setupPath, file);

    const std::int32_t variant = keyvoice::ReadSoundVariant(keyvoice::ConfigStore(registry), files);
    const std::int32_t expected = size >= kRecordSize
                                      ? static_cast<std::int8_t>(data[kVariantOffset])
                                      : keyvoice::kDefaultSoundVariant;
    Require(variant == expected, "soundVariant is the signed byte 268 of a whole record, else 2");
    Require(
        files.ReplaceCalls() == 0 && files.Files().size() == 1 && *files.Find(setupPath) == file,
        "the setup file is only read");
    return 0;
}
