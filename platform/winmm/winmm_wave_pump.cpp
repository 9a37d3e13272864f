// The pump's wave-call side, its ring of device buffers and its device thread. The transfer
// between stream buffers and device buffers is in winmm_wave_transfer.cpp.

#include "platform/winmm/winmm_wave_pump.h"

#include <utility>

#include "platform/winmm/winmm_format.h"

namespace zav::platform::winmm {

namespace {

// Eight buffers of about 20 ms: 160 ms in the device, enough to ride out a busy moment of the
// pump's thread without making a played sound's end late.
constexpr std::size_t kRingBuffers = 8;
// Bounds the device thread's sleep, so a done notice that was somehow missed is still seen.
constexpr DWORD kWaitMs = 50;

}  // namespace

MmResult WinmmWavePump::Open(WaveStream& stream, std::uint32_t deviceId, const WAVEFORMATEX& format,
                             std::unique_ptr<WavePump>& pump) {
    pump.reset();
    auto done = std::make_unique<EventHandle>();
    if (!done->Valid())
        return MmResult::NoMem;
    std::unique_ptr<WinmmWaveDevice> device;
    // The seam's kWaveMapper is the host's WAVE_MAPPER.
    if (const MmResult opened = WinmmWaveDevice::Open(
            stream.Direction(), static_cast<UINT>(deviceId), format, done->Get(), device);
        opened != MmResult::NoError) {
        return opened;
    }
    std::unique_ptr<WinmmWavePump> made(new WinmmWavePump(
        stream, std::move(done), std::move(device), DeviceChunkBytes(stream.Format())));
    if (!made->wake_.Valid())
        return MmResult::NoMem;
    if (stream.Direction() == WaveDirection::In) {
        if (const MmResult queued = made->QueueRingLocked(); queued != MmResult::NoError)
            return queued;  // the pump's destructor takes the buffers back and closes
    }
    WinmmWavePump* self = made.get();
    made->thread_.Start(
        made->mutex_, [self] { self->wake_.Signal(); }, [self] { self->Run(); });
    pump = std::move(made);
    return MmResult::NoError;
}

WinmmWavePump::WinmmWavePump(WaveStream& stream, std::unique_ptr<EventHandle> done,
                             std::unique_ptr<WinmmWaveDevice> device, std::uint32_t chunkBytes)
    : stream_(stream),
      mutex_(stream.Mutex()),
      frameBytes_(stream.Format().blockAlign),
      done_(std::move(done)),
      device_(std::move(device)),
      ring_(kRingBuffers) {
    for (std::size_t i = 0; i < ring_.size(); ++i) {
        ring_[i].data.resize(chunkBytes);
        if (stream_.Direction() == WaveDirection::Out)
            idle_.push_back(i);
    }
}

WinmmWavePump::~WinmmWavePump() {
    Shutdown();
}

MmResult WinmmWavePump::QueueRingLocked() {
    for (std::size_t i = 0; i < ring_.size(); ++i) {
        DeviceBuffer& buffer = ring_[i];
        buffer.header = WAVEHDR{};
        buffer.header.lpData = reinterpret_cast<LPSTR>(buffer.data.data());
        buffer.header.dwBufferLength = static_cast<DWORD>(buffer.data.size());
        if (const MmResult prepared = device_->Prepare(buffer.header);
            prepared != MmResult::NoError) {
            return prepared;
        }
        if (const MmResult queued = device_->Queue(buffer.header); queued != MmResult::NoError)
            return queued;
        inDevice_.push_back(i);
    }
    return MmResult::NoError;
}

void WinmmWavePump::Shutdown() {
    thread_.Stop();
    // The device thread has gone and the stream is closing: nobody else touches the device.
    if (device_) {
        device_->Reset();
        for (DeviceBuffer& buffer : ring_) {
            if ((buffer.header.dwFlags & WHDR_PREPARED) != 0)
                device_->Unprepare(buffer.header);
        }
        inDevice_.clear();
        device_.reset();
    }
}

MmResult WinmmWavePump::Start() {
    if (stream_.Direction() != WaveDirection::In)
        return MmResult::NotSupported;
    return device_->Start();
}

MmResult WinmmWavePump::Stop() {
    if (stream_.Direction() != WaveDirection::In)
        return MmResult::NotSupported;
    const MmResult stopped = device_->Stop();
    // The device hands back the buffer it was filling; its samples still go to the stream.
    HarvestCaptureLocked(true);
    return stopped;
}

void WinmmWavePump::Reset() {
    device_->Reset();
    if (stream_.Direction() == WaveDirection::In) {
        HarvestCaptureLocked(false);
        return;
    }
    ForgetWrittenLocked();
    positionBase_ = device_->BytePosition().value_or(0);
}

void WinmmWavePump::CatchUp() {
    if (stream_.Direction() == WaveDirection::In) {
        // What the device has handed back already belongs to the position.
        if (stream_.Recording())
            HarvestCaptureLocked(true);
        return;
    }
    HarvestPlayedLocked();
    // The device's own count may be ahead of the buffers it has handed back.
    if (const std::optional<std::uint64_t> device = device_->BytePosition();
        device && *device >= positionBase_) {
        stream_.Played(*device - positionBase_);
    }
}

void WinmmWavePump::Wake() {
    wake_.Signal();
}

void WinmmWavePump::Run() {
    const HANDLE events[] = {done_->Get(), wake_.Get()};
    while (true) {
        ::WaitForMultipleObjects(2, events, FALSE, kWaitMs);
        std::lock_guard lock(mutex_);
        if (thread_.StopRequested())
            return;
        TransferLocked();
    }
}

}  // namespace zav::platform::winmm
