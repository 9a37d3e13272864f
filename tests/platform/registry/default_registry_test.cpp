// Where the store's file is looked for.

#include "platform/sqlite/default_registry.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

namespace zav::platform {
namespace {

// Sets or clears an environment variable for one test, putting the old value back afterwards.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = getenv(name))
            old_ = old;
        if (value) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(DefaultRegistryPath, FollowsTheEnvironmentInOrder) {
    struct Case {
        std::optional<std::string> zavRegistry, xdgDataHome, home;
        std::string expected;
    };
    const Case cases[] = {
        {"/srv/reg.sqlite", "/data", "/home/u", "/srv/reg.sqlite"},
        {"", "/data", "/home/u", "/data/zav/registry.sqlite"},
        {std::nullopt, "/data/", "/home/u", "/data/zav/registry.sqlite"},
        {std::nullopt, "", "/home/u", "/home/u/.local/share/zav/registry.sqlite"},
        {std::nullopt, "relative/data", "/home/u", "/home/u/.local/share/zav/registry.sqlite"},
        {std::nullopt, std::nullopt, "/home/u", "/home/u/.local/share/zav/registry.sqlite"},
    };
    for (const Case& c : cases) {
        ScopedEnvironment zav("ZAV_REGISTRY", c.zavRegistry);
        ScopedEnvironment xdg("XDG_DATA_HOME", c.xdgDataHome);
        ScopedEnvironment home("HOME", c.home);
        EXPECT_EQ(DefaultRegistryPath(), c.expected) << c.expected;
    }
}

TEST(DefaultRegistryPath, WithoutHomeUsesTheAccountsHomeFolder) {
    ScopedEnvironment zav("ZAV_REGISTRY", std::nullopt);
    ScopedEnvironment xdg("XDG_DATA_HOME", std::nullopt);
    ScopedEnvironment home("HOME", std::nullopt);
    const std::string path = DefaultRegistryPath();
    const std::string tail = "/.local/share/zav/registry.sqlite";
    ASSERT_GT(path.size(), tail.size());
    EXPECT_EQ(path.substr(path.size() - tail.size()), tail);
}

}  // namespace
}  // namespace zav::platform
