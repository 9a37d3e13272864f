#include "platform/qt/qt_application.h"

#include <array>

#include <QApplication>
#include <QString>

#include "platform/qt/qt_dialog_runner.h"
#include "platform/qt/qt_dispatcher.h"

namespace zav::platform::qt {

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

struct QtApplication::Parts {
    explicit Parts(char* programPath)
        : arguments{programPath, nullptr}, application(argumentCount, arguments.data()) {}

    // QApplication keeps references to both for its whole life.
    int argumentCount = 1;
    std::array<char*, 2> arguments;
    QApplication application;
    QtDispatcher dispatcher;  // after the application: its queue lives on the GUI thread
    QtDialogRunner runner;
};

QtApplication::QtApplication(char* programPath, ApplicationNames names) {
    QApplication::setApplicationName(ToQString(names.name));
    // Lets the desktop match the windows to the menu entry and its icon.
    QApplication::setDesktopFileName(ToQString(names.desktopId));
    parts_ = std::make_unique<Parts>(programPath);
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
