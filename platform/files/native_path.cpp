#include "platform/files/files.h"

#include <algorithm>

namespace zav::platform {

std::string NativePath(std::string_view hostPath) {
    std::string native(hostPath);
#ifndef _WIN32  // Windows takes the host's form as it is
    std::replace(native.begin(), native.end(), '\\', '/');
#endif
    return native;
}

}  // namespace zav::platform
