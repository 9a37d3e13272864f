#include "platform/files/files.h"

#include <algorithm>

namespace zav::platform {

std::string NativePath(std::string_view hostPath) {
    std::string native(hostPath);
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}

}  // namespace zav::platform
