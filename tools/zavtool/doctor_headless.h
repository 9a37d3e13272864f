#pragma once
// What the programs' device code needs of a window, without one: KeyVoice's device search
// shows its messages and sets its slider through a dialog view, and the mixers post their
// change notices to a dispatcher. The doctor keeps the messages to report them, keeps the
// slider's position, and drops the notices (it reads every value afresh).
//
// Thread: the doctor's, which stands for the dialog thread.

#include <map>
#include <string>
#include <vector>

#include "platform/ui/dialog_view.h"
#include "platform/ui/dispatcher.h"

namespace zavtool {

class HeadlessDispatcher final : public zav::platform::Dispatcher {
  public:
    void Post(Task task) override;  // dropped: nothing listens
    // Every thread counts as the dialog thread, so Send runs its task at once.
    bool OnDialogThread() const override { return true; }

  protected:
    bool DoSend(Task task) override;
};

class HeadlessView final : public zav::platform::DialogView,
                           private zav::platform::MessageBoxes,
                           private zav::platform::DialogTimers {
  public:
    // The texts of the message boxes shown so far, in order.
    const std::vector<std::string>& Shown() const { return shown_; }

    void EnableControl(int id, bool enable) override { enabled_[id] = enable; }
    bool IsControlEnabled(int id) const override;
    void SetFocus(int) override {}
    void SetSliderRange(int id, int, int maximum, bool) override { rangeMax_[id] = maximum; }
    void SetSliderPos(int id, int position, bool) override { positions_[id] = position; }
    int GetSliderPos(int id) const override;
    bool SetSliderTic(int, int) override { return true; }
    int GetSliderRangeMax(int id) const override;
    void SetControlValue(int, int) override {}
    int GetControlValue(int) const override { return 0; }
    void SetButtonState(int, bool) override {}
    bool GetButtonState(int) const override { return false; }
    void SetToolTip(int, std::string_view) override {}
    zav::platform::ClientRect GetControlClientRect(int) const override { return {}; }
    void AttachPainter(int, zav::platform::ControlPainter*) override {}
    void Repaint(int) override {}
    void SetIcon(const zav::platform::IconDrawing&) override {}
    void AddSystemMenuItem(std::uint32_t, std::string_view) override {}
    zav::platform::MessageBoxes& Messages() override { return *this; }
    zav::platform::DialogTimers& Timers() override { return *this; }
    void EndDialog(int) override {}

  private:
    zav::platform::MessageAnswer Show(std::string_view text, std::string_view caption,
                                      zav::platform::MessageStyle style) override;
    void SetTimer(std::uint32_t, std::uint32_t) override {}
    bool KillTimer(std::uint32_t) override { return false; }

    std::vector<std::string> shown_;
    std::map<int, bool> enabled_;
    std::map<int, int> positions_;
    std::map<int, int> rangeMax_;
};

}  // namespace zavtool
