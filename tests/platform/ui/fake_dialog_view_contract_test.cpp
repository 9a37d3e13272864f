// The dialog-view contract on the fake view and runner that the presenters' tests use.

#include <gtest/gtest.h>

#include "platform/testing/fake_dialog_runner.h"
#include "tests/contracts/dialog_view_contract.h"

namespace zav::platform::contracts {
namespace {

using sim::FakeDialog;
using sim::FakeDialogRunner;
using sim::RecordingMessageBoxes;

class FakeDialogRig : public testing::Test {
  protected:
    int Run(const DialogTemplate& dialog, DialogHandler& handler, std::function<void()> script) {
        runner_.SetScript(dialog.id, [this, script](FakeDialog& running) {
            dialog_ = &running;
            script();
            dialog_ = nullptr;
        });
        return runner_.RunModal(dialog, handler);
    }
    void OnView(const std::function<void(DialogView&)>& task) { task(dialog_->View()); }
    // The timers tick as the time the condition waits for passes.
    bool WaitFor(const std::function<bool()>& condition) {
        for (int step = 0; step < 100; ++step) {
            if (condition())
                return true;
            dialog_->Timers().Advance(10);
        }
        return condition();
    }
    void Click(int id) { dialog_->Click(id); }
    void PressEnter() { dialog_->PressEnter(); }
    void PressEscape() { dialog_->PressEscape(); }
    void ChooseSystemCommand(std::uint32_t commandId) { dialog_->ChooseSystemCommand(commandId); }
    void PressRight(int id) {
        const int position = dialog_->View().GetSliderPos(id) + 1;
        dialog_->MoveSlider(id, position, ScrollCode::LineDown);
        dialog_->MoveSlider(id, position, ScrollCode::EndTrack);
    }
    void PressEnd(int id) {
        const int end = dialog_->View().Control(id).rangeMaximum;
        dialog_->MoveSlider(id, end, ScrollCode::Bottom);
        dialog_->MoveSlider(id, end, ScrollCode::EndTrack);
    }
    int FocusId() { return dialog_->View().FocusId(); }
    std::vector<int> Ticks(int id) { return dialog_->View().Control(id).tics; }

  private:
    RecordingMessageBoxes boxes_;
    FakeDialogRunner runner_{boxes_};
    FakeDialog* dialog_ = nullptr;
};

INSTANTIATE_TYPED_TEST_SUITE_P(FakeView, DialogViewContract, testing::Types<FakeDialogRig>);

}  // namespace
}  // namespace zav::platform::contracts
