// The dialog-view contract on Qt's dialog windows, driven with the keys and clicks of QTest.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <memory>

#include "platform/qt/qt_dialog_runner.h"
#include "platform/qt/qt_dialog_window.h"
#include "platform/qt/track_bar.h"
#include "qt_test_environment.h"
#include "tests/contracts/dialog_view_contract.h"

namespace zav::platform::contracts {
namespace {

using qt::QtDialogWindow;

class QtDialogRig : public testing::Test {
  protected:
    int Run(const DialogTemplate& dialog, DialogHandler& handler, std::function<void()> script) {
        qt::QtDialogRunner runner;
        runner.SetWindowObserver([this, script](QtDialogWindow& window) {
            qt_test::WhenActive(window, [this, &window, script] {
                window_ = &window;
                script();
                window_ = nullptr;
            });
        });
        return runner.RunModal(dialog, handler);
    }
    void OnView(const std::function<void(DialogView&)>& task) { task(*window_); }
    bool WaitFor(const std::function<bool()>& condition) { return qt_test::WaitFor(condition); }
    void Click(int id) { QTest::mouseClick(window_->ControlWidget(id), Qt::LeftButton); }
    void PressEnter() { QTest::keyClick(Focused(), Qt::Key_Return); }
    void PressEscape() { QTest::keyClick(Focused(), Qt::Key_Escape); }
    // Close is the close box; another command is the program's last item of the window menu.
    void ChooseSystemCommand(std::uint32_t commandId) {
        if (commandId == kSysCommandClose) {
            window_->close();
            return;
        }
        const std::unique_ptr<QMenu> menu(window_->BuildWindowMenu());
        menu->actions().back()->trigger();
    }
    void PressRight(int id) { KeyOn(id, Qt::Key_Right); }
    void PressEnd(int id) { KeyOn(id, Qt::Key_End); }
    int FocusId() {
        for (const ControlTemplate& control : dialog_view::kTemplate.controls) {
            if (control.id != kIdStatic &&
                window_->ControlWidget(control.id) == QApplication::focusWidget()) {
                return control.id;
            }
        }
        return 0;
    }
    std::vector<int> Ticks(int id) {
        return qobject_cast<qt::TrackBar*>(window_->ControlWidget(id))->Ticks();
    }

  private:
    QWidget* Focused() {
        QWidget* focused = QApplication::focusWidget();
        return focused != nullptr ? focused : window_;
    }
    void KeyOn(int id, Qt::Key key) {
        QWidget* bar = window_->ControlWidget(id);
        bar->setFocus();
        QTest::keyClick(bar, key);
    }

    QtDialogWindow* window_ = nullptr;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, DialogViewContract, testing::Types<QtDialogRig>);

}  // namespace
}  // namespace zav::platform::contracts
