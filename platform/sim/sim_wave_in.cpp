// The simulated card's wave-input calls: the shared ones from sim_wave_streams.h, and
// AddBuffer, Start and Stop.

#include "platform/sim/sim_wave_streams.h"

namespace zav::platform::sim {

template class SimSoundCard::SimWave<WaveInApi, SimSoundCard::InputStream>;

MmResult SimSoundCard::SimWaveIn::AddBuffer(WaveInHandle handle, WaveHeader& header) {
    return card_.WaveQueue<InputStream>(handle, header);
}
MmResult SimSoundCard::SimWaveIn::Start(WaveInHandle handle) {
    return card_.InStart(handle);
}
MmResult SimSoundCard::SimWaveIn::Stop(WaveInHandle handle) {
    return card_.InStop(handle);
}

MmResult SimSoundCard::InStart(WaveInHandle handle) {
    std::lock_guard lock(mutex_);
    InputStream* stream = nullptr;
    if (MmResult entered = EnterStreamCall(SimCall::WaveInStart, handle, stream);
        entered != MmResult::NoError) {
        return entered;
    }
    stream->running = true;
    return MmResult::NoError;
}

MmResult SimSoundCard::InStop(WaveInHandle handle) {
    std::lock_guard lock(mutex_);
    InputStream* stream = nullptr;
    if (MmResult entered = EnterStreamCall(SimCall::WaveInStop, handle, stream);
        entered != MmResult::NoError) {
        return entered;
    }
    if (!stream->running)
        return MmResult::NoError;
    stream->running = false;
    // The buffer being filled comes back with what it holds; empty ones stay queued.
    if (!stream->queue.empty() && Intact(stream->queue.front()) &&
        stream->queue.front().header->bytesRecorded > 0) {
        ReturnBuffer(handle.value, *stream);
    }
    return MmResult::NoError;
}

}  // namespace zav::platform::sim
