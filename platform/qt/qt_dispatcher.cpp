#include "platform/qt/qt_dispatcher.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

#include "platform/audio/device_callback.h"

namespace zav::platform::qt {

QtDispatcher::QtDispatcher() : context_(std::make_unique<QObject>()) {}

QtDispatcher::~QtDispatcher() = default;

void QtDispatcher::Post(Task task) {
    QMetaObject::invokeMethod(context_.get(), std::move(task), Qt::QueuedConnection);
}

bool QtDispatcher::Send(Task task) {
    if (InAnyCallback())
        return false;  // it could wait for a Close that waits for this callback
    if (OnDialogThread()) {
        task();
        return true;
    }
    QMetaObject::invokeMethod(context_.get(), std::move(task), Qt::BlockingQueuedConnection);
    return true;
}

bool QtDispatcher::OnDialogThread() const {
    return QThread::currentThread() == context_->thread();
}

}  // namespace zav::platform::qt
