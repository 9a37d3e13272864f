// The dialog-view contract on the host's dialog manager under Wine: the script posts the host's
// input messages from its own thread, as DialogDriver does. And beyond the contract, what the
// host's own window shows: hidden at OnCreate, the window menu's last items.

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "dialog_driver.h"
#include "tests/contracts/dialog_view_contract.h"

namespace zav::platform::contracts {
namespace {

using win32_dialog_test::DialogDriver;

class Win32DialogRig : public testing::Test {
  protected:
    int Run(const DialogTemplate& dialog, DialogHandler& handler, std::function<void()> script) {
        return driver_.Run(
            dialog.id, [&] { return runner_.RunModal(dialog, handler); },
            [script](DialogDriver&) { script(); });
    }
    void OnView(const std::function<void(DialogView&)>& task) {
        driver_.OnDialog([&] { task(*driver_.Window()); });
    }
    bool WaitFor(const std::function<bool()>& condition) { return driver_.WaitFor(condition); }
    void Click(int id) {
        DialogDriver::Click(driver_.Control(id));
        Settle();
    }
    void PressEnter() {
        driver_.KeyToFocus(VK_RETURN);
        Settle();
    }
    void PressEscape() {
        driver_.KeyToFocus(VK_ESCAPE);
        Settle();
    }
    void ChooseSystemCommand(std::uint32_t commandId) {
        DialogDriver::SystemCommand(driver_.Dialog(), commandId);
        Settle();
    }
    void PressRight(int id) {
        DialogDriver::Key(driver_.Control(id), VK_RIGHT);
        Settle();
    }
    void PressEnd(int id) {
        DialogDriver::Key(driver_.Control(id), VK_END);
        Settle();
    }
    int FocusId() {
        return zav::test::AskWithin(dispatcher_, [] {
            const HWND focus = ::GetFocus();
            return focus == nullptr ? 0 : ::GetDlgCtrlID(focus);
        });
    }
    // The control counts its two ends among its ticks.
    std::vector<int> Ticks(int id) {
        return zav::test::AskWithin(dispatcher_, [&] {
            const HWND bar = driver_.Window()->ControlHandle(id);
            std::vector<int> ticks;
            const auto count = static_cast<int>(::SendMessageW(bar, TBM_GETNUMTICS, 0, 0)) - 2;
            for (int i = 0; i < count; ++i) {
                ticks.push_back(
                    static_cast<int>(::SendMessageW(bar, TBM_GETTIC, static_cast<WPARAM>(i), 0)));
            }
            return ticks;
        });
    }

    // The input posted before has been handled once a task sent after it has run.
    void Settle() {
        driver_.OnDialog([] {});
    }

    win32::Win32Dispatcher dispatcher_;
    win32::Win32DialogRunner runner_;
    DialogDriver driver_{dispatcher_, runner_};
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, DialogViewContract, testing::Types<Win32DialogRig>);

// The contract's handler, which also notes whether the window was hidden at OnCreate.
class HiddenAtCreateHandler : public dialog_view::LoggingHandler {
  public:
    int OnCreate(DialogView& view) override {
        const HWND window = dynamic_cast<win32::Win32DialogWindow&>(view).Handle();
        hiddenAtCreate = window != nullptr && !::IsWindowVisible(window);
        return LoggingHandler::OnCreate(view);
    }

    bool hiddenAtCreate = false;
};

TEST_F(Win32DialogRig, TheWindowIsHiddenAtCreateAndTheMenuEndsWithTheProgramsItem) {
    HiddenAtCreateHandler handler;
    handler.startTimer = false;
    const int result = Run(dialog_view::kTemplate, handler, [&] {
        const HWND dialog = driver_.Dialog();
        ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(dialog) != FALSE; }));
        driver_.OnDialog([&] {
            const HMENU menu = ::GetSystemMenu(dialog, FALSE);
            const int count = ::GetMenuItemCount(menu);
            ASSERT_GE(count, 2);
            EXPECT_EQ(::GetMenuItemID(menu, count - 1), dialog_view::kAboutCommand);
            wchar_t text[64] = {};
            ::GetMenuStringW(menu, static_cast<UINT>(count - 1), text, 64, MF_BYPOSITION);
            EXPECT_EQ(std::wstring(text), L"&About...");
            MENUITEMINFOW item{};
            item.cbSize = sizeof(item);
            item.fMask = MIIM_FTYPE;
            ::GetMenuItemInfoW(menu, static_cast<UINT>(count - 2), TRUE, &item);
            EXPECT_NE(item.fType & MFT_SEPARATOR, 0u);
        });
        // The menu's item reaches the presenter.
        ChooseSystemCommand(dialog_view::kAboutCommand);
        ASSERT_TRUE(WaitFor([&] { return handler.log.size() >= 3; }));
        PressEscape();
    });

    EXPECT_EQ(result, dialog_view::kEndedByCancel);
    EXPECT_TRUE(handler.hiddenAtCreate);
    EXPECT_EQ(handler.log,
              (std::vector<std::string>{"create", "init", "syscommand 16", "cancel", "destroy"}));
}

}  // namespace
}  // namespace zav::platform::contracts
