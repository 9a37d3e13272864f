#include "platform/registry/registry.h"

#include <algorithm>
#include <utility>

namespace zav::platform {

namespace {

char FoldChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool AllowsReading(Access access) {
    return access == Access::Read || access == Access::All;
}
bool AllowsWriting(Access access) {
    return access == Access::Write || access == Access::All;
}

}  // namespace

std::string_view RegResultText(RegResult result) {
    switch (result) {
        case RegResult::Success:
            return "no error";
        case RegResult::FileNotFound:
            return "not found";
        case RegResult::AccessDenied:
            return "access denied";
        case RegResult::InvalidHandle:
            return "invalid handle";
        case RegResult::InvalidParameter:
            return "invalid parameter";
        case RegResult::Busy:
            return "the store is busy: another program is writing to it";
        case RegResult::MoreData:
            return "more data than expected";
        case RegResult::BadDatabase:
            return "the store is damaged or cannot be read or written";
    }
    return "unknown error";
}

std::string FoldName(std::string_view name) {
    std::string folded(name);
    std::transform(folded.begin(), folded.end(), folded.begin(), FoldChar);
    return folded;
}

std::string FoldKeyPath(std::string_view path) {
    while (!path.empty() && path.front() == '\\')
        path.remove_prefix(1);
    while (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);
    return FoldName(path);
}

RegResult RegistryStore::OpenKey(Hive hive, std::string_view path, Access access,
                                 RegistryKey& key) {
    key.Close();
    if (RegResult found = KeyExists(hive, path); found != RegResult::Success)
        return found;
    if (RegResult allowed = CheckAccess(hive, path, access); allowed != RegResult::Success) {
        return allowed;
    }
    key = RegistryKey(*this, hive, std::string(path), access);
    return RegResult::Success;
}

RegResult RegistryStore::CreateKey(Hive hive, std::string_view path, Access access,
                                   RegistryKey& key) {
    key.Close();
    if (RegResult allowed = CheckAccess(hive, path, access); allowed != RegResult::Success) {
        return allowed;
    }
    if (RegResult created = CreateKeyPath(hive, path); created != RegResult::Success) {
        return created;
    }
    key = RegistryKey(*this, hive, std::string(path), access);
    return RegResult::Success;
}

RegResult RegistryStore::ApplyInTurn(Hive hive, std::string_view path,
                                     std::span<const ValueChange> changes, std::size_t& deleted,
                                     bool& restored) {
    deleted = 0;
    restored = true;
    std::vector<NamedValue> before;
    if (RegResult listed = ListValues(hive, path, before); listed != RegResult::Success)
        return listed;
    for (const ValueChange& change : changes) {
        RegResult result = RegResult::Success;
        if (change.remove) {
            result = DeleteValue(hive, path, change.name);
            if (result == RegResult::Success)
                ++deleted;
            if (result == RegResult::FileNotFound)
                result = RegResult::Success;
        } else {
            result = SetValue(hive, path, change.name, change.value.type, change.value.data);
        }
        if (result == RegResult::Success)
            continue;

        deleted = 0;
        std::vector<NamedValue> now;
        restored = ListValues(hive, path, now) == RegResult::Success;
        // Setting a value keeps the spelling it was created with, so one that was deleted and
        // created again in other letters goes first and comes back as it was.
        for (const NamedValue& current : now) {
            const bool existed =
                std::any_of(before.begin(), before.end(),
                            [&](const NamedValue& old) { return old.name == current.name; });
            if (!existed)
                restored = DeleteValue(hive, path, current.name) == RegResult::Success && restored;
        }
        for (const NamedValue& old : before) {
            restored = SetValue(hive, path, old.name, old.value.type, old.value.data) ==
                           RegResult::Success &&
                       restored;
        }
        return result;
    }
    return RegResult::Success;
}

RegistryKey::RegistryKey(RegistryStore& store, Hive hive, std::string path, Access access)
    : store_(&store), hive_(hive), path_(std::move(path)), access_(access) {}

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : store_(std::exchange(other.store_, nullptr)),
      hive_(other.hive_),
      path_(std::move(other.path_)),
      access_(other.access_) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
    if (this != &other) {
        store_ = std::exchange(other.store_, nullptr);
        hive_ = other.hive_;
        path_ = std::move(other.path_);
        access_ = other.access_;
    }
    return *this;
}

RegResult RegistryKey::Query(std::string_view name, RegistryValue& value) const {
    if (!IsOpen())
        return RegResult::InvalidHandle;
    if (!AllowsReading(access_))
        return RegResult::AccessDenied;
    return store_->QueryValue(hive_, path_, name, value);
}

RegResult RegistryKey::QueryBounded(std::string_view name, std::size_t bufferSize,
                                    RegistryValue& value) const {
    RegResult result = Query(name, value);
    if (result == RegResult::Success && value.data.size() > bufferSize) {
        value.data.clear();
        return RegResult::MoreData;
    }
    return result;
}

RegResult RegistryKey::Set(std::string_view name, ValueType type,
                           std::span<const std::uint8_t> data) {
    if (!IsOpen())
        return RegResult::InvalidHandle;
    if (!AllowsWriting(access_))
        return RegResult::AccessDenied;
    return store_->SetValue(hive_, path_, name, type, data);
}

RegResult RegistryKey::SetString(std::string_view name, std::string_view text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    return Set(name, ValueType::String, std::span(bytes, text.size()));
}

RegResult RegistryKey::SetDword(std::string_view name, std::uint32_t number) {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
        static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
    return Set(name, ValueType::Dword, bytes);
}

RegResult RegistryKey::Delete(std::string_view name) {
    if (!IsOpen())
        return RegResult::InvalidHandle;
    if (!AllowsWriting(access_))
        return RegResult::AccessDenied;
    return store_->DeleteValue(hive_, path_, name);
}

RegResult RegistryKey::Apply(std::span<const ValueChange> changes, std::size_t& deleted) {
    deleted = 0;
    if (!IsOpen())
        return RegResult::InvalidHandle;
    if (!AllowsWriting(access_))
        return RegResult::AccessDenied;
    return store_->ApplyChanges(hive_, path_, changes, deleted);
}

RegResult RegistryKey::List(std::vector<NamedValue>& values) const {
    values.clear();
    if (!IsOpen())
        return RegResult::InvalidHandle;
    if (!AllowsReading(access_))
        return RegResult::AccessDenied;
    return store_->ListValues(hive_, path_, values);
}

}  // namespace zav::platform
