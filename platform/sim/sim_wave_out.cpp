// The simulated card's wave-output calls.

#include <string>

#include "platform/sim/sim_format.h"
#include "platform/sim/sim_sound_card.h"

namespace zav::platform::sim {

std::uint32_t SimSoundCard::SimWaveOut::GetNumDevs() {
    std::lock_guard lock(card_.mutex_);
    card_.EnterCall(SimCall::WaveOutGetNumDevs);
    return static_cast<std::uint32_t>(card_.config_.outputs.size());
}

MmResult SimSoundCard::SimWaveOut::GetDevCaps(std::uint32_t deviceId, WaveOutCaps& caps) {
    return card_.OutGetDevCaps(deviceId, caps);
}
MmResult SimSoundCard::SimWaveOut::Open(WaveOutHandle& handle, std::uint32_t deviceId,
                                        const PcmWaveFormat& format, WaveOutCallback callback) {
    return card_.OutOpen(handle, deviceId, format, std::move(callback));
}
MmResult SimSoundCard::SimWaveOut::PrepareHeader(WaveOutHandle handle, WaveHeader& header) {
    return card_.OutPrepare(handle, header);
}
MmResult SimSoundCard::SimWaveOut::UnprepareHeader(WaveOutHandle handle, WaveHeader& header) {
    return card_.OutUnprepare(handle, header);
}
MmResult SimSoundCard::SimWaveOut::Write(WaveOutHandle handle, WaveHeader& header) {
    return card_.OutWrite(handle, header);
}
MmResult SimSoundCard::SimWaveOut::GetPosition(WaveOutHandle handle, std::uint32_t& bytes) {
    return card_.OutGetPosition(handle, bytes);
}
MmResult SimSoundCard::SimWaveOut::Reset(WaveOutHandle handle) {
    return card_.OutReset(handle);
}
MmResult SimSoundCard::SimWaveOut::Close(WaveOutHandle handle) {
    return card_.OutClose(handle);
}
MmResult SimSoundCard::SimWaveOut::GetErrorText(MmResult result, std::string& text) {
    return card_.ErrorText(SimCall::WaveOutGetErrorText, result, text);
}

SimSoundCard::OutputStream* SimSoundCard::FindOutput(SimCall call, WaveOutHandle handle) {
    auto found = outputs_.find(handle.value);
    if (found != outputs_.end())
        return &found->second;
    Violation(std::string(SimCallName(call)) + " on a handle that is not open (" +
              std::to_string(handle.value) + ")");
    return nullptr;
}

MmResult SimSoundCard::OutGetDevCaps(std::uint32_t deviceId, WaveOutCaps& caps) {
    std::lock_guard lock(mutex_);
    if (MmResult injected = EnterCall(SimCall::WaveOutGetDevCaps); injected != MmResult::NoError) {
        return injected;
    }
    if (deviceId >= config_.outputs.size())
        return MmResult::BadDeviceId;
    caps = config_.outputs[deviceId];
    return MmResult::NoError;
}

MmResult SimSoundCard::OutOpen(WaveOutHandle& handle, std::uint32_t deviceId,
                               const PcmWaveFormat& format, WaveOutCallback callback) {
    std::lock_guard lock(mutex_);
    handle = {};
    if (MmResult injected = EnterCall(SimCall::WaveOutOpen); injected != MmResult::NoError) {
        return injected;
    }
    const std::vector<WaveOutCaps>& devices = config_.outputs;
    if (devices.empty() || (deviceId != kWaveMapper && deviceId >= devices.size())) {
        return MmResult::BadDeviceId;
    }
    if (DuplexBlocked(Direction::Out))
        return MmResult::Allocated;
    const std::uint32_t first = deviceId == kWaveMapper ? 0 : deviceId;
    const std::uint32_t last =
        deviceId == kWaveMapper ? static_cast<std::uint32_t>(devices.size()) : deviceId + 1;
    bool anyTakesFormat = false;
    for (std::uint32_t id = first; id < last; ++id) {
        if (!SimDeviceTakesFormat(devices[id].formats, devices[id].channels, format))
            continue;
        anyTakesFormat = true;
        if (DeviceBusy(Direction::Out, id))
            continue;
        const std::uint32_t opened = nextHandle_++;
        OutputStream& stream = outputs_[opened];
        stream.deviceId = id;
        stream.format = format;
        stream.callback = std::move(callback);
        handle = WaveOutHandle{opened};
        if (stream.callback) {
            Notify(Direction::Out, opened, [callback = stream.callback, opened] {
                callback(WaveOutHandle{opened}, WaveMessage::OutOpen, nullptr);
            });
        }
        return MmResult::NoError;
    }
    return anyTakesFormat ? MmResult::Allocated : MmResult::WaveBadFormat;
}

MmResult SimSoundCard::OutPrepare(WaveOutHandle handle, WaveHeader& header) {
    std::lock_guard lock(mutex_);
    if (MmResult injected = EnterCall(SimCall::WaveOutPrepareHeader);
        injected != MmResult::NoError) {
        return injected;
    }
    if (FindOutput(SimCall::WaveOutPrepareHeader, handle) == nullptr) {
        return MmResult::InvalHandle;
    }
    if (header.data == nullptr || header.bufferLength == 0)
        return MmResult::InvalParam;
    header.flags |= kWaveHeaderPrepared;
    return MmResult::NoError;
}

MmResult SimSoundCard::OutUnprepare(WaveOutHandle handle, WaveHeader& header) {
    std::lock_guard lock(mutex_);
    if (MmResult injected = EnterCall(SimCall::WaveOutUnprepareHeader);
        injected != MmResult::NoError) {
        return injected;
    }
    if (FindOutput(SimCall::WaveOutUnprepareHeader, handle) == nullptr) {
        return MmResult::InvalHandle;
    }
    if ((header.flags & kWaveHeaderInQueue) != 0) {
        Violation("waveOutUnprepareHeader on a buffer the device still holds");
        return MmResult::WaveStillPlaying;
    }
    header.flags &= ~std::uint32_t{kWaveHeaderPrepared};
    return MmResult::NoError;
}

MmResult SimSoundCard::OutWrite(WaveOutHandle handle, WaveHeader& header) {
    std::lock_guard lock(mutex_);
    if (MmResult injected = EnterCall(SimCall::WaveOutWrite); injected != MmResult::NoError) {
        return injected;
    }
    OutputStream* stream = FindOutput(SimCall::WaveOutWrite, handle);
    if (stream == nullptr)
        return MmResult::InvalHandle;
    if ((header.flags & kWaveHeaderPrepared) == 0) {
        Violation("waveOutWrite with a buffer that is not prepared");
        return MmResult::WaveUnprepared;
    }
    if ((header.flags & kWaveHeaderInQueue) != 0) {
        Violation("waveOutWrite with a buffer that is already queued");
        return MmResult::WaveStillPlaying;
    }
    header.flags = (header.flags & ~std::uint32_t{kWaveHeaderDone}) | kWaveHeaderInQueue;
    stream->queue.push_back(QueuedBuffer{&header, header.data, header.bufferLength});
    return MmResult::NoError;
}

MmResult SimSoundCard::OutGetPosition(WaveOutHandle handle, std::uint32_t& bytes) {
    std::lock_guard lock(mutex_);
    if (MmResult injected = EnterCall(SimCall::WaveOutGetPosition); injected != MmResult::NoError) {
        return injected;
    }
    OutputStream* stream = FindOutput(SimCall::WaveOutGetPosition, handle);
    if (stream == nullptr)
        return MmResult::InvalHandle;
    bytes = static_cast<std::uint32_t>(stream->position);
    return MmResult::NoError;
}

MmResult SimSoundCard::OutReset(WaveOutHandle handle) {
    std::lock_guard lock(mutex_);
    if (MmResult injected = EnterCall(SimCall::WaveOutReset); injected != MmResult::NoError) {
        return injected;
    }
    OutputStream* stream = FindOutput(SimCall::WaveOutReset, handle);
    if (stream == nullptr)
        return MmResult::InvalHandle;
    while (!stream->queue.empty()) {
        if (Intact(stream->queue.front())) {
            ReturnOutput(handle.value, *stream);
        } else {
            Violation("a written output buffer's header was changed while the device held it");
            stream->queue.pop_front();
        }
    }
    stream->headOffset = 0;
    stream->playMicros = 0;
    stream->playedInRun = 0;
    stream->position = 0;
    return MmResult::NoError;
}

MmResult SimSoundCard::OutClose(WaveOutHandle handle) {
    std::unique_lock lock(mutex_);
    if (MmResult injected = EnterCall(SimCall::WaveOutClose); injected != MmResult::NoError) {
        return injected;
    }
    OutputStream* stream = FindOutput(SimCall::WaveOutClose, handle);
    if (stream == nullptr)
        return MmResult::InvalHandle;
    if (!stream->queue.empty())
        return MmResult::WaveStillPlaying;
    // No callback for this handle may come after Close returns.
    DrainHandleLocked(lock, Direction::Out, handle.value);
    auto found = outputs_.find(handle.value);
    if (found == outputs_.end())
        return MmResult::InvalHandle;  // closed meanwhile elsewhere
    WaveOutCallback callback = std::move(found->second.callback);
    outputs_.erase(found);
    if (callback) {
        Notify(Direction::Out, handle.value, [callback = std::move(callback), handle] {
            callback(handle, WaveMessage::OutClose, nullptr);
        });
        DrainHandleLocked(lock, Direction::Out, handle.value);
    }
    return MmResult::NoError;
}

}  // namespace zav::platform::sim
