#pragma once
// Files in memory for tests, with failures on request. Files are keyed by their path with '/'
// for every separator, whichever system the tests run on: '\\' and '/' both separate folders
// on Windows, and the host's '\\' becomes '/' on Linux. Folders are not kept: every folder a
// file is written to exists, and a path with files under it is a folder, which is neither read,
// replaced nor deleted (NotRegularFile), as on a disk. A path under a file is not found.

#include <map>
#include <optional>
#include <string>

#include "platform/files/files.h"

namespace zav::platform::sim {

class MemoryFileSystem : public FileSystem {
  public:
    FileStatus ReadFile(std::string_view hostPath, std::uint64_t maxBytes,
                        std::vector<std::uint8_t>& data) override;
    FileStatus ReadPrefix(std::string_view hostPath, std::uint64_t maxBytes,
                          std::vector<std::uint8_t>& data) override;
    FileStatus ReplaceFile(std::string_view hostPath,
                           std::span<const std::span<const std::uint8_t>> pieces) override;
    FileStatus DeleteFile(std::string_view hostPath) override;
    // Removes the files named like ReplaceFile's temporary files of hostPath (see files.h);
    // this file system makes none itself, but tests may Put them.
    FileStatus RemoveStaleTemporaries(std::string_view hostPath) override;

    // Direct access for tests, by host or native path.
    void Put(std::string_view hostPath, std::vector<std::uint8_t> content);
    const std::vector<std::uint8_t>* Find(std::string_view hostPath) const;
    bool Exists(std::string_view hostPath) const { return Find(hostPath) != nullptr; }
    const std::map<std::string, std::vector<std::uint8_t>>& Files() const { return files_; }

    // Every ReplaceFile whose path starts with prefix fails, as a full or read-only disk
    // would, after writing nothing.
    void FailWritesUnder(std::string_view hostPrefix) { failingPrefix_ = FileKey(hostPrefix); }
    void StopFailing() { failingPrefix_.reset(); }

    int ReplaceCalls() const { return replaceCalls_; }

  private:
    static std::string FileKey(std::string_view hostPath);
    // Whether files lie under key, which makes it a folder.
    bool IsFolder(const std::string& key) const;
    // Whether a folder on the way to key is a file.
    bool UnderAFile(const std::string& key) const;
    // What reading or deleting key gives when no file has that key.
    FileStatus Missing(const std::string& key) const;

    std::map<std::string, std::vector<std::uint8_t>> files_;
    std::optional<std::string> failingPrefix_;
    int replaceCalls_ = 0;
};

}  // namespace zav::platform::sim
