#include "platform/qt/qt_application.h"

#include <QApplication>
#include <QString>

#include "platform/qt/qt_dialog_runner.h"
#include "platform/qt/qt_dispatcher.h"

namespace zav::platform::qt {

struct QtApplication::Parts {
    Parts(int& argc, char** argv) : application(argc, argv) {}

    QApplication application;
    QtDispatcher dispatcher;  // after the application: its queue lives on the GUI thread
    QtDialogRunner runner;
};

QtApplication::QtApplication(int& argc, char** argv, std::string_view applicationName) {
    QApplication::setApplicationName(
        QString::fromUtf8(applicationName.data(), static_cast<qsizetype>(applicationName.size())));
    parts_ = std::make_unique<Parts>(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));  // the same look on every desktop
    // The program ends when its dialog's run returns, not when a window closes: a message box
    // shown before the dialog appears is the last window for a moment.
    QApplication::setQuitOnLastWindowClosed(false);
}

QtApplication::~QtApplication() = default;

Dispatcher& QtApplication::DialogDispatcher() {
    return parts_->dispatcher;
}

DialogRunner& QtApplication::Runner() {
    return parts_->runner;
}

}  // namespace zav::platform::qt
