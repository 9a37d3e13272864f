#include "platform/qt/display_check.h"

#include <algorithm>
#include <string>
#include <vector>

namespace zav::platform::qt {

namespace {

bool IsSet(const EnvironmentLookup& environment, std::string_view name) {
    const std::optional<std::string> value = environment(name);
    return value && !value->empty();
}

// The platform names of a QT_QPA_PLATFORM list, without their arguments and empty entries.
std::vector<std::string_view> ListedPlatforms(std::string_view list) {
    std::vector<std::string_view> names;
    while (!list.empty()) {
        const std::size_t end = list.find(';');
        const std::string_view entry = list.substr(0, end);
        list = end == std::string_view::npos ? std::string_view{} : list.substr(end + 1);
        if (const std::string_view name = entry.substr(0, entry.find(':')); !name.empty())
            names.push_back(name);
    }
    return names;
}

}  // namespace

bool NoDisplay(const EnvironmentLookup& environment) {
    if (IsSet(environment, "DISPLAY"))
        return false;
    const std::string list = environment("QT_QPA_PLATFORM").value_or("");
    const std::vector<std::string_view> platforms = ListedPlatforms(list);
    if (!platforms.empty()) {
        return std::ranges::all_of(platforms, [](std::string_view name) { return name == "xcb"; });
    }
    const bool waylandSession = IsSet(environment, "WAYLAND_DISPLAY") ||
                                environment("XDG_SESSION_TYPE").value_or("") == "wayland";
    return !waylandSession;
}

}  // namespace zav::platform::qt
