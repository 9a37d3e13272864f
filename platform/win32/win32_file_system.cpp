#include "platform/win32/win32_file_system.h"

#include <windows.h>
// The interface's own names, not the system's A/W macros.
#undef DeleteFile
#undef ReplaceFile

#include <algorithm>
#include <atomic>
#include <string>

#include "platform/win32/file_handle.h"
#include "platform/win32/wide_text.h"

namespace zav::platform::win32 {

namespace {

// The largest piece one WriteFile or ReadFile call takes.
constexpr std::size_t kMaxTransfer = 1u << 30;

FileStatus LastErrorStatus(std::string_view what, const std::string& path) {
    const DWORD error = ::GetLastError();
    FileError kind = FileError::IoError;
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
        error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH) {
        kind = FileError::NotFound;
    }
    if (error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT ||
        error == ERROR_SHARING_VIOLATION) {
        kind = FileError::AccessDenied;
    }
    return {kind, std::string(what) + " " + path + ": " + SystemErrorText(error)};
}

HANDLE OpenForReading(const std::wstring& path) {
    return ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// A directory opens only with backup semantics, so a plain open of one fails as access denied;
// say what it really is.
FileStatus OpenFailure(const std::wstring& widePath, const std::string& path) {
    FileStatus status = LastErrorStatus("cannot open", path);
    const DWORD attributes = ::GetFileAttributesW(widePath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return {FileError::NotRegularFile, path + " is not a regular file"};
    return status;
}

// Only files on a disk are read or replaced: a pipe, a console or a device such as NUL is not.
bool IsDiskFile(HANDLE file) {
    return ::GetFileType(file) == FILE_TYPE_DISK;
}

// The file a replacement writes: the path itself, or the file a symbolic link leads to, so that
// the link stays a link. Refuses a target that exists and is not a file on a disk.
FileStatus ResolveTarget(const std::wstring& widePath, const std::string& path,
                         std::wstring& target) {
    target = widePath;
    const DWORD attributes = ::GetFileAttributesW(widePath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return {};  // a new file; a missing folder shows when the temporary file is made
    const FileStatus notFile{FileError::NotRegularFile,
                             path + " is not a regular file; it was left as it was"};
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return notFile;
    FileHandle file(::CreateFileW(widePath.c_str(), 0,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return LastErrorStatus("cannot open", path);
    if (!IsDiskFile(file.Get()))
        return notFile;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        std::wstring resolved(MAX_PATH, L'\0');
        DWORD length = ::GetFinalPathNameByHandleW(file.Get(), resolved.data(),
                                                   static_cast<DWORD>(resolved.size()), 0);
        if (length >= resolved.size()) {
            resolved.resize(length + 1);
            length = ::GetFinalPathNameByHandleW(file.Get(), resolved.data(),
                                                 static_cast<DWORD>(resolved.size()), 0);
        }
        if (length == 0 || length >= resolved.size())
            return LastErrorStatus("cannot follow the link", path);
        resolved.resize(length);
        target = resolved;
    }
    return {};
}

// Whether name is a temporary file of the file named targetName, as TemporaryName below makes
// them: the target's name, '.', the process id, '-', a counter and ".tmp".
bool IsTemporaryOf(std::wstring_view name, std::wstring_view targetName) {
    constexpr std::wstring_view kEnd = L".tmp";
    if (name.size() <= targetName.size() + 1 + kEnd.size() || !name.starts_with(targetName) ||
        name[targetName.size()] != L'.' || !name.ends_with(kEnd)) {
        return false;
    }
    const std::wstring_view middle =
        name.substr(targetName.size() + 1, name.size() - targetName.size() - 1 - kEnd.size());
    const std::size_t dash = middle.find(L'-');
    if (dash == 0 || dash == std::wstring_view::npos || dash + 1 == middle.size())
        return false;
    for (std::size_t i = 0; i < middle.size(); ++i) {
        if (i != dash && (middle[i] < L'0' || middle[i] > L'9'))
            return false;
    }
    return true;
}

FileStatus ReadFully(HANDLE file, const std::string& path, std::uint64_t count,
                     std::vector<std::uint8_t>& data) {
    data.resize(static_cast<std::size_t>(count));
    std::size_t done = 0;
    while (done < data.size()) {
        const auto asked = static_cast<DWORD>(std::min(data.size() - done, kMaxTransfer));
        DWORD got = 0;
        if (!::ReadFile(file, data.data() + done, asked, &got, nullptr))
            return LastErrorStatus("cannot read", path);
        if (got == 0)
            break;
        done += got;
    }
    data.resize(done);
    return {};
}

FileStatus WriteFully(HANDLE file, const std::string& path, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto asked = static_cast<DWORD>(std::min(bytes.size() - done, kMaxTransfer));
        DWORD put = 0;
        if (!::WriteFile(file, bytes.data() + done, asked, &put, nullptr))
            return LastErrorStatus("cannot write", path);
        done += put;
    }
    return {};
}

// A name in the target's folder that no other file has: the target's name, the process and a
// counter. CREATE_NEW refuses a name that exists, so a clash only costs another try.
std::wstring TemporaryName(const std::wstring& target, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    return target + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring(counter.fetch_add(1) + attempt) + L".tmp";
}

}  // namespace

FileStatus Win32FileSystem::ReadFile(std::string_view hostPath, std::uint64_t maxBytes,
                                     std::vector<std::uint8_t>& data) {
    data.clear();
    const std::string path = NativePath(hostPath);
    const std::wstring widePath = WideFromUtf8(path);
    FileHandle file(OpenForReading(widePath));
    if (!file.Valid())
        return OpenFailure(widePath, path);
    if (!IsDiskFile(file.Get()))
        return {FileError::NotRegularFile, path + " is not a regular file"};
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size))
        return LastErrorStatus("cannot read", path);
    if (static_cast<std::uint64_t>(size.QuadPart) > maxBytes)
        return {FileError::TooLarge, path + " is too large"};
    return ReadFully(file.Get(), path, static_cast<std::uint64_t>(size.QuadPart), data);
}

FileStatus Win32FileSystem::ReadPrefix(std::string_view hostPath, std::uint64_t maxBytes,
                                       std::vector<std::uint8_t>& data) {
    data.clear();
    const std::string path = NativePath(hostPath);
    const std::wstring widePath = WideFromUtf8(path);
    FileHandle file(OpenForReading(widePath));
    if (!file.Valid())
        return OpenFailure(widePath, path);
    if (!IsDiskFile(file.Get()))
        return {FileError::NotRegularFile, path + " is not a regular file"};
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size))
        return LastErrorStatus("cannot read", path);
    return ReadFully(file.Get(), path,
                     std::min(maxBytes, static_cast<std::uint64_t>(size.QuadPart)), data);
}

FileStatus Win32FileSystem::ReplaceFile(std::string_view hostPath,
                                        std::span<const std::span<const std::uint8_t>> pieces) {
    const std::string path = NativePath(hostPath);
    const std::wstring widePath = WideFromUtf8(path);
    if (widePath.empty())
        return {FileError::NotFound, "cannot create a file without a name"};
    std::wstring target;
    if (FileStatus resolved = ResolveTarget(widePath, path, target); !resolved.Ok())
        return resolved;

    std::wstring temporary;
    HANDLE created = INVALID_HANDLE_VALUE;
    constexpr unsigned kAttempts = 16;
    for (unsigned attempt = 0; attempt < kAttempts && created == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = TemporaryName(target, attempt);
        created = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    FileHandle file(created);
    if (!file.Valid())
        return LastErrorStatus("cannot create", path);

    const std::string temporaryPath = Utf8FromWide(temporary);
    FileStatus status;
    for (std::span<const std::uint8_t> piece : pieces) {
        status = WriteFully(file.Get(), temporaryPath, piece);
        if (!status.Ok())
            break;
    }
    if (status.Ok() && !::FlushFileBuffers(file.Get()))
        status = LastErrorStatus("cannot flush", temporaryPath);
    if (status.Ok() && !file.Close())
        status = LastErrorStatus("cannot close", temporaryPath);
    if (status.Ok() && !::MoveFileExW(temporary.c_str(), target.c_str(),
                                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        status = LastErrorStatus("cannot replace", path);
    }
    if (!status.Ok()) {
        file.Close();
        ::DeleteFileW(temporary.c_str());
    }
    return status;
}

FileStatus Win32FileSystem::DeleteFile(std::string_view hostPath) {
    const std::string path = NativePath(hostPath);
    const std::wstring widePath = WideFromUtf8(path);
    if (!::DeleteFileW(widePath.c_str())) {
        // A folder is refused as access denied; say what it really is, as a read does.
        FileStatus status = LastErrorStatus("cannot delete", path);
        const DWORD attributes = ::GetFileAttributesW(widePath.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return {FileError::NotRegularFile,
                    path + " is not a regular file; it was left as it was"};
        return status;
    }
    return {};
}

FileStatus Win32FileSystem::RemoveStaleTemporaries(std::string_view hostPath) {
    const std::string path = NativePath(hostPath);
    const std::wstring widePath = WideFromUtf8(path);
    if (widePath.empty())
        return {};
    // ReplaceFile writes beside the file a link leads to.
    std::wstring target = widePath;
    if (!ResolveTarget(widePath, path, target).Ok())
        target = widePath;
    const std::size_t separator = target.find_last_of(L"\\/");
    const std::wstring folder =
        separator == std::wstring::npos ? L"" : target.substr(0, separator + 1);
    const std::wstring name = target.substr(folder.size());

    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((target + L".*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return {};  // nothing of the kind, or no such folder
    FileStatus status;
    do {
        const std::wstring_view foundName = found.cFileName;
        if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
                0 ||
            !IsTemporaryOf(foundName, name)) {
            continue;
        }
        const std::wstring stale = folder + found.cFileName;
        if (!::DeleteFileW(stale.c_str()) && status.Ok() &&
            ::GetLastError() != ERROR_FILE_NOT_FOUND) {
            status = LastErrorStatus("cannot delete", Utf8FromWide(stale));
        }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return status;
}

}  // namespace zav::platform::win32
