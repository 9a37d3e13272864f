#include "voxgauge/mic_capture.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <algorithm>
#include <new>
#include <span>
#include <utility>

#include "platform/bytes/little_endian.h"
#include "voxgauge/capture_format.h"
#include "voxgauge/mic_env_record.h"

namespace voxgauge {

using zav::platform::Access;
using zav::platform::Hive;
using zav::platform::kWaveMapper;
using zav::platform::MmResult;
using zav::platform::RegistryKey;
using zav::platform::RegistryValue;
using zav::platform::RegResult;
using zav::platform::ValueType;
using zav::platform::WaveHeader;
using zav::platform::WaveInCaps;
using zav::platform::WaveInHandle;
using zav::platform::WaveMessage;

namespace {

constexpr std::uint32_t kAnalysedSampleWidth = 16;

// Memory left to a device that would not close. It is not a leak to report: it is kept on
// purpose, so a leak checker is told to ignore it.
void KeepForTheDevice(void* memory, std::size_t bytes) {
    if (memory == nullptr)
        return;
    (void)bytes;
#if defined(__SANITIZE_ADDRESS__)
    __lsan_ignore_object(memory);
#endif
}

}  // namespace

CMicCapture::CMicCapture(zav::platform::WaveInApi& waveIn, zav::platform::RegistryStore& registry,
                         MicNotifyWindow window)
    : waveIn_(waveIn) {
    ReadStoredMicMap(registry);
    SetNotifyWindow(std::move(window));
}

CMicCapture::~CMicCapture() {
    Stop();
    Close();
    // From here on no callback reaches the engine; one that is running ends first.
    {
        std::lock_guard lock(relay_->mutex);
        relay_->engine = nullptr;
    }
    if (stage_ != CaptureStage::Closed) {
        // The device would not close: it may still fill the buffers it holds. Their memory is
        // kept (never freed) rather than handed back to the heap under the device's writes.
        KeepForTheDevice(headers_.release(), sizeof(HeaderArray));
        KeepForTheDevice(data_.release(), kMicBufferCount * bufferLength_);
    }
}

void CMicCapture::ReadStoredMicMap(zav::platform::RegistryStore& registry) {
    RegistryKey key;
    if (registry.OpenKey(Hive::LocalMachine, kZavKeyPath, Access::Read, key) !=
        RegResult::Success) {
        return;
    }
    RegistryValue value;
    if (key.Query(kMicMapValueName, value) != RegResult::Success)
        return;
    // Only a whole table is taken; anything else would leave thresholds half overwritten.
    if (value.type != ValueType::Binary || value.data.size() != sizeof(MicMap))
        return;
    for (std::size_t i = 0; i < micMap_.size(); ++i) {
        micMap_[i] = static_cast<std::int32_t>(zav::platform::ReadLe32(value.data, i * 4));
    }
}

void CMicCapture::SetNotifyWindow(MicNotifyWindow window) {
    std::lock_guard lock(lock_);
    poster_ = window.dispatcher == nullptr
                  ? nullptr
                  : std::make_unique<zav::platform::ScopedPoster>(*window.dispatcher);
    window_ = std::move(window);
}

void CMicCapture::ListDevices() {
    const std::uint32_t count = waveIn_.GetNumDevs();
    for (std::uint32_t id = 0; id < count; ++id) {
        WaveInCaps caps;
        if (waveIn_.GetDevCaps(id, caps) != MmResult::NoError)
            continue;
        WaveInDeviceRecord record{id,
                                  caps.productName.substr(0, zav::platform::kMaxProductNameLength),
                                  caps.formats, caps.channels};
        if (std::find(devices_.begin(), devices_.end(), record) == devices_.end()) {
            devices_.push_front(std::move(record));
        }
    }
}

MmResult CMicCapture::Open(std::uint32_t formatCode) {
    // One device per engine: a second open would lose the first handle.
    if (stage_ != CaptureStage::Closed)
        return MmResult::Allocated;
    if (devices_.empty())
        ListDevices();
    if (devices_.empty())
        return MmResult::BadDeviceId;
    format_ = FormatFromCode(formatCode);

    WaveInHandle opened;
    const MmResult result = waveIn_.Open(
        opened, kWaveMapper, *format_,
        [relay = relay_](WaveInHandle device, WaveMessage message, WaveHeader* header) {
            std::lock_guard lock(relay->mutex);
            if (relay->engine != nullptr)
                relay->engine->OnWaveIn(device, message, header);
        });
    if (result != MmResult::NoError)
        return result;
    handle_ = opened;
    stage_ = CaptureStage::Open;
    formatCode_ = formatCode;
    std::lock_guard lock(lock_);
    sampleWidth_ = formatCode % 100;
    return MmResult::NoError;
}

void CMicCapture::ResetMicMap() {
    std::lock_guard lock(lock_);
    micMap_ = kDefaultMicMap;
}

MicMap CMicCapture::CurrentMicMap() const {
    std::lock_guard lock(lock_);
    return micMap_;
}

MmResult CMicCapture::Start() {
    switch (stage_) {
        case CaptureStage::Closed:
            return MmResult::InvalHandle;
        case CaptureStage::QueueFailed:
            // Once the buffers could not be queued, starting would only record into nothing.
            return queueFailure_;
        case CaptureStage::Open:
            if (const MmResult queued = PrepareAndQueue(); queued != MmResult::NoError) {
                queueFailure_ = queued;
                stage_ = CaptureStage::QueueFailed;
                return queued;
            }
            stage_ = CaptureStage::Circulating;
            break;
        case CaptureStage::Circulating:
            break;
    }
    return waveIn_.Start(handle_);
}

MmResult CMicCapture::Stop() {
    if (stage_ == CaptureStage::Closed)
        return MmResult::InvalHandle;
    return waveIn_.Stop(handle_);
}

MmResult CMicCapture::PrepareAndQueue() {
    std::unique_lock lock(lock_);
    try {
        if (!headers_)
            headers_ = std::make_unique<HeaderArray>();
        if (!data_) {
            bufferLength_ = CaptureBufferLength(*format_);
            data_ = std::make_unique<std::uint8_t[]>(kMicBufferCount * bufferLength_);
        }
    } catch (const std::bad_alloc&) {
        headers_.reset();
        return MmResult::NoMem;
    }
    headers_->fill(WaveHeader{});
    for (std::size_t i = 0; i < kMicBufferCount; ++i) {
        WaveHeader& header = (*headers_)[i];
        header.data = data_.get() + i * bufferLength_;
        header.bufferLength = bufferLength_;
        header.user = i;
        MmResult result = waveIn_.PrepareHeader(handle_, header);
        if (result != MmResult::NoError) {
            lock.unlock();
            TakeBackBuffers(i);
            return result;
        }
        result = waveIn_.AddBuffer(handle_, header);
        if (result != MmResult::NoError) {
            lock.unlock();
            TakeBackBuffers(i + 1);
            return result;
        }
    }
    prepared_.exchange(1);
    return MmResult::NoError;
}

void CMicCapture::TakeBackBuffers(std::size_t preparedCount) {
    // The reset hands back every queued buffer at once, without the lock held: a backend may
    // make the callbacks of what it hands back on this very thread, and the callback takes the
    // lock. Their notices may still come later; the callback ignores them once the headers are
    // no longer ours.
    if (waveIn_.Reset(handle_) != MmResult::NoError) {
        // The device may still hold buffers: their memory stays until Close.
        return;
    }
    for (std::size_t i = 0; i < preparedCount; ++i) {
        waveIn_.UnprepareHeader(handle_, (*headers_)[i]);
    }
    std::lock_guard lock(lock_);
    ReleaseBuffers();
}

void CMicCapture::ReleaseBuffers() {
    headers_.reset();
    data_.reset();
    ++generation_;
}

bool CMicCapture::OwnsHeader(const WaveHeader* header) const {
    if (!headers_ || header == nullptr)
        return false;
    // Compared as addresses: a stale header may point into memory already released.
    const auto first = reinterpret_cast<std::uintptr_t>(headers_->data());
    const auto address = reinterpret_cast<std::uintptr_t>(header);
    return address >= first && address < first + sizeof(HeaderArray) &&
           (address - first) % sizeof(WaveHeader) == 0;
}

void CMicCapture::Close() {
    if (stage_ != CaptureStage::Closed) {
        waveIn_.Reset(handle_);
        {
            // A callback in progress completes before the device is closed.
            std::lock_guard wait(lock_);
        }
        if (waveIn_.Close(handle_) != MmResult::NoError) {
            // Still open: the device may call back with these buffers, so they stay until a
            // later Close succeeds.
            return;
        }
        handle_ = {};
        stage_ = CaptureStage::Closed;
    }
    {
        std::lock_guard lock(lock_);
        ReleaseBuffers();
    }
    prepared_.store(0);
    queueFailure_ = MmResult::NoError;
    devices_.clear();
    format_.reset();
}

void CMicCapture::OnWaveIn(WaveInHandle device, WaveMessage message, WaveHeader* header) {
    if (message != WaveMessage::InData || header == nullptr)
        return;
    std::lock_guard lock(lock_);
    // A buffer of a set already taken back is not touched: its memory may be gone.
    if (!OwnsHeader(header))
        return;
    if (header->bytesRecorded != 0 && sampleWidth_ == kAnalysedSampleWidth) {
        const std::uint32_t recorded = std::min(header->bytesRecorded, header->bufferLength);
        if (const std::optional<std::uint32_t> level =
                analyser_.Analyse(std::span<const std::uint8_t>(header->data, recorded), micMap_)) {
            level_.exchange(*level);
        }
    }
    PostToWindow(MicBufferMessage{device, header, generation_});
}

void CMicCapture::PostToWindow(const MicBufferMessage& message) {
    if (poster_)
        poster_->Post([this, message] { DeliverToWindow(message); });
}

void CMicCapture::DeliverToWindow(const MicBufferMessage& message) {
    if (window_.onMicBuffer) {
        window_.onMicBuffer(message);
    } else {
        OnBufferReturned(message);
    }
}

std::int32_t CMicCapture::OnBufferReturned(const MicBufferMessage& message) {
    const bool current = handle_ && message.device == handle_ &&
                         message.generation == generation_ && prepared_.load() == 1 &&
                         OwnsHeader(message.header);
    if (!current)
        return 0;
    WaveHeader& header = *message.header;
    if (header.bytesRecorded != 0) {
        header.bytesRecorded = 0;
        waveIn_.AddBuffer(handle_, header);
    } else {
        // Returned empty, as after a reset: the buffer leaves circulation.
        waveIn_.UnprepareHeader(handle_, header);
    }
    return 0;
}

}  // namespace voxgauge
