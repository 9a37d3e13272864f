#include "platform/files/files.h"

namespace zav::platform {

bool IsTemporaryName(std::string_view name, std::string_view targetName) {
    if (name.size() != targetName.size() + 1 + kTemporarySuffixLength ||
        !name.starts_with(targetName) || name[targetName.size()] != '.') {
        return false;
    }
    for (char c : name.substr(targetName.size() + 1)) {
        const bool letterOrDigit =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letterOrDigit)
            return false;
    }
    return true;
}

}  // namespace zav::platform
