#include "platform/sqlite/default_registry.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/sqlite/sqlite_registry.h"

namespace zav::platform {

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string AccountHome() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr) {
        return {};
    }
    return found->pw_dir;
}

}  // namespace

std::string DefaultRegistryPath() {
    namespace fs = std::filesystem;
    if (std::string explicitPath = Environment("ZAV_REGISTRY"); !explicitPath.empty()) {
        return explicitPath;
    }
    if (std::string dataHome = Environment("XDG_DATA_HOME");
        !dataHome.empty() && dataHome.front() == '/') {
        return (fs::path(dataHome) / "zav" / "registry.sqlite").string();
    }
    std::string home = Environment("HOME");
    if (home.empty())
        home = AccountHome();
    if (home.empty())
        return {};
    return (fs::path(home) / ".local" / "share" / "zav" / "registry.sqlite").string();
}

std::unique_ptr<RegistryStore> OpenDefaultRegistry() {
    return std::make_unique<SqliteRegistry>(DefaultRegistryPath());
}

}  // namespace zav::platform
