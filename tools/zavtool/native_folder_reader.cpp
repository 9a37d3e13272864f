#include <filesystem>
#include <system_error>

#include "platform/files/files.h"
#include "tools/zavtool/doctor_machine.h"

namespace zavtool {

std::optional<std::vector<std::string>> NativeFolderReader::ListFolder(std::string_view hostPath) {
    std::error_code error;
    std::filesystem::directory_iterator entries(zav::platform::NativePath(hostPath), error);
    if (error)
        return std::nullopt;
    std::vector<std::string> names;
    for (const std::filesystem::directory_entry& entry : entries)
        names.push_back(entry.path().filename().string());
    return names;
}

}  // namespace zavtool
