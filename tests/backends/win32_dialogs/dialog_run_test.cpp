// A dialog on the host's dialog manager as a presenter meets it: the callbacks in the host's
// order, what the user's clicks, keys and window commands bring, the timers, ending the run,
// and creation stopped by OnCreate.

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "platform/win32/wide_text.h"

namespace win32_dialog_test {
namespace {

constexpr int kKey = 1001;
constexpr int kOther = 1002;
constexpr int kAcross = 1010;
constexpr int kDown = 1011;
constexpr int kGauge = 1020;
constexpr std::uint32_t kAboutCommand = 0x0010;
constexpr std::uint32_t kTimerId = 100;
constexpr int kEndedByCancel = 7;

using platform::ControlKind;
constexpr std::array<platform::ControlTemplate, 7> kControls{{
    {ControlKind::DefaultPushButton,
     platform::kIdOk,
     "OK",
     {140, 80, 50, 14},
     platform::kStyleTabStop},
    {ControlKind::PushButton, kKey, "&Key", {10, 10, 30, 14}, platform::kStyleTabStop},
    {ControlKind::PushButton,
     kOther,
     "Other",
     {50, 10, 30, 14},
     platform::kStyleTabStop | platform::kStyleDisabled},
    {ControlKind::TrackbarHorizontal,
     kAcross,
     "",
     {10, 40, 100, 20},
     platform::kStyleTabStop | platform::kStyleTicksBothSides},
    {ControlKind::TrackbarVertical, kDown, "", {160, 5, 20, 60}, platform::kStyleTabStop},
    {ControlKind::Gauge, kGauge, "", {90, 5, 60, 30}, platform::kStyleNone},
    {ControlKind::StaticLeft, platform::kIdStatic, "A label", {10, 70, 60, 8}},
}};
constexpr platform::DialogTemplate kTemplate{.id = 77,
                                             .caption = "Order Test",
                                             .fontName = "MS Sans Serif",
                                             .pointSize = 8,
                                             .width = 200,
                                             .height = 100,
                                             .showInTaskBar = true,
                                             .controls = kControls};

// Writes down every callback; cancelling ends the run with kEndedByCancel.
class LoggingHandler : public platform::DialogHandler {
  public:
    int OnCreate(platform::DialogView& view) override {
        view_ = &view;
        log.push_back("create");
        const HWND window = dynamic_cast<win32::Win32DialogWindow&>(view).Handle();
        hiddenAtCreate = window != nullptr && !::IsWindowVisible(window);
        return createResult;
    }
    bool OnInitDialog() override {
        log.push_back("init");
        view_->AddSystemMenuItem(kAboutCommand, "&About...");
        view_->Timers().SetTimer(kTimerId, 30);
        return true;
    }
    void OnCommand(int id) override { log.push_back("command " + std::to_string(id)); }
    void OnHScroll(int id, platform::ScrollCode code) override {
        log.push_back("hscroll " + std::to_string(id) + " " +
                      std::to_string(static_cast<int>(code)));
    }
    void OnVScroll(int id, platform::ScrollCode code) override {
        log.push_back("vscroll " + std::to_string(id) + " " +
                      std::to_string(static_cast<int>(code)));
    }
    bool OnSysCommand(std::uint32_t id) override {
        log.push_back("syscommand " + std::to_string(id));
        return id == kAboutCommand;  // Close goes on to the default: a cancel
    }
    void OnTimer(std::uint32_t id) override {
        ++ticks;
        if (ticks == 3) {
            log.push_back("timer " + std::to_string(id));
            killedOnce = view_->Timers().KillTimer(id);
            killedTwice = view_->Timers().KillTimer(id);
        }
    }
    void OnOK() override { log.push_back("ok"); }
    void OnCancel() override {
        log.push_back("cancel");
        view_->EndDialog(kEndedByCancel);
    }
    void OnDestroy() override { log.push_back("destroy"); }

    int createResult = 0;
    bool hiddenAtCreate = false;
    std::vector<std::string> log;
    int ticks = 0;
    bool killedOnce = false;
    bool killedTwice = true;

  private:
    platform::DialogView* view_ = nullptr;
};

struct Rig {
    win32::Win32Dispatcher dispatcher;
    win32::Win32DialogRunner runner;
    DialogDriver driver{dispatcher, runner};
    LoggingHandler handler;

    int Run(DialogDriver::Script script) {
        return driver.Run(
            kTemplate.id, [&] { return runner.RunModal(kTemplate, handler); }, std::move(script));
    }
    // Waits until the log has grown to count entries.
    bool LogReaches(std::size_t count) {
        const bool reached = driver.WaitFor([&] { return handler.log.size() >= count; });
        if (!reached) {
            driver.OnDialog([&] {
                std::string all;
                for (const std::string& entry : handler.log)
                    all += entry + "; ";
                ADD_FAILURE() << "the log stays at: " << all;
            });
        }
        return reached;
    }
};

std::wstring MenuText(HMENU menu, int position) {
    wchar_t text[64] = {};
    ::GetMenuStringW(menu, static_cast<UINT>(position), text, 64, MF_BYPOSITION);
    return text;
}

TEST(Win32DialogRun, TheUsersActionsReachThePresenterInTheHostsOrder) {
    Rig rig;
    int closeAfterTimer = 0;
    const int result = rig.Run([&](DialogDriver& driver) {
        const HWND dialog = driver.Dialog();
        ASSERT_TRUE(driver.WaitFor([&] { return ::IsWindowVisible(dialog) != FALSE; }));
        // The timer ticks three times, then is killed by the presenter.
        ASSERT_TRUE(rig.LogReaches(3));
        std::size_t expected = rig.handler.log.size();

        DialogDriver::Click(driver.Control(kKey));
        ASSERT_TRUE(rig.LogReaches(++expected));
        // A key on the horizontal trackbar: one line, then the end of the track.
        DialogDriver::Key(driver.Control(kAcross), VK_RIGHT);
        ASSERT_TRUE(rig.LogReaches(expected += 2));
        DialogDriver::Key(driver.Control(kDown), VK_END);
        ASSERT_TRUE(rig.LogReaches(expected += 2));
        // OK and the window menu's own item, which the presenter handles.
        DialogDriver::Click(driver.Control(platform::kIdOk));
        ASSERT_TRUE(rig.LogReaches(++expected));
        DialogDriver::SystemCommand(dialog, kAboutCommand);
        ASSERT_TRUE(rig.LogReaches(++expected));
        driver.OnDialog([&] {
            // The menu ends with a separator and the presenter's item.
            const HMENU menu = ::GetSystemMenu(dialog, FALSE);
            const int count = ::GetMenuItemCount(menu);
            ASSERT_GE(count, 2);
            EXPECT_EQ(::GetMenuItemID(menu, count - 1), kAboutCommand);
            EXPECT_EQ(MenuText(menu, count - 1), L"&About...");
            MENUITEMINFOW item{};
            item.cbSize = sizeof(item);
            item.fMask = MIIM_FTYPE;
            ::GetMenuItemInfoW(menu, static_cast<UINT>(count - 2), TRUE, &item);
            EXPECT_NE(item.fType & MFT_SEPARATOR, 0u);
            closeAfterTimer = rig.handler.ticks;
        });
        // The close box: the window command Close, which the presenter leaves to the default
        // processing, and that cancels the dialog.
        DialogDriver::SystemCommand(dialog, SC_CLOSE);
        ASSERT_TRUE(rig.LogReaches(expected += 2));
    });

    EXPECT_EQ(result, kEndedByCancel);
    EXPECT_TRUE(rig.handler.hiddenAtCreate);
    const std::vector<std::string> expected = {
        "create",           "init",           "timer 100",      "command 1001", "hscroll 1010 1",
        "hscroll 1010 8",   "vscroll 1011 7", "vscroll 1011 8", "ok",           "syscommand 16",
        "syscommand 61536", "cancel",         "destroy"};
    EXPECT_EQ(rig.handler.log, expected);
    EXPECT_TRUE(rig.handler.killedOnce);
    EXPECT_FALSE(rig.handler.killedTwice);
    EXPECT_EQ(rig.handler.ticks, closeAfterTimer);  // no tick after the kill
}

TEST(Win32DialogRun, EscAndADisabledOkFollowTheDialogManagersRules) {
    Rig rig;
    const int result = rig.Run([&](DialogDriver& driver) {
        ASSERT_TRUE(rig.LogReaches(2));
        // Enter with OK disabled is not an OK; the disabled button takes no click either.
        driver.OnDialog([&] { driver.Window()->EnableControl(platform::kIdOk, false); });
        driver.KeyToFocus(VK_RETURN);
        DialogDriver::Click(driver.Control(kOther));
        driver.OnDialog([&] { driver.Window()->EnableControl(platform::kIdOk, true); });
        driver.KeyToFocus(VK_RETURN);
        ASSERT_TRUE(driver.WaitFor(
            [&] { return std::ranges::count(rig.handler.log, std::string("ok")) == 1; }));
        driver.KeyToFocus(VK_ESCAPE);
    });

    EXPECT_EQ(result, kEndedByCancel);
    std::vector<std::string> userActions;
    for (const std::string& entry : rig.handler.log) {
        if (entry.rfind("timer", 0) != 0)
            userActions.push_back(entry);
    }
    EXPECT_EQ(userActions, (std::vector<std::string>{"create", "init", "ok", "cancel", "destroy"}));
}

TEST(Win32DialogRun, OnCreateStoppingCreationEndsTheRunUnseen) {
    Rig rig;
    rig.handler.createResult = -1;
    bool shown = false;
    rig.runner.SetWindowObserver([&](win32::Win32DialogWindow&) { shown = true; });

    EXPECT_EQ(rig.runner.RunModal(kTemplate, rig.handler), -1);

    EXPECT_FALSE(shown);
    EXPECT_EQ(rig.handler.log, (std::vector<std::string>{"create", "destroy"}));
}

}  // namespace
}  // namespace win32_dialog_test
