#pragma once
// The simulated card's wave calls that input and output share, written once over the stream
// record (SimSoundCard::InputStream or OutputStream), which says what differs: handle and
// callback types, messages, call names. Included by the card's own sources only.

#include <algorithm>
#include <string>
#include <utility>

#include "platform/sim/sim_format.h"
#include "platform/sim/sim_sound_card.h"

namespace zav::platform::sim {

template <typename Stream>
Stream* SimSoundCard::FindStream(SimCall call, typename Stream::Handle handle) {
    auto& streams = Streams<Stream>();
    auto found = streams.find(handle.value);
    if (found != streams.end())
        return &found->second;
    Violation(std::string(SimCallName(call)) + " on a handle that is not open (" +
              std::to_string(handle.value) + ")");
    return nullptr;
}

template <typename Stream>
MmResult SimSoundCard::EnterStreamCall(SimCall call, typename Stream::Handle handle,
                                       Stream*& stream) {
    stream = nullptr;
    if (MmResult injected = EnterCall(call); injected != MmResult::NoError)
        return injected;
    stream = FindStream<Stream>(call, handle);
    return stream == nullptr ? MmResult::InvalHandle : MmResult::NoError;
}

template <typename Stream>
void SimSoundCard::ReturnBuffer(std::uint32_t handle, Stream& stream) {
    WaveHeader* header = stream.queue.front().header;
    stream.queue.pop_front();
    stream.Returned();
    header->flags = (header->flags & ~std::uint32_t{kWaveHeaderInQueue}) | kWaveHeaderDone;
    if (!stream.callback)
        return;
    Notify(Stream::kDirection, handle, [callback = stream.callback, handle, header] {
        callback(typename Stream::Handle{handle}, Stream::kDataMessage, header);
    });
}

template <typename Stream>
std::uint32_t SimSoundCard::WaveDeviceCount() {
    std::lock_guard lock(mutex_);
    EnterCall(Stream::kCalls.getNumDevs);
    return static_cast<std::uint32_t>(Devices<Stream>().size());
}

template <typename Stream>
MmResult SimSoundCard::WaveGetDevCaps(std::uint32_t deviceId, typename Stream::Caps& caps) {
    std::lock_guard lock(mutex_);
    if (MmResult injected = EnterCall(Stream::kCalls.getDevCaps); injected != MmResult::NoError)
        return injected;
    const auto& devices = Devices<Stream>();
    if (deviceId >= devices.size())
        return MmResult::BadDeviceId;
    caps = devices[deviceId];
    return MmResult::NoError;
}

template <typename Stream>
MmResult SimSoundCard::WaveOpen(typename Stream::Handle& handle, std::uint32_t deviceId,
                                const PcmWaveFormat& format, typename Stream::Callback callback) {
    std::lock_guard lock(mutex_);
    handle = {};
    if (MmResult injected = EnterCall(Stream::kCalls.open); injected != MmResult::NoError)
        return injected;
    const auto& devices = Devices<Stream>();
    if (devices.empty() || (deviceId != kWaveMapper && deviceId >= devices.size()))
        return MmResult::BadDeviceId;
    if (DuplexBlocked(Stream::kDirection))
        return MmResult::Allocated;
    auto& streams = Streams<Stream>();
    const std::uint32_t first = deviceId == kWaveMapper ? 0 : deviceId;
    const std::uint32_t last =
        deviceId == kWaveMapper ? static_cast<std::uint32_t>(devices.size()) : deviceId + 1;
    bool anyTakesFormat = false;
    for (std::uint32_t id = first; id < last; ++id) {
        if (!SimDeviceTakesFormat(devices[id].formats, devices[id].channels, format))
            continue;
        anyTakesFormat = true;
        const bool busy = std::any_of(streams.begin(), streams.end(), [id](const auto& open) {
            return open.second.deviceId == id;
        });
        if (busy)
            continue;
        const std::uint32_t opened = nextHandle_++;
        Stream& stream = streams[opened];
        stream.deviceId = id;
        stream.format = format;
        stream.callback = std::move(callback);
        handle = typename Stream::Handle{opened};
        if (stream.callback) {
            Notify(Stream::kDirection, opened, [callback = stream.callback, opened] {
                callback(typename Stream::Handle{opened}, Stream::kOpenMessage, nullptr);
            });
        }
        return MmResult::NoError;
    }
    return anyTakesFormat ? MmResult::Allocated : MmResult::WaveBadFormat;
}

template <typename Stream>
MmResult SimSoundCard::WavePrepare(typename Stream::Handle handle, WaveHeader& header) {
    std::lock_guard lock(mutex_);
    Stream* stream = nullptr;
    if (MmResult entered = EnterStreamCall(Stream::kCalls.prepare, handle, stream);
        entered != MmResult::NoError)
        return entered;
    if (header.data == nullptr || header.bufferLength == 0)
        return MmResult::InvalParam;
    header.flags |= kWaveHeaderPrepared;
    return MmResult::NoError;
}

template <typename Stream>
MmResult SimSoundCard::WaveUnprepare(typename Stream::Handle handle, WaveHeader& header) {
    std::lock_guard lock(mutex_);
    const SimCall call = Stream::kCalls.unprepare;
    Stream* stream = nullptr;
    if (MmResult entered = EnterStreamCall(call, handle, stream); entered != MmResult::NoError)
        return entered;
    if ((header.flags & kWaveHeaderInQueue) != 0) {
        Violation(std::string(SimCallName(call)) + " on a buffer the device still holds");
        return MmResult::WaveStillPlaying;
    }
    header.flags &= ~std::uint32_t{kWaveHeaderPrepared};
    return MmResult::NoError;
}

template <typename Stream>
MmResult SimSoundCard::WaveQueue(typename Stream::Handle handle, WaveHeader& header) {
    std::lock_guard lock(mutex_);
    const SimCall call = Stream::kCalls.queue;
    Stream* stream = nullptr;
    if (MmResult entered = EnterStreamCall(call, handle, stream); entered != MmResult::NoError)
        return entered;
    if ((header.flags & kWaveHeaderPrepared) == 0) {
        Violation(std::string(SimCallName(call)) + " with a buffer that is not prepared");
        return MmResult::WaveUnprepared;
    }
    if ((header.flags & kWaveHeaderInQueue) != 0) {
        Violation(std::string(SimCallName(call)) + " with a buffer that is already queued");
        return MmResult::WaveStillPlaying;
    }
    header.flags = (header.flags & ~std::uint32_t{kWaveHeaderDone}) | kWaveHeaderInQueue;
    stream->Queued(header);
    stream->queue.push_back(QueuedBuffer{&header, header.data, header.bufferLength});
    return MmResult::NoError;
}

template <typename Stream>
MmResult SimSoundCard::WaveGetPosition(typename Stream::Handle handle, std::uint32_t& bytes) {
    std::lock_guard lock(mutex_);
    Stream* stream = nullptr;
    if (MmResult entered = EnterStreamCall(Stream::kCalls.getPosition, handle, stream);
        entered != MmResult::NoError)
        return entered;
    bytes = static_cast<std::uint32_t>(stream->position);
    return MmResult::NoError;
}

template <typename Stream>
MmResult SimSoundCard::WaveReset(typename Stream::Handle handle) {
    std::lock_guard lock(mutex_);
    Stream* stream = nullptr;
    if (MmResult entered = EnterStreamCall(Stream::kCalls.reset, handle, stream);
        entered != MmResult::NoError)
        return entered;
    while (!stream->queue.empty()) {
        if (Intact(stream->queue.front())) {
            ReturnBuffer(handle.value, *stream);
        } else {
            Violation(Stream::kHeaderChanged);
            stream->queue.pop_front();
        }
    }
    stream->position = 0;
    stream->Rewind();
    return MmResult::NoError;
}

template <typename Stream>
MmResult SimSoundCard::WaveClose(typename Stream::Handle handle) {
    std::unique_lock lock(mutex_);
    Stream* stream = nullptr;
    if (MmResult entered = EnterStreamCall(Stream::kCalls.close, handle, stream);
        entered != MmResult::NoError)
        return entered;
    if (!stream->queue.empty())
        return MmResult::WaveStillPlaying;
    // No callback for this handle may come after Close returns.
    DrainHandleLocked(lock, Stream::kDirection, handle.value);
    auto& streams = Streams<Stream>();
    auto found = streams.find(handle.value);
    if (found == streams.end())
        return MmResult::InvalHandle;  // closed meanwhile elsewhere
    typename Stream::Callback callback = std::move(found->second.callback);
    streams.erase(found);
    if (callback) {
        Notify(Stream::kDirection, handle.value, [callback = std::move(callback), handle] {
            callback(handle, Stream::kCloseMessage, nullptr);
        });
        DrainHandleLocked(lock, Stream::kDirection, handle.value);
    }
    return MmResult::NoError;
}

template <typename Stream>
void SimSoundCard::ReportLeftOpen() {
    for (const auto& [handle, stream] : Streams<Stream>()) {
        Violation(std::string(Stream::kName) + " device left open (handle " +
                  std::to_string(handle) + ", " + std::to_string(stream.queue.size()) +
                  " buffers queued)");
    }
}

template <typename Api, typename Stream>
std::uint32_t SimSoundCard::SimWave<Api, Stream>::GetNumDevs() {
    return card_.WaveDeviceCount<Stream>();
}
template <typename Api, typename Stream>
MmResult SimSoundCard::SimWave<Api, Stream>::GetDevCaps(std::uint32_t deviceId,
                                                        typename Stream::Caps& caps) {
    return card_.WaveGetDevCaps<Stream>(deviceId, caps);
}
template <typename Api, typename Stream>
MmResult SimSoundCard::SimWave<Api, Stream>::Open(typename Stream::Handle& handle,
                                                  std::uint32_t deviceId,
                                                  const PcmWaveFormat& format,
                                                  typename Stream::Callback callback) {
    return card_.WaveOpen<Stream>(handle, deviceId, format, std::move(callback));
}
template <typename Api, typename Stream>
MmResult SimSoundCard::SimWave<Api, Stream>::PrepareHeader(typename Stream::Handle handle,
                                                           WaveHeader& header) {
    return card_.WavePrepare<Stream>(handle, header);
}
template <typename Api, typename Stream>
MmResult SimSoundCard::SimWave<Api, Stream>::UnprepareHeader(typename Stream::Handle handle,
                                                             WaveHeader& header) {
    return card_.WaveUnprepare<Stream>(handle, header);
}
template <typename Api, typename Stream>
MmResult SimSoundCard::SimWave<Api, Stream>::Reset(typename Stream::Handle handle) {
    return card_.WaveReset<Stream>(handle);
}
template <typename Api, typename Stream>
MmResult SimSoundCard::SimWave<Api, Stream>::GetPosition(typename Stream::Handle handle,
                                                         std::uint32_t& bytes) {
    return card_.WaveGetPosition<Stream>(handle, bytes);
}
template <typename Api, typename Stream>
MmResult SimSoundCard::SimWave<Api, Stream>::Close(typename Stream::Handle handle) {
    return card_.WaveClose<Stream>(handle);
}
template <typename Api, typename Stream>
MmResult SimSoundCard::SimWave<Api, Stream>::GetErrorText(MmResult result, std::string& text) {
    return card_.ErrorText(Stream::kCalls.getErrorText, result, text);
}

}  // namespace zav::platform::sim
