#pragma once
// A file descriptor that a thread waiting in poll() can be woken through: one thread signals,
// the waiting one sees POLLIN and clears it.
//
// Thread: Signal from any thread; Clear and fd() from the waiting thread.

namespace zav::platform::alsa {

class WakeEvent {
  public:
    WakeEvent();
    ~WakeEvent();
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;

    // False when no descriptor could be made; the waiting thread then relies on its timeout.
    bool Valid() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    void Signal();
    void Clear();

  private:
    int fd_ = -1;
};

}  // namespace zav::platform::alsa
