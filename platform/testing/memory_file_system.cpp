#include "platform/testing/memory_file_system.h"

#include <algorithm>

namespace zav::platform::sim {

std::string MemoryFileSystem::FileKey(std::string_view hostPath) {
    std::string key(hostPath);
    std::replace(key.begin(), key.end(), '\\', '/');
    return key;
}

bool MemoryFileSystem::IsFolder(const std::string& key) const {
    const std::string inside = key + "/";
    const auto next = files_.lower_bound(inside);
    return next != files_.end() && next->first.starts_with(inside);
}

bool MemoryFileSystem::UnderAFile(const std::string& key) const {
    for (std::size_t slash = key.find('/'); slash != std::string::npos;
         slash = key.find('/', slash + 1)) {
        if (files_.contains(key.substr(0, slash)))
            return true;
    }
    return false;
}

FileStatus MemoryFileSystem::Missing(const std::string& key) const {
    if (IsFolder(key))
        return {FileError::NotRegularFile, key + " is not a regular file"};
    return {FileError::NotFound, key + ": no such file"};
}

FileStatus MemoryFileSystem::ReadFile(std::string_view hostPath, std::uint64_t maxBytes,
                                      std::vector<std::uint8_t>& data) {
    data.clear();
    const std::vector<std::uint8_t>* content = Find(hostPath);
    if (content == nullptr)
        return Missing(FileKey(hostPath));
    if (content->size() > maxBytes)
        return {FileError::TooLarge, FileKey(hostPath) + " is too large"};
    data = *content;
    return {};
}

FileStatus MemoryFileSystem::ReadPrefix(std::string_view hostPath, std::uint64_t maxBytes,
                                        std::vector<std::uint8_t>& data) {
    data.clear();
    const std::vector<std::uint8_t>* content = Find(hostPath);
    if (content == nullptr)
        return Missing(FileKey(hostPath));
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(maxBytes, content->size()));
    data.assign(content->begin(), content->begin() + static_cast<std::ptrdiff_t>(count));
    return {};
}

FileStatus MemoryFileSystem::ReplaceFile(std::string_view hostPath,
                                         std::span<const std::span<const std::uint8_t>> pieces) {
    ++replaceCalls_;
    std::string path = FileKey(hostPath);
    if (path.empty() || UnderAFile(path))
        return {FileError::NotFound, "cannot create " + path + ": no such folder"};
    if (IsFolder(path))
        return {FileError::NotRegularFile, path + " is not a regular file; it was left as it was"};
    if (failingPrefix_ && path.starts_with(*failingPrefix_))
        return {FileError::IoError, "cannot write " + path + ": simulated write failure"};
    std::vector<std::uint8_t> content;
    for (std::span<const std::uint8_t> piece : pieces) {
        content.insert(content.end(), piece.begin(), piece.end());
    }
    files_[std::move(path)] = std::move(content);
    return {};
}

FileStatus MemoryFileSystem::DeleteFile(std::string_view hostPath) {
    const std::string path = FileKey(hostPath);
    if (files_.erase(path) == 0)
        return Missing(path);
    return {};
}

FileStatus MemoryFileSystem::RemoveStaleTemporaries(std::string_view hostPath) {
    const std::string target = FileKey(hostPath);
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = target.substr(folder.size());
    std::erase_if(files_, [&](const auto& file) {
        const std::string& key = file.first;
        return key.starts_with(folder) && key.find('/', folder.size()) == std::string::npos &&
               IsTemporaryName(std::string_view(key).substr(folder.size()), name);
    });
    return {};
}

void MemoryFileSystem::Put(std::string_view hostPath, std::vector<std::uint8_t> content) {
    files_[FileKey(hostPath)] = std::move(content);
}

const std::vector<std::uint8_t>* MemoryFileSystem::Find(std::string_view hostPath) const {
    auto found = files_.find(FileKey(hostPath));
    return found == files_.end() ? nullptr : &found->second;
}

}  // namespace zav::platform::sim
