#include "tools/zavtool/folder_maker.h"

#include <filesystem>
#include <string>
#include <system_error>

namespace zavtool {

zav::platform::FileStatus NativeFolderMaker::MakeFolders(std::string_view hostPath) {
    const std::string path = zav::platform::NativePath(hostPath);
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (!error)
        return {};
    zav::platform::FileError kind = zav::platform::FileError::IoError;
    if (error == std::errc::permission_denied || error == std::errc::read_only_file_system ||
        error == std::errc::operation_not_permitted) {
        kind = zav::platform::FileError::AccessDenied;
    }
    if (error == std::errc::not_a_directory || error == std::errc::no_such_file_or_directory)
        kind = zav::platform::FileError::NotFound;
    return {kind, "cannot make folder " + path + ": " + error.message()};
}

}  // namespace zavtool
