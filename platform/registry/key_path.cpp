#include "platform/registry/key_path.h"

namespace zav::platform {

std::optional<std::vector<std::string_view>> KeyPathPrefixes(std::string_view path) {
    while (!path.empty() && path.front() == '\\')
        path.remove_prefix(1);
    while (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);

    std::vector<std::string_view> prefixes;
    if (path.empty())
        return prefixes;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = path.find('\\', start);
        if (end == start)
            return std::nullopt;  // an empty name between two separators
        if (end == std::string_view::npos) {
            prefixes.push_back(path);
            return prefixes;
        }
        prefixes.push_back(path.substr(0, end));
        start = end + 1;
    }
}

}  // namespace zav::platform
