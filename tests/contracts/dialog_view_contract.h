#pragma once
// The dialog-view contract, written once and run on every window backend: the fake view
// (tests/platform/ui), Qt offscreen (tests/backends/qt) and the host's dialogs under Wine
// (tests/backends/win32_dialogs). It checks what a presenter meets: the calls in the host's
// order, where the user's clicks, keys and window commands go, Close's default, the first focus,
// timers, trackbar ranges, positions and ticks, and the state of controls through the view.
//
// An instantiation supplies a rig, a test fixture with these members:
//
//   // Runs dialog modally with handler through the backend's runner; once the dialog runs and
//   // shows, script runs on the test's thread. Whatever script leaves running is ended. Returns
//   // RunModal's result. The scripts here end their dialogs themselves.
//   int Run(const DialogTemplate& dialog, DialogHandler& handler, std::function<void()> script);
//   // Runs task with the running dialog's view on the dialog thread and waits for it.
//   void OnView(const std::function<void(DialogView&)>& task);
//   // Waits until condition, checked on the dialog thread, holds (while timers tick).
//   bool WaitFor(const std::function<bool()>& condition);
//   // The user's actions, each handled when it returns: a click on a control; Enter and Esc
//   // pressed on the control with the focus; a window-menu command; the keys Right and End
//   // pressed on a trackbar.
//   void Click(int id);
//   void PressEnter();
//   void PressEscape();
//   void ChooseSystemCommand(std::uint32_t commandId);
//   void PressRight(int trackbarId);
//   void PressEnd(int trackbarId);
//   // The control with the focus (0: none of the template's), and the ticks a trackbar shows
//   // besides its ends.
//   int FocusId();
//   std::vector<int> Ticks(int trackbarId);
//
// and instantiates: INSTANTIATE_TYPED_TEST_SUITE_P(Name, DialogViewContract, testing::Types<Rig>);

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/dialog_handler.h"
#include "platform/ui/dialog_template.h"

namespace zav::platform::contracts {

namespace dialog_view {

inline constexpr int kOther = 1001;  // disabled from the start
inline constexpr int kKey = 1002;
inline constexpr int kAcross = 1010;
inline constexpr int kDown = 1011;
inline constexpr int kGauge = 1020;
inline constexpr std::uint32_t kAboutCommand = 0x0010;
inline constexpr std::uint32_t kTimerId = 100;
inline constexpr int kEndedByCancel = 7;

inline constexpr std::array<ControlTemplate, 7> kControls{{
    {ControlKind::PushButton, kOther, "Other", {10, 10, 30, 14}, kStyleTabStop | kStyleDisabled},
    {ControlKind::PushButton, kKey, "&Key", {50, 10, 30, 14}, kStyleTabStop},
    {ControlKind::DefaultPushButton, kIdOk, "OK", {140, 80, 50, 14}, kStyleTabStop},
    {ControlKind::TrackbarHorizontal,
     kAcross,
     "",
     {10, 40, 100, 20},
     kStyleTabStop | kStyleTicksBothSides},
    {ControlKind::TrackbarVertical, kDown, "", {160, 5, 20, 60}, kStyleTabStop},
    {ControlKind::Gauge, kGauge, "", {90, 5, 60, 30}, kStyleNone},
    {ControlKind::StaticLeft, kIdStatic, "A label", {10, 70, 60, 8}},
}};
inline constexpr DialogTemplate kTemplate{.id = 77,
                                          .caption = "Contract",
                                          .fontName = "MS Sans Serif",
                                          .pointSize = 8,
                                          .width = 200,
                                          .height = 100,
                                          .showInTaskBar = true,
                                          .controls = kControls};

// Writes down every call; the timer it starts is killed on its third tick; Cancel ends the run
// with kEndedByCancel, OK does not end it.
class LoggingHandler : public DialogHandler {
  public:
    int OnCreate(DialogView& view) override {
        view_ = &view;
        log.push_back("create");
        return createResult;
    }
    bool OnInitDialog() override {
        log.push_back("init");
        view_->AddSystemMenuItem(kAboutCommand, "&About...");
        if (startTimer)
            view_->Timers().SetTimer(kTimerId, 30);
        return true;
    }
    void OnCommand(int id) override { log.push_back("command " + std::to_string(id)); }
    void OnHScroll(int id, ScrollCode code) override { Scrolled("hscroll", id, code); }
    void OnVScroll(int id, ScrollCode code) override { Scrolled("vscroll", id, code); }
    bool OnSysCommand(std::uint32_t id) override {
        log.push_back("syscommand " + std::to_string(id));
        return id == kAboutCommand;  // Close goes on to the default: a cancel
    }
    void OnTimer(std::uint32_t id) override {
        if (++ticks != 3)
            return;
        log.push_back("timer " + std::to_string(id));
        killedOnce = view_->Timers().KillTimer(id);
        killedTwice = view_->Timers().KillTimer(id);
    }
    void OnOK() override { log.push_back("ok"); }
    void OnCancel() override {
        log.push_back("cancel");
        view_->EndDialog(kEndedByCancel);
    }
    void OnDestroy() override { log.push_back("destroy"); }

    int createResult = 0;
    bool startTimer = true;
    std::vector<std::string> log;
    int ticks = 0;
    bool killedOnce = false;
    bool killedTwice = true;

  private:
    void Scrolled(const char* kind, int id, ScrollCode code) {
        log.push_back(std::string(kind) + " " + std::to_string(id) + " " +
                      std::to_string(static_cast<int>(code)));
    }

    DialogView* view_ = nullptr;
};

}  // namespace dialog_view

template <typename Rig>
class DialogViewContract : public Rig {
  protected:
    // Waits until the handler's log has count entries.
    bool LogReaches(const dialog_view::LoggingHandler& handler, std::size_t count) {
        return this->WaitFor([&] { return handler.log.size() >= count; });
    }
};

TYPED_TEST_SUITE_P(DialogViewContract);

TYPED_TEST_P(DialogViewContract, TheUsersActionsReachThePresenterInTheHostsOrder) {
    using namespace dialog_view;
    LoggingHandler handler;
    int ticksAtClose = 0;
    const int result = this->Run(kTemplate, handler, [&] {
        // The timer ticks three times, then is killed by the presenter.
        ASSERT_TRUE(this->LogReaches(handler, 3));
        std::size_t expected = handler.log.size();
        this->Click(kKey);
        ASSERT_TRUE(this->LogReaches(handler, ++expected));
        // A key on a trackbar: the move, then the end of the track.
        this->PressRight(kAcross);
        ASSERT_TRUE(this->LogReaches(handler, expected += 2));
        this->PressEnd(kDown);
        ASSERT_TRUE(this->LogReaches(handler, expected += 2));
        // OK, and the window menu's own item, which the presenter handles.
        this->Click(kIdOk);
        ASSERT_TRUE(this->LogReaches(handler, ++expected));
        this->ChooseSystemCommand(kAboutCommand);
        ASSERT_TRUE(this->LogReaches(handler, ++expected));
        this->OnView([&](DialogView&) { ticksAtClose = handler.ticks; });
        // Close, which the presenter leaves to the default: that cancels the dialog.
        this->ChooseSystemCommand(kSysCommandClose);
        ASSERT_TRUE(this->LogReaches(handler, expected += 2));
        // Ended: the user reaches the presenter no more.
        this->Click(kKey);
    });

    EXPECT_EQ(result, kEndedByCancel);
    const std::vector<std::string> expected = {
        "create",           "init",           "timer 100",      "command 1002", "hscroll 1010 1",
        "hscroll 1010 8",   "vscroll 1011 7", "vscroll 1011 8", "ok",           "syscommand 16",
        "syscommand 61536", "cancel",         "destroy"};
    EXPECT_EQ(handler.log, expected);
    EXPECT_TRUE(handler.killedOnce);
    EXPECT_FALSE(handler.killedTwice);
    EXPECT_EQ(handler.ticks, ticksAtClose);  // no tick after the kill
}

TYPED_TEST_P(DialogViewContract, TheFirstFocusEnterEscAndDisabledButtonsFollowTheHostsRules) {
    using namespace dialog_view;
    LoggingHandler handler;
    handler.startTimer = false;
    int firstFocus = -1;
    const int result = this->Run(kTemplate, handler, [&] {
        // The first enabled tab stop in template order: the disabled one is passed over.
        firstFocus = this->FocusId();
        // Enter with OK disabled is not an OK; the disabled button takes no click either.
        this->OnView([](DialogView& view) {
            view.SetFocus(kIdOk);
            view.EnableControl(kIdOk, false);
        });
        this->PressEnter();
        this->Click(kOther);
        this->OnView([](DialogView& view) { view.EnableControl(kIdOk, true); });
        this->PressEnter();
        ASSERT_TRUE(this->WaitFor([&] { return std::ranges::count(handler.log, "ok") == 1; }));
        this->PressEscape();
        ASSERT_TRUE(this->WaitFor([&] { return std::ranges::count(handler.log, "cancel") == 1; }));
    });

    EXPECT_EQ(firstFocus, kKey);
    EXPECT_EQ(result, kEndedByCancel);
    EXPECT_EQ(handler.log, (std::vector<std::string>{"create", "init", "ok", "cancel", "destroy"}));
}

TYPED_TEST_P(DialogViewContract, OnCreateStoppingCreationEndsTheRunUnseen) {
    using namespace dialog_view;
    LoggingHandler handler;
    handler.createResult = -1;
    bool scripted = false;

    EXPECT_EQ(this->Run(kTemplate, handler, [&] { scripted = true; }), -1);

    EXPECT_FALSE(scripted);
    EXPECT_EQ(handler.log, (std::vector<std::string>{"create", "destroy"}));
}

TYPED_TEST_P(DialogViewContract, TrackbarsKeepTheirPositionAndTicksInsideTheRange) {
    using namespace dialog_view;
    LoggingHandler handler;
    handler.startTimer = false;
    this->Run(kTemplate, handler, [&] {
        this->OnView([](DialogView& view) {
            // The whole 32-bit range, the position held inside it, ticks outside refused.
            view.SetSliderRange(kAcross, 0, 65535, true);
            EXPECT_EQ(view.GetSliderRangeMax(kAcross), 65535);
            view.SetSliderPos(kAcross, 70000, true);
            EXPECT_EQ(view.GetSliderPos(kAcross), 65535);
            EXPECT_TRUE(view.SetSliderTic(kAcross, 0));
            EXPECT_TRUE(view.SetSliderTic(kAcross, 58256));
            EXPECT_TRUE(view.SetSliderTic(kAcross, 30000));
            EXPECT_FALSE(view.SetSliderTic(kAcross, 65538));
        });
        std::vector<int> ticks = this->Ticks(kAcross);
        std::ranges::sort(ticks);
        EXPECT_EQ(ticks, (std::vector<int>{0, 30000, 58256}));
        this->OnView([](DialogView& view) {
            // A smaller range takes the position and drops the ticks outside it.
            view.SetSliderRange(kAcross, 0, 40000, true);
            EXPECT_EQ(view.GetSliderPos(kAcross), 40000);
            // A reversed range is taken as an empty one at its minimum.
            view.SetSliderRange(kDown, 10, 5, true);
            EXPECT_EQ(view.GetSliderRangeMax(kDown), 10);
            EXPECT_EQ(view.GetSliderPos(kDown), 10);
            view.SetSliderRange(kDown, 0, 100, true);
            view.SetSliderPos(kDown, 50, true);
            EXPECT_EQ(view.GetSliderPos(kDown), 50);
            // Ids the template does not hold, or of another kind, are ignored.
            EXPECT_EQ(view.GetSliderRangeMax(kKey), 0);
            EXPECT_EQ(view.GetSliderPos(4242), 0);
            EXPECT_FALSE(view.SetSliderTic(kGauge, 10));
        });
        ticks = this->Ticks(kAcross);
        std::ranges::sort(ticks);
        EXPECT_EQ(ticks, (std::vector<int>{0, 30000}));
        // The user's move starts from where the program put the thumb.
        this->OnView([](DialogView& view) { view.SetSliderPos(kAcross, 20000, true); });
        this->PressRight(kAcross);
        this->OnView([](DialogView& view) { EXPECT_EQ(view.GetSliderPos(kAcross), 20001); });
        this->PressEnd(kDown);
        this->OnView([](DialogView& view) { EXPECT_EQ(view.GetSliderPos(kDown), 100); });
        this->PressEscape();
    });
    // The program's own changes never came back as scroll notifications; the user's did.
    EXPECT_EQ(handler.log,
              (std::vector<std::string>{"create", "init", "hscroll 1010 1", "hscroll 1010 8",
                                        "vscroll 1011 7", "vscroll 1011 8", "cancel", "destroy"}));
}

TYPED_TEST_P(DialogViewContract, ControlStatesReachTheirControlsOnly) {
    using namespace dialog_view;
    LoggingHandler handler;
    handler.startTimer = false;
    this->Run(kTemplate, handler, [&] {
        this->OnView([](DialogView& view) {
            EXPECT_FALSE(view.IsControlEnabled(kOther));
            EXPECT_TRUE(view.IsControlEnabled(kKey));
            view.EnableControl(kAcross, false);
            EXPECT_FALSE(view.IsControlEnabled(kAcross));
            EXPECT_FALSE(view.IsControlEnabled(4242));

            view.SetControlValue(kGauge, 9);
            view.SetControlValue(kKey, 3);  // not a value control
            EXPECT_EQ(view.GetControlValue(kGauge), 9);
            EXPECT_EQ(view.GetControlValue(kKey), 0);

            // A button held pushed in stays so, also when it is disabled, until set back.
            view.SetButtonState(kKey, true);
            view.EnableControl(kKey, false);
            EXPECT_TRUE(view.GetButtonState(kKey));
            view.SetButtonState(kKey, false);
            EXPECT_FALSE(view.GetButtonState(kKey));
            view.SetButtonState(kAcross, true);  // not a button
            EXPECT_FALSE(view.GetButtonState(kAcross));
        });
        // A disabled control takes no user action.
        this->Click(kKey);
        this->PressEscape();
    });
    EXPECT_EQ(handler.log, (std::vector<std::string>{"create", "init", "cancel", "destroy"}));
}

REGISTER_TYPED_TEST_SUITE_P(DialogViewContract, TheUsersActionsReachThePresenterInTheHostsOrder,
                            TheFirstFocusEnterEscAndDisabledButtonsFollowTheHostsRules,
                            OnCreateStoppingCreationEndsTheRunUnseen,
                            TrackbarsKeepTheirPositionAndTicksInsideTheRange,
                            ControlStatesReachTheirControlsOnly);

}  // namespace zav::platform::contracts
