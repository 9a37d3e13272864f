#pragma once
// A worker thread of a device, a timer or a dispatcher: its loop waits (on a condition variable
// under its owner's mutex, or in poll() or on an event with a wake-up) and works under that
// mutex. It is ended by a flag that the loop reads under the mutex, and a wake-up sent with
// the flag: every worker thread in the programs is one of these.
//
// Not std::jthread with condition_variable_any::wait(lock, stop_token, pred): that wait
// registers a std::stop_callback, and where atomic waits have no futex (libstdc++ 12 on
// MinGW-w64) the callback's destructor can miss the wake-up from a request_stop that runs the
// callback at that moment. The worker then never ends and its owner hangs in join. Here the
// flag is set and the wake-up sent under the loop's own mutex, so a stop cannot fall between
// the loop's check and its wait.
//
// Thread: Start and Stop from the owner, never from the worker and never with the mutex held;
// StopRequested with the mutex held (the worker's loop reads it there).

#include <functional>
#include <mutex>
#include <thread>

namespace zav::platform {

class StoppableThread {
  public:
    StoppableThread() = default;
    // Stops the worker if one runs.
    ~StoppableThread();
    StoppableThread(const StoppableThread&) = delete;
    StoppableThread& operator=(const StoppableThread&) = delete;

    // Runs loop on a new thread. wake, called with mutex held, must end every wait of the loop.
    // Throws std::system_error when the host gives no thread. Not while one runs.
    void Start(std::mutex& mutex, std::function<void()> wake, std::function<void()> loop);
    // Sets the flag and wakes the loop, both under the mutex, then waits for the loop to return.
    // Does nothing when no worker runs.
    void Stop();

    bool Running() const { return thread_.joinable(); }
    std::thread::id Id() const { return thread_.get_id(); }
    bool StopRequested() const { return stopRequested_; }

  private:
    std::mutex* mutex_ = nullptr;
    std::function<void()> wake_;
    bool stopRequested_ = false;  // guarded by *mutex_
    std::thread thread_;
};

}  // namespace zav::platform
