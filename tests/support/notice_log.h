#pragma once
// What a wave device's callback received, in order, with the moment of each notice.
//
// Thread: any; the callback adds while the test reads.

#include <chrono>
#include <cstddef>
#include <mutex>
#include <vector>

#include "platform/audio/wave_in.h"
#include "platform/audio/wave_out.h"

namespace zav::test {

class NoticeLog {
  public:
    void Add(platform::WaveMessage message, platform::WaveHeader* header = nullptr);
    // Callbacks for WaveIn().Open and WaveOut().Open that add every notice here.
    platform::WaveInCallback InCallback();
    platform::WaveOutCallback OutCallback();

    std::size_t Count(platform::WaveMessage message) const;
    std::vector<platform::WaveMessage> Messages() const;
    // When the last notice came; the epoch while none has.
    std::chrono::steady_clock::time_point LastTime() const;

  private:
    struct Entry {
        platform::WaveMessage message;
        platform::WaveHeader* header;
        std::chrono::steady_clock::time_point time;
    };
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
};

}  // namespace zav::test
