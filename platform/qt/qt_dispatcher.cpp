#include "platform/qt/qt_dispatcher.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace zav::platform::qt {

QtDispatcher::QtDispatcher() : context_(std::make_unique<QObject>()) {}

QtDispatcher::~QtDispatcher() = default;

void QtDispatcher::Post(Task task) {
    QMetaObject::invokeMethod(context_.get(), std::move(task), Qt::QueuedConnection);
}

void QtDispatcher::Send(Task task) {
    if (OnDialogThread()) {
        task();
        return;
    }
    QMetaObject::invokeMethod(context_.get(), std::move(task), Qt::BlockingQueuedConnection);
}

bool QtDispatcher::OnDialogThread() const {
    return QThread::currentThread() == context_->thread();
}

}  // namespace zav::platform::qt
