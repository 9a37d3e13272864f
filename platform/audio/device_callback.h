#pragma once
// Marks the threads that are running a device or timer callback. The host forbids wave calls
// inside a wave callback, and a callback that waited for the dialog thread could deadlock
// against a Close (or a timer kill) that waits for the callback: the wave core refuses wave
// calls made inside a wave callback, and the dispatchers refuse Send inside any callback.
//
// Thread: any; the marks are per thread.

namespace zav::platform {

enum class CallbackKind {
    WaveDevice,  // a wave-input or wave-output function callback
    Timer,       // a multimedia timer's periodic callback
};

// True while this thread runs a wave device callback.
bool InDeviceCallback();
// True while this thread runs any callback of CallbackKind: the place where nothing may wait
// for the dialog thread.
bool InAnyCallback();

// Marks the calling thread for its lifetime. Backends put one around every callback they make.
class CallbackScope {
  public:
    explicit CallbackScope(CallbackKind kind);
    ~CallbackScope();
    CallbackScope(const CallbackScope&) = delete;
    CallbackScope& operator=(const CallbackScope&) = delete;

  private:
    CallbackKind kind_;
};

}  // namespace zav::platform
