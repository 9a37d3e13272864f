// The simulated card's wave-input calls.

#include <string>

#include "platform/sim/sim_format.h"
#include "platform/sim/sim_sound_card.h"

namespace zav::platform::sim {

std::uint32_t SimSoundCard::SimWaveIn::GetNumDevs() {
    std::lock_guard lock(card_.mutex_);
    card_.EnterCall(SimCall::WaveInGetNumDevs);
    return static_cast<std::uint32_t>(card_.config_.inputs.size());
}

MmResult SimSoundCard::SimWaveIn::GetDevCaps(std::uint32_t deviceId, WaveInCaps& caps) {
    return card_.InGetDevCaps(deviceId, caps);
}
MmResult SimSoundCard::SimWaveIn::Open(WaveInHandle& handle, std::uint32_t deviceId,
                                       const PcmWaveFormat& format, WaveInCallback callback) {
    return card_.InOpen(handle, deviceId, format, std::move(callback));
}
MmResult SimSoundCard::SimWaveIn::PrepareHeader(WaveInHandle handle, WaveHeader& header) {
    return card_.InPrepare(handle, header);
}
MmResult SimSoundCard::SimWaveIn::UnprepareHeader(WaveInHandle handle, WaveHeader& header) {
    return card_.InUnprepare(handle, header);
}
MmResult SimSoundCard::SimWaveIn::AddBuffer(WaveInHandle handle, WaveHeader& header) {
    return card_.InAddBuffer(handle, header);
}
MmResult SimSoundCard::SimWaveIn::Start(WaveInHandle handle) {
    return card_.InStart(handle);
}
MmResult SimSoundCard::SimWaveIn::Stop(WaveInHandle handle) {
    return card_.InStop(handle);
}
MmResult SimSoundCard::SimWaveIn::Reset(WaveInHandle handle) {
    return card_.InReset(handle);
}
MmResult SimSoundCard::SimWaveIn::GetPosition(WaveInHandle handle, std::uint32_t& bytes) {
    return card_.InGetPosition(handle, bytes);
}
MmResult SimSoundCard::SimWaveIn::Close(WaveInHandle handle) {
    return card_.InClose(handle);
}
MmResult SimSoundCard::SimWaveIn::GetErrorText(MmResult result, std::string& text) {
    return card_.ErrorText(SimCall::WaveInGetErrorText, result, text);
}

SimSoundCard::InputStream* SimSoundCard::FindInput(SimCall call, WaveInHandle handle) {
    auto found = inputs_.find(handle.value);
    if (found != inputs_.end())
        return &found->second;
    Violation(std::string(SimCallName(call)) + " on a handle that is not open (" +
              std::to_string(handle.value) + ")");
    return nullptr;
}

MmResult SimSoundCard::InGetDevCaps(std::uint32_t deviceId, WaveInCaps& caps) {
    std::lock_guard lock(mutex_);
    if (MmResult injected = EnterCall(SimCall::WaveInGetDevCaps); injected != MmResult::NoError) {
        return injected;
    }
    if (deviceId >= config_.inputs.size())
        return MmResult::BadDeviceId;
    caps = config_.inputs[deviceId];
    return MmResult::NoError;
}

MmResult SimSoundCard::InOpen(WaveInHandle& handle, std::uint32_t deviceId,
                              const PcmWaveFormat& format, WaveInCallback callback) {
    std::lock_guard lock(mutex_);
    handle = {};
    if (MmResult injected = EnterCall(SimCall::WaveInOpen); injected != MmResult::NoError) {
        return injected;
    }
    const std::vector<WaveInCaps>& devices = config_.inputs;
    if (devices.empty() || (deviceId != kWaveMapper && deviceId >= devices.size())) {
        return MmResult::BadDeviceId;
    }
    if (DuplexBlocked(Direction::In))
        return MmResult::Allocated;
    const std::uint32_t first = deviceId == kWaveMapper ? 0 : deviceId;
    const std::uint32_t last =
        deviceId == kWaveMapper ? static_cast<std::uint32_t>(devices.size()) : deviceId + 1;
    bool anyTakesFormat = false;
    for (std::uint32_t id = first; id < last; ++id) {
        if (!SimDeviceTakesFormat(devices[id].formats, devices[id].channels, format))
            continue;
        anyTakesFormat = true;
        if (DeviceBusy(Direction::In, id))
            continue;
        const std::uint32_t opened = nextHandle_++;
        InputStream& stream = inputs_[opened];
        stream.deviceId = id;
        stream.format = format;
        stream.callback = std::move(callback);
        handle = WaveInHandle{opened};
        if (stream.callback) {
            Notify(Direction::In, opened, [callback = stream.callback, opened] {
                callback(WaveInHandle{opened}, WaveMessage::InOpen, nullptr);
            });
        }
        return MmResult::NoError;
    }
    return anyTakesFormat ? MmResult::Allocated : MmResult::WaveBadFormat;
}

MmResult SimSoundCard::InPrepare(WaveInHandle handle, WaveHeader& header) {
    std::lock_guard lock(mutex_);
    if (MmResult injected = EnterCall(SimCall::WaveInPrepareHeader);
        injected != MmResult::NoError) {
        return injected;
    }
    if (FindInput(SimCall::WaveInPrepareHeader, handle) == nullptr)
        return MmResult::InvalHandle;
    if (header.data == nullptr || header.bufferLength == 0)
        return MmResult::InvalParam;
    header.flags |= kWaveHeaderPrepared;
    return MmResult::NoError;
}

MmResult SimSoundCard::InUnprepare(WaveInHandle handle, WaveHeader& header) {
    std::lock_guard lock(mutex_);
    if (MmResult injected = EnterCall(SimCall::WaveInUnprepareHeader);
        injected != MmResult::NoError) {
        return injected;
    }
    if (FindInput(SimCall::WaveInUnprepareHeader, handle) == nullptr) {
        return MmResult::InvalHandle;
    }
    if ((header.flags & kWaveHeaderInQueue) != 0) {
        Violation("waveInUnprepareHeader on a buffer the device still holds");
        return MmResult::WaveStillPlaying;
    }
    header.flags &= ~std::uint32_t{kWaveHeaderPrepared};
    return MmResult::NoError;
}

MmResult SimSoundCard::InAddBuffer(WaveInHandle handle, WaveHeader& header) {
    std::lock_guard lock(mutex_);
    if (MmResult injected = EnterCall(SimCall::WaveInAddBuffer); injected != MmResult::NoError) {
        return injected;
    }
    InputStream* stream = FindInput(SimCall::WaveInAddBuffer, handle);
    if (stream == nullptr)
        return MmResult::InvalHandle;
    if ((header.flags & kWaveHeaderPrepared) == 0) {
        Violation("waveInAddBuffer with a buffer that is not prepared");
        return MmResult::WaveUnprepared;
    }
    if ((header.flags & kWaveHeaderInQueue) != 0) {
        Violation("waveInAddBuffer with a buffer that is already queued");
        return MmResult::WaveStillPlaying;
    }
    header.flags = (header.flags & ~std::uint32_t{kWaveHeaderDone}) | kWaveHeaderInQueue;
    header.bytesRecorded = 0;
    stream->queue.push_back(QueuedBuffer{&header, header.data, header.bufferLength});
    return MmResult::NoError;
}

MmResult SimSoundCard::InStart(WaveInHandle handle) {
    std::lock_guard lock(mutex_);
    if (MmResult injected = EnterCall(SimCall::WaveInStart); injected != MmResult::NoError) {
        return injected;
    }
    InputStream* stream = FindInput(SimCall::WaveInStart, handle);
    if (stream == nullptr)
        return MmResult::InvalHandle;
    stream->running = true;
    return MmResult::NoError;
}

MmResult SimSoundCard::InStop(WaveInHandle handle) {
    std::lock_guard lock(mutex_);
    if (MmResult injected = EnterCall(SimCall::WaveInStop); injected != MmResult::NoError) {
        return injected;
    }
    InputStream* stream = FindInput(SimCall::WaveInStop, handle);
    if (stream == nullptr)
        return MmResult::InvalHandle;
    if (!stream->running)
        return MmResult::NoError;
    stream->running = false;
    // The buffer being filled comes back with what it holds; empty ones stay queued.
    if (!stream->queue.empty() && Intact(stream->queue.front()) &&
        stream->queue.front().header->bytesRecorded > 0) {
        ReturnInput(handle.value, *stream);
    }
    return MmResult::NoError;
}

MmResult SimSoundCard::InReset(WaveInHandle handle) {
    std::lock_guard lock(mutex_);
    if (MmResult injected = EnterCall(SimCall::WaveInReset); injected != MmResult::NoError) {
        return injected;
    }
    InputStream* stream = FindInput(SimCall::WaveInReset, handle);
    if (stream == nullptr)
        return MmResult::InvalHandle;
    stream->running = false;
    while (!stream->queue.empty()) {
        if (Intact(stream->queue.front())) {
            ReturnInput(handle.value, *stream);
        } else {
            Violation("a queued input buffer's header was changed while the device held it");
            stream->queue.pop_front();
        }
    }
    stream->position = 0;
    stream->runMicros = 0;
    stream->framesDue = 0;
    return MmResult::NoError;
}

MmResult SimSoundCard::InGetPosition(WaveInHandle handle, std::uint32_t& bytes) {
    std::lock_guard lock(mutex_);
    if (MmResult injected = EnterCall(SimCall::WaveInGetPosition); injected != MmResult::NoError) {
        return injected;
    }
    InputStream* stream = FindInput(SimCall::WaveInGetPosition, handle);
    if (stream == nullptr)
        return MmResult::InvalHandle;
    bytes = static_cast<std::uint32_t>(stream->position);
    return MmResult::NoError;
}

MmResult SimSoundCard::InClose(WaveInHandle handle) {
    std::unique_lock lock(mutex_);
    if (MmResult injected = EnterCall(SimCall::WaveInClose); injected != MmResult::NoError) {
        return injected;
    }
    InputStream* stream = FindInput(SimCall::WaveInClose, handle);
    if (stream == nullptr)
        return MmResult::InvalHandle;
    if (!stream->queue.empty())
        return MmResult::WaveStillPlaying;
    // No callback for this handle may come after Close returns.
    DrainHandleLocked(lock, Direction::In, handle.value);
    auto found = inputs_.find(handle.value);
    if (found == inputs_.end())
        return MmResult::InvalHandle;  // closed meanwhile elsewhere
    WaveInCallback callback = std::move(found->second.callback);
    inputs_.erase(found);
    if (callback) {
        Notify(Direction::In, handle.value, [callback = std::move(callback), handle] {
            callback(handle, WaveMessage::InClose, nullptr);
        });
        DrainHandleLocked(lock, Direction::In, handle.value);
    }
    return MmResult::NoError;
}

}  // namespace zav::platform::sim
