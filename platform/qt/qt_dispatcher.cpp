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

bool QtDispatcher::DoSend(Task task) {
    QMetaObject::invokeMethod(context_.get(), std::move(task), Qt::BlockingQueuedConnection);
    return true;
}

bool QtDispatcher::OnDialogThread() const {
    return QThread::currentThread() == context_->thread();
}

}  // namespace zav::platform::qt
