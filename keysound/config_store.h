#pragma once
// KeyVoice's view of the host product's registry key: the paths of its sounds and the
// KeyNInfo values that register recordings.
//
// Thread: dialog. Nothing here shows a message; callers decide what a missing value means.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "keysound/analysis_result.h"
#include "keysound/key_slots.h"
#include "platform/files/files.h"
#include "platform/registry/registry.h"

namespace keyvoice {

// The host product's key under HKEY_LOCAL_MACHINE (two blanks after "ZAV").
inline constexpr std::string_view kZavKeyPath = "Software\\TAMBORI\\ZAV  - Blue Hollow -\\2.0";
inline constexpr zav::platform::Hive kZavHive = zav::platform::Hive::LocalMachine;

inline constexpr std::string_view kDataPathValue = "DataPath";
inline constexpr std::string_view kZavSysPathValue = "ZavSysPath";

// A value whose data is longer than this is treated as missing.
inline constexpr std::size_t kConfigValueLimit = 269;

class ConfigStore {
  public:
    explicit ConfigStore(zav::platform::RegistryStore& registry,
                         std::int32_t soundVariant = kDefaultSoundVariant)
        : registry_(registry), soundVariant_(soundVariant) {}

    std::int32_t SoundVariant() const { return soundVariant_; }
    void SetSoundVariant(std::int32_t soundVariant) { soundVariant_ = soundVariant; }

    // The path an item stands for: a built-in sound's file (DataPath followed directly by its
    // file name), the path field of a KeyNInfo value, or ZavSysPath itself. Nothing when the
    // key or value is missing, the value is longer than kConfigValueLimit, a KeyNInfo text has
    // fewer than three fields, or the item is not one of the twelve. An empty ZavSysPath is
    // missing too: it names no folder, and every use of it (the store, Erase, the setup file)
    // would otherwise reach the root of the drive.
    std::optional<std::string> ReadConfigValue(ConfigItem item) const;

    // Writes text as a string value (without a terminating zero), creating the key when it is
    // missing. Failures are ignored, as callers have nothing to do about them.
    void WriteConfigValue(std::string_view text, std::string_view valueName) const;

    // WriteConfigValue that tells whether the value was stored.
    bool TryWriteConfigValue(std::string_view text, std::string_view valueName) const;
    // The text of a value of the key as stored, up to its terminating zero; nothing when it is
    // missing or longer than maxBytes. No item's rules apply.
    std::optional<std::string> ReadValueText(std::string_view valueName,
                                             std::size_t maxBytes) const;

    // Deletes a value; the result is the store's.
    zav::platform::RegResult DeleteConfigValue(std::string_view valueName) const;
    // Opens the host product's key with full access, as Erase does before it deletes.
    zav::platform::RegResult OpenKeyForDeleting(zav::platform::RegistryKey& key) const;

    // Why the latest read gave nothing when the store itself failed (busy, damaged, access
    // refused): "<what happened> (<the store's own text>)". Empty when that read reached the
    // store, even if the key or value was missing.
    const std::string& StoreFailure() const { return storeFailure_; }

  private:
    // Keeps StoreFailure's text for a read's result.
    void NoteReadResult(zav::platform::RegResult result) const;

    zav::platform::RegistryStore& registry_;
    std::int32_t soundVariant_;
    mutable std::string storeFailure_;
};

// "level,class,path": the text of a KeyNInfo value. Periodic is class 0, InBand 2, and both
// Irregular and Silent are 1.
std::string FormatKeyInfo(std::string_view path, SoundClass soundClass, std::int32_t level);

// The path field of a KeyNInfo text: fields are separated by runs of commas, leading commas
// are skipped, and the third field is the path; anything after it is ignored. Nothing when the
// text has fewer than three fields.
std::optional<std::string> ParseKeyInfoPath(std::string_view text);

// soundVariant from the host product's setup file: the signed byte at offset 268 of the
// 280-byte record in ZavSysPath + "\setup.zav". 2 when the folder is not configured, the
// file cannot be read or it is shorter than the record.
std::int32_t ReadSoundVariant(const ConfigStore& config, zav::platform::FileSystem& files);

}  // namespace keyvoice
