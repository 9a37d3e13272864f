#pragma once
// How a contract suite's instantiation says which cases its backend cannot run: the backend type
// lists them by name, with the reason, in kSkipped; the suite's fixture skips them in SetUp.

#include <gtest/gtest.h>

#include <string_view>

namespace zav::platform::contracts {

struct SkippedCase {
    std::string_view name;  // the case's name in the suite, without the suite's prefix
    std::string_view why;
};

// The reason Backend gives for not running the current case; empty when it runs it.
template <typename Backend>
std::string_view WhySkipped() {
    const std::string_view running = testing::UnitTest::GetInstance()->current_test_info()->name();
    for (const SkippedCase& skipped : Backend::kSkipped) {
        if (skipped.name == running)
            return skipped.why;
    }
    return {};
}

}  // namespace zav::platform::contracts
