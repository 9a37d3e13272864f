#include "platform/ui/dispatcher.h"

#include <utility>

#include "platform/audio/device_callback.h"

namespace zav::platform {

bool Dispatcher::Send(Task task) {
    if (InAnyCallback()) {
        // It could wait for a Close (or a timer kill) that waits for this callback.
        OnSendRefused();
        return false;
    }
    if (OnDialogThread()) {
        task();
        return true;
    }
    return DoSend(std::move(task));
}

}  // namespace zav::platform
