#include "platform/testing/memory_registry.h"

#include <algorithm>

#include "platform/registry/key_path.h"

namespace zav::platform::sim {

namespace {

bool NeedsRead(Access access) {
    return access == Access::Read || access == Access::All;
}
bool NeedsWrite(Access access) {
    return access == Access::Write || access == Access::All;
}

}  // namespace

void MemoryRegistry::DenyAccess(Access access) {
    std::lock_guard lock(mutex_);
    readDenied_ = readDenied_ || NeedsRead(access);
    writeDenied_ = writeDenied_ || NeedsWrite(access);
}

void MemoryRegistry::AllowAllAccess() {
    std::lock_guard lock(mutex_);
    readDenied_ = false;
    writeDenied_ = false;
}

void MemoryRegistry::SetBadDatabase(bool bad) {
    std::lock_guard lock(mutex_);
    badDatabase_ = bad;
}

void MemoryRegistry::FailChange(int n) {
    std::lock_guard lock(mutex_);
    failingChange_ = n;
    changes_ = 0;
}

bool MemoryRegistry::ChangeFails() {
    return failingChange_ > 0 && ++changes_ == failingChange_;
}

bool MemoryRegistry::ApplyTo(Key& key, const ValueChange& change) {
    std::string folded = FoldName(change.name);
    const auto found = std::find_if(key.values.begin(), key.values.end(),
                                    [&](const StoredValue& s) { return s.foldedName == folded; });
    if (change.remove) {
        if (found == key.values.end())
            return false;
        key.values.erase(found);
    } else if (found != key.values.end()) {
        // Replacing keeps the value's first spelling and its place in the list.
        found->named.value = change.value;
    } else {
        key.values.push_back({std::move(folded), NamedValue{change.name, change.value}});
    }
    return true;
}

MemoryRegistry::Key* MemoryRegistry::FindKey(Hive hive, std::string_view path) {
    std::string folded = FoldKeyPath(path);
    if (folded.empty())
        return &keys_[KeyId(hive, std::move(folded))];
    auto found = keys_.find(KeyId(hive, std::move(folded)));
    return found == keys_.end() ? nullptr : &found->second;
}

RegResult MemoryRegistry::CheckAccess(Hive, std::string_view, Access access) {
    std::lock_guard lock(mutex_);
    if (badDatabase_)
        return RegResult::BadDatabase;
    if ((readDenied_ && NeedsRead(access)) || (writeDenied_ && NeedsWrite(access))) {
        return RegResult::AccessDenied;
    }
    return RegResult::Success;
}

RegResult MemoryRegistry::KeyExists(Hive hive, std::string_view path) {
    std::lock_guard lock(mutex_);
    if (badDatabase_)
        return RegResult::BadDatabase;
    return FindKey(hive, path) != nullptr ? RegResult::Success : RegResult::FileNotFound;
}

RegResult MemoryRegistry::CreateKeyPath(Hive hive, std::string_view path) {
    std::lock_guard lock(mutex_);
    if (badDatabase_)
        return RegResult::BadDatabase;
    const auto prefixes = KeyPathPrefixes(path);
    if (!prefixes)
        return RegResult::InvalidParameter;
    for (std::string_view prefix : *prefixes)
        keys_[KeyId(hive, FoldKeyPath(prefix))];
    return RegResult::Success;
}

RegResult MemoryRegistry::QueryValue(Hive hive, std::string_view path, std::string_view name,
                                     RegistryValue& value) {
    std::lock_guard lock(mutex_);
    if (badDatabase_)
        return RegResult::BadDatabase;
    const Key* key = FindKey(hive, path);
    if (key == nullptr)
        return RegResult::FileNotFound;
    const std::string folded = FoldName(name);
    for (const StoredValue& stored : key->values) {
        if (stored.foldedName == folded) {
            value = stored.named.value;
            return RegResult::Success;
        }
    }
    return RegResult::FileNotFound;
}

RegResult MemoryRegistry::SetValue(Hive hive, std::string_view path, std::string_view name,
                                   ValueType type, std::span<const std::uint8_t> data) {
    std::lock_guard lock(mutex_);
    if (badDatabase_)
        return RegResult::BadDatabase;
    Key* key = FindKey(hive, path);
    if (key == nullptr)
        return RegResult::FileNotFound;
    if (ChangeFails())
        return RegResult::BadDatabase;
    ApplyTo(*key, ValueChange{std::string(name), false,
                              RegistryValue{type, Bytes(data.begin(), data.end())}});
    return RegResult::Success;
}

RegResult MemoryRegistry::DeleteValue(Hive hive, std::string_view path, std::string_view name) {
    std::lock_guard lock(mutex_);
    if (badDatabase_)
        return RegResult::BadDatabase;
    Key* key = FindKey(hive, path);
    if (key == nullptr)
        return RegResult::FileNotFound;
    if (ChangeFails())
        return RegResult::BadDatabase;
    return ApplyTo(*key, ValueChange{std::string(name), true, {}}) ? RegResult::Success
                                                                   : RegResult::FileNotFound;
}

RegResult MemoryRegistry::ApplyChanges(Hive hive, std::string_view path,
                                       std::span<const ValueChange> changes, std::size_t& deleted) {
    std::lock_guard lock(mutex_);
    deleted = 0;
    if (badDatabase_)
        return RegResult::BadDatabase;
    Key* key = FindKey(hive, path);
    if (key == nullptr)
        return RegResult::FileNotFound;
    // The changes go to a copy, which takes the key's place only when all of them were made.
    Key changed = *key;
    std::size_t deletedNow = 0;
    for (const ValueChange& change : changes) {
        if (ChangeFails())
            return RegResult::BadDatabase;
        if (ApplyTo(changed, change) && change.remove)
            ++deletedNow;
    }
    *key = std::move(changed);
    deleted = deletedNow;
    return RegResult::Success;
}

RegResult MemoryRegistry::ListValues(Hive hive, std::string_view path,
                                     std::vector<NamedValue>& values) {
    std::lock_guard lock(mutex_);
    values.clear();
    if (badDatabase_)
        return RegResult::BadDatabase;
    const Key* key = FindKey(hive, path);
    if (key == nullptr)
        return RegResult::FileNotFound;
    for (const StoredValue& stored : key->values)
        values.push_back(stored.named);
    return RegResult::Success;
}

}  // namespace zav::platform::sim
