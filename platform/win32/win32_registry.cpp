#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <limits>
#include <string>
#include <vector>

#include "platform/registry/key_path.h"

#include "platform/win32/registry_handle.h"
#include "platform/win32/wide_text.h"

namespace zav::platform::win32 {

namespace {

// The host product reads the 32-bit view; a 64-bit build must write there too.
constexpr REGSAM kView = KEY_WOW64_32KEY;

HKEY RootKey(Hive hive) {
    switch (hive) {
        case Hive::ClassesRoot:
            return HKEY_CLASSES_ROOT;
        case Hive::CurrentUser:
            return HKEY_CURRENT_USER;
        case Hive::LocalMachine:
            return HKEY_LOCAL_MACHINE;
        case Hive::Users:
            return HKEY_USERS;
    }
    return nullptr;
}

REGSAM Rights(Access access) {
    switch (access) {
        case Access::Read:
            return KEY_READ;
        case Access::Write:
            return KEY_WRITE;
        case Access::All:
            return KEY_READ | KEY_WRITE;
    }
    return KEY_READ;
}

// The registry's functions take the key's path and value names without the separators our
// paths may carry at either end.
std::string TrimmedPath(std::string_view path) {
    while (!path.empty() && path.front() == '\\')
        path.remove_prefix(1);
    while (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);
    return std::string(path);
}

LSTATUS OpenExisting(Hive hive, std::string_view path, REGSAM rights, RegistryHandle& key) {
    const HKEY root = RootKey(hive);
    if (root == nullptr)
        return ERROR_INVALID_PARAMETER;
    return ::RegOpenKeyExA(root, TrimmedPath(path).c_str(), 0, rights | kView, key.Receive());
}

}  // namespace

std::string Win32Registry::LastError() const {
    const std::lock_guard<std::mutex> guard(errorLock_);
    return lastError_;
}

RegResult Win32Registry::Fail(long code, std::string_view what, std::string_view path) {
    switch (code) {
        case ERROR_SUCCESS:
            return RegResult::Success;
        case ERROR_FILE_NOT_FOUND:
            return RegResult::FileNotFound;
        case ERROR_MORE_DATA:
            return RegResult::MoreData;
        case ERROR_INVALID_PARAMETER:
            return RegResult::InvalidParameter;
        default:
            break;
    }
    {
        const std::lock_guard<std::mutex> guard(errorLock_);
        lastError_ = "cannot " + std::string(what) + " key " + TrimmedPath(path) + ": " +
                     SystemErrorText(static_cast<unsigned long>(code));
    }
    return code == ERROR_ACCESS_DENIED ? RegResult::AccessDenied : RegResult::BadDatabase;
}

RegResult Win32Registry::CheckAccess(Hive hive, std::string_view path, Access access) {
    // A key that does not exist yet is checked when it is created.
    RegistryHandle key;
    const LSTATUS status = OpenExisting(hive, path, Rights(access), key);
    if (status == ERROR_FILE_NOT_FOUND)
        return RegResult::Success;
    return Fail(status, "open", path);
}

RegResult Win32Registry::KeyExists(Hive hive, std::string_view path) {
    RegistryHandle key;
    return Fail(OpenExisting(hive, path, KEY_QUERY_VALUE, key), "open", path);
}

RegResult Win32Registry::CreateKeyPath(Hive hive, std::string_view path) {
    const HKEY root = RootKey(hive);
    // The registry would skip an empty name inside the path ("A\\B"); no key has that path.
    if (root == nullptr || !KeyPathPrefixes(path))
        return RegResult::InvalidParameter;
    RegistryHandle key;
    return Fail(
        ::RegCreateKeyExA(root, TrimmedPath(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_WRITE | kView, nullptr, key.Receive(), nullptr),
        "create", path);
}

RegResult Win32Registry::QueryValue(Hive hive, std::string_view path, std::string_view name,
                                    RegistryValue& value) {
    RegistryHandle key;
    if (RegResult opened = Fail(OpenExisting(hive, path, KEY_QUERY_VALUE, key), "open", path);
        opened != RegResult::Success) {
        return opened;
    }
    const std::string valueName(name);
    // The value may grow between asking for its size and reading it: ask again then.
    for (;;) {
        DWORD type = REG_NONE;
        DWORD size = 0;
        LSTATUS status =
            ::RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, &type, nullptr, &size);
        if (status != ERROR_SUCCESS)
            return Fail(status, "read a value of", path);
        value.type = static_cast<ValueType>(type);
        value.data.assign(size, 0);
        status = ::RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, &type, value.data.data(),
                                    &size);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            return Fail(status, "read a value of", path);
        value.type = static_cast<ValueType>(type);
        value.data.resize(size);
        return RegResult::Success;
    }
}

RegResult Win32Registry::SetValue(Hive hive, std::string_view path, std::string_view name,
                                  ValueType type, std::span<const std::uint8_t> data) {
    if (data.size() > std::numeric_limits<DWORD>::max())
        return RegResult::InvalidParameter;
    RegistryHandle key;
    if (RegResult opened = Fail(OpenExisting(hive, path, KEY_SET_VALUE, key), "open", path);
        opened != RegResult::Success) {
        return opened;
    }
    // For a string type the registry looks at the byte after the data and, when it is a zero,
    // stores that too as the string's terminator. The data goes from a copy followed by a byte
    // that is not, so that exactly the bytes given are stored.
    std::vector<std::uint8_t> followed(data.begin(), data.end());
    followed.push_back(0xff);
    return Fail(::RegSetValueExA(key.Get(), std::string(name).c_str(), 0, static_cast<DWORD>(type),
                                 followed.data(), static_cast<DWORD>(data.size())),
                "write a value of", path);
}

RegResult Win32Registry::DeleteValue(Hive hive, std::string_view path, std::string_view name) {
    RegistryHandle key;
    if (RegResult opened = Fail(OpenExisting(hive, path, KEY_SET_VALUE, key), "open", path);
        opened != RegResult::Success) {
        return opened;
    }
    return Fail(::RegDeleteValueA(key.Get(), std::string(name).c_str()), "delete a value of", path);
}

RegResult Win32Registry::ListValues(Hive hive, std::string_view path,
                                    std::vector<NamedValue>& values) {
    values.clear();
    RegistryHandle key;
    if (RegResult opened = Fail(OpenExisting(hive, path, KEY_QUERY_VALUE, key), "open", path);
        opened != RegResult::Success) {
        return opened;
    }
    DWORD count = 0;
    DWORD longestName = 0;
    if (const LSTATUS status =
            ::RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               &count, &longestName, nullptr, nullptr, nullptr);
        status != ERROR_SUCCESS) {
        return Fail(status, "list the values of", path);
    }
    for (DWORD index = 0; index < count; ++index) {
        std::string name(longestName + 1, '\0');
        DWORD nameLength = longestName + 1;
        const LSTATUS status = ::RegEnumValueA(key.Get(), index, name.data(), &nameLength, nullptr,
                                               nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            break;  // another program deleted values meanwhile
        if (status != ERROR_SUCCESS)
            return Fail(status, "list the values of", path);
        name.resize(nameLength);
        NamedValue named{name, {}};
        if (RegResult read = QueryValue(hive, path, name, named.value);
            read != RegResult::Success) {
            return read;
        }
        values.push_back(std::move(named));
    }
    return RegResult::Success;
}

RegResult Win32Registry::ApplyChanges(Hive hive, std::string_view path,
                                      std::span<const ValueChange> changes, std::size_t& deleted) {
    {
        const std::lock_guard<std::mutex> guard(errorLock_);
        lastError_.clear();  // so that the text below is about this batch
    }
    bool restored = true;
    const RegResult result = ApplyInTurn(hive, path, changes, deleted, restored);
    if (result != RegResult::Success) {
        const std::lock_guard<std::mutex> guard(errorLock_);
        if (lastError_.empty())
            lastError_ = std::string(RegResultText(result));
        lastError_ += restored ? "; the key's earlier values were put back"
                               : "; the key's earlier values could not all be put back";
    }
    return result;
}

}  // namespace zav::platform::win32
