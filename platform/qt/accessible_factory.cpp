#include "platform/qt/accessible_factory.h"

#include <QAccessible>

#include "platform/qt/accessible_level.h"
#include "platform/qt/accessible_push_button.h"
#include "platform/qt/accessible_track_bar.h"
#include "platform/qt/needle_gauge.h"
#include "platform/qt/push_state_button.h"
#include "platform/qt/sunken_frame.h"
#include "platform/qt/track_bar.h"

namespace zav::platform::qt {

namespace {

// Qt calls this with the object's class names, most derived first; the object decides.
QAccessibleInterface* CreateInterface(const QString&, QObject* object) {
    if (auto* button = qobject_cast<PushStateButton*>(object))
        return new AccessiblePushButton(button);
    if (auto* bar = qobject_cast<TrackBar*>(object))
        return new AccessibleTrackBar(bar);
    if (auto* gauge = qobject_cast<NeedleGauge*>(object))
        return new AccessibleLevel(gauge, *gauge);
    if (auto* frame = qobject_cast<SunkenFrame*>(object))
        return new AccessibleLevel(frame, *frame);
    return nullptr;
}

}  // namespace

void InstallAccessibleInterfaces() {
    static const bool installed = [] {
        QAccessible::installFactory(&CreateInterface);
        return true;
    }();
    static_cast<void>(installed);
}

}  // namespace zav::platform::qt
