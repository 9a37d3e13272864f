#include "platform/win32_dialogs/win32_application.h"

#include <commctrl.h>

#include "platform/win32_dialogs/needle_gauge_window.h"
#include "platform/win32_dialogs/painted_control_window.h"

namespace zav::platform::win32 {

bool InitDialogClasses() {
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof(classes);
    classes.dwICC = ICC_BAR_CLASSES | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
    const bool common = ::InitCommonControlsEx(&classes) != FALSE;
    const bool gauge = RegisterNeedleGaugeClass();
    const bool painted = RegisterPaintedControlClass();
    return common && gauge && painted;
}

Win32Application::Win32Application() : ready_(InitDialogClasses()) {
    ready_ = ready_ && dispatcher_.Valid();
}

}  // namespace zav::platform::win32
