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
        return {FileError::IoError, path + " is not a regular file"};
    return status;
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
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK)
        return {FileError::IoError, path + " is not a regular file"};
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
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size))
        return LastErrorStatus("cannot read", path);
    return ReadFully(file.Get(), path,
                     std::min(maxBytes, static_cast<std::uint64_t>(size.QuadPart)), data);
}

FileStatus Win32FileSystem::ReplaceFile(std::string_view hostPath,
                                        std::span<const std::span<const std::uint8_t>> pieces) {
    const std::string path = NativePath(hostPath);
    const std::wstring target = WideFromUtf8(path);
    if (target.empty())
        return {FileError::NotFound, "cannot create a file without a name"};

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
    if (!::DeleteFileW(WideFromUtf8(path).c_str()))
        return LastErrorStatus("cannot delete", path);
    return {};
}

}  // namespace zav::platform::win32
