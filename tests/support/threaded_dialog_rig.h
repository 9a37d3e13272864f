#pragma once
// A dialog and its fake window on a dialog thread of their own, for rigs whose devices run on
// threads of their own too (the simulated card on its threads, the real sound system): the store
// in memory, the message boxes and the modal runner, and a time-limited call into the dialog
// thread (SendWithin) for every step the test takes. The rig that derives from it owns the
// devices, makes the dialog's services from them, and ends the dialog (CloseDialog) before its
// devices go; the dialog thread outlives them all.
//
// Thread: the test's thread, except where noted.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/testing/dialog_thread.h"
#include "platform/testing/fake_dialog_runner.h"
#include "platform/testing/memory_registry.h"
#include "platform/testing/recording_message_boxes.h"
#include "tests/support/dialog_call.h"

namespace zav::test {

template <class Dlg>
class ThreadedDialogRig {
  public:
    ThreadedDialogRig(const ThreadedDialogRig&) = delete;
    ThreadedDialogRig& operator=(const ThreadedDialogRig&) = delete;

    // Runs f on the dialog thread and waits for it, at most limit.
    void On(const std::function<void()>& f, std::chrono::milliseconds limit = kDialogAnswerLimit) {
        SendWithin(dialogThread_, f, limit);
    }
    // What ask gives on the dialog thread.
    template <class Ask>
    auto Asked(Ask&& ask) {
        return AskWithin(dialogThread_, std::forward<Ask>(ask));
    }

    // Makes the dialog on services and its window, on the dialog thread, and opens it; true when
    // the dialog runs. A dialog made earlier is closed first.
    template <class Services>
    bool OpenDialog(Services services) {
        CloseDialog();
        return Asked([&] {
            dialog_ = std::make_unique<Dlg>(std::move(services));
            window_ =
                std::make_unique<platform::sim::FakeDialog>(Dlg::Template(), *dialog_, &boxes_);
            return window_->Open();
        });
    }
    // The window (OnDestroy, if it has not happened) and the dialog go, on the dialog thread.
    void CloseDialog() {
        On([this] {
            window_.reset();
            dialog_.reset();
        });
    }
    bool DialogRuns() const { return window_ != nullptr; }

    // The user's actions and what the window shows, each asked on the dialog thread.
    bool Click(int id) {
        return Asked([&] { return window_->Click(id); });
    }
    bool PressEscape() {
        return Asked([&] { return window_->PressEscape(); });
    }
    void MoveSlider(int id, int position) {
        On([&] { window_->MoveSlider(id, position); });
    }
    std::optional<int> EndResult() {
        return Asked([&] { return window_->Result(); });
    }
    std::vector<platform::sim::ShownMessage> Messages() {
        return Asked([&] { return boxes_.shown; });
    }

    // Thread: dialog, while a dialog exists.
    Dlg& Dialog() { return *dialog_; }
    platform::sim::FakeDialog& Window() { return *window_; }

    platform::sim::DialogThread& Thread() { return dialogThread_; }
    platform::sim::MemoryRegistry& Store() { return store_; }
    platform::sim::RecordingMessageBoxes& Boxes() { return boxes_; }
    platform::sim::FakeDialogRunner& Runner() { return runner_; }

  protected:
    ThreadedDialogRig() = default;
    ~ThreadedDialogRig() { CloseDialog(); }

  private:
    // First: the dialog thread outlives everything that posts to it.
    platform::sim::DialogThread dialogThread_;
    platform::sim::MemoryRegistry store_;
    platform::sim::RecordingMessageBoxes boxes_;
    platform::sim::FakeDialogRunner runner_{boxes_};
    std::unique_ptr<Dlg> dialog_;
    std::unique_ptr<platform::sim::FakeDialog> window_;
};

}  // namespace zav::test
