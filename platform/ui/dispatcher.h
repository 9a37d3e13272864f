#pragma once
// Hands work to the dialog thread, the one thread that runs every handler of a program.
// Device callbacks and timer threads use it instead of touching devices or widgets themselves.
//
// The callback rule: a device or timer callback posts and never sends. Close and a timer's kill
// wait for a callback that is running; a callback that waited in turn for the dialog thread,
// where Close is called, would never return. Send from inside a callback is therefore refused.

#include <functional>

namespace zav::platform {

class Dispatcher {
  public:
    using Task = std::function<void()>;

    virtual ~Dispatcher() = default;

    // Queues the task for the dialog thread and returns at once, like posting a window message.
    // Tasks run in the order they were posted. Thread: any.
    virtual void Post(Task task) = 0;

    // Runs the task on the dialog thread and waits until it has run, like sending a window
    // message; runs it inline when called on the dialog thread. Thread: any but inside a device
    // or timer callback, where it is refused: false, and the task does not run (and
    // OnSendRefused reports it). Otherwise DoSend brings the task across: false when it went
    // unrun.
    [[nodiscard]] bool Send(Task task);

    // True on the dialog thread. Thread: any.
    virtual bool OnDialogThread() const = 0;

  protected:
    // The backend's part of Send: called off the dialog thread and outside every callback; runs
    // the task on the dialog thread and waits for it. Thread: any but the dialog thread.
    virtual bool DoSend(Task task) = 0;
    // A Send from inside a callback was refused. Thread: the callback's.
    virtual void OnSendRefused() {}
};

}  // namespace zav::platform
