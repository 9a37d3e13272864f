#include "platform/testing/memory_file_system.h"

#include <algorithm>

namespace zav::platform::sim {

std::string MemoryFileSystem::FileKey(std::string_view hostPath) {
    std::string key(hostPath);
    std::replace(key.begin(), key.end(), '\\', '/');
    return key;
}

FileStatus MemoryFileSystem::ReadFile(std::string_view hostPath, std::uint64_t maxBytes,
                                      std::vector<std::uint8_t>& data) {
    data.clear();
    const std::vector<std::uint8_t>* content = Find(hostPath);
    if (content == nullptr)
        return {FileError::NotFound, "no such file"};
    if (content->size() > maxBytes)
        return {FileError::TooLarge, "file too large"};
    data = *content;
    return {};
}

FileStatus MemoryFileSystem::ReadPrefix(std::string_view hostPath, std::uint64_t maxBytes,
                                        std::vector<std::uint8_t>& data) {
    data.clear();
    const std::vector<std::uint8_t>* content = Find(hostPath);
    if (content == nullptr)
        return {FileError::NotFound, "no such file"};
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(maxBytes, content->size()));
    data.assign(content->begin(), content->begin() + static_cast<std::ptrdiff_t>(count));
    return {};
}

FileStatus MemoryFileSystem::ReplaceFile(std::string_view hostPath,
                                         std::span<const std::span<const std::uint8_t>> pieces) {
    ++replaceCalls_;
    std::string path = FileKey(hostPath);
    if (failingPrefix_ && path.starts_with(*failingPrefix_)) {
        return {FileError::IoError, "simulated write failure"};
    }
    std::vector<std::uint8_t> content;
    for (std::span<const std::uint8_t> piece : pieces) {
        content.insert(content.end(), piece.begin(), piece.end());
    }
    files_[std::move(path)] = std::move(content);
    return {};
}

FileStatus MemoryFileSystem::DeleteFile(std::string_view hostPath) {
    if (files_.erase(FileKey(hostPath)) == 0)
        return {FileError::NotFound, "no such file"};
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
