// These tests make real windows. Wine makes none without a display (its X11 driver needs one):
// say so once, plainly, instead of letting every test fail on its own.

#include <gtest/gtest.h>

#include <windows.h>

namespace {

class DisplayCheck : public testing::Environment {
  public:
    void SetUp() override {
        const HWND probe = ::CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                             nullptr, ::GetModuleHandleW(nullptr), nullptr);
        if (probe == nullptr) {
            FAIL() << "no window can be made here: run these tests on a display (under Wine, "
                      "with DISPLAY set, for example through xvfb-run)";
        }
        ::DestroyWindow(probe);
    }
};

const testing::Environment* const kDisplayCheck =
    testing::AddGlobalTestEnvironment(new DisplayCheck);

}  // namespace
