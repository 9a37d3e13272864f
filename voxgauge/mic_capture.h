#pragma once
// VoxGauge's capture engine: records continuously from the default wave-input device into 16
// circulating buffers, measures the loudness of each returned buffer and publishes it as a
// level 0 to 15 for the dialog to poll.
//
// Threads. The dialog thread makes every call. The device callback runs on the device thread:
// under the engine's lock it analyses the buffer, publishes the level (atomic exchange) and
// posts WM_MIC_BUFFER to the notify window's dispatcher; it never calls a wave function. The
// dialog thread then re-queues the buffer in OnBufferReturned.
// Owned by the dialog thread: the device handle, device list, format record, data block and
// buffer length (the buffers are allocated once at the first Start and released in Close).
// Written by the dialog thread under the lock and read by the callback under it: the header
// array, the generation of the buffers, the mic map, the notify window and the sample width.
// The analyser state (centre, threshold, side) is the callback's alone. Atomic: the level and
// the prepared flag.
// The host product keeps these per process; here they are members of the one engine a
// process makes.

#include <array>
#include <atomic>
#include <cstdint>
#include <forward_list>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/audio/wave_in.h"
#include "platform/registry/registry.h"
#include "platform/ui/dispatcher.h"
#include "platform/ui/scoped_poster.h"
#include "voxgauge/mic_level.h"

namespace voxgauge {

// The private window message that hands a returned buffer to the dialog thread (WM_USER + 1).
inline constexpr std::uint32_t kWmMicBuffer = 0x0401;
inline constexpr std::size_t kMicBufferCount = 16;
inline constexpr std::string_view kMicMapValueName = "MicMap";

// What WM_MIC_BUFFER carries: the device handle at the time of posting (wParam), the returned
// header (lParam), and which set of buffers it belongs to, so that a message posted before
// Close is recognised afterwards.
struct MicBufferMessage {
    zav::platform::WaveInHandle device;
    zav::platform::WaveHeader* header = nullptr;
    std::uint32_t generation = 0;
};

// The window that receives WM_MIC_BUFFER: the dispatcher of its thread and its handler. Without
// a handler the engine hands the message to its own OnBufferReturned.
struct MicNotifyWindow {
    zav::platform::Dispatcher* dispatcher = nullptr;
    std::function<void(const MicBufferMessage&)> onMicBuffer;
};

// One wave-input device as the first Open listed it.
struct WaveInDeviceRecord {
    std::uint32_t deviceId = 0;
    std::string productName;
    std::uint32_t formats = 0;
    std::uint16_t channels = 0;

    friend bool operator==(const WaveInDeviceRecord&, const WaveInDeviceRecord&) = default;
};

// Where the engine stands. Closed -> Open (Open) -> Circulating (the first Start queued the 16
// buffers) or QueueFailed (queuing failed: every buffer was taken back, and Start gives that
// failure until Close) -> Closed (Close).
enum class CaptureStage { Closed, Open, Circulating, QueueFailed };

class CMicCapture {
  public:
    // Reads a stored MicMap (a binary value of exactly 16 little-endian 32-bit thresholds)
    // from the host product's key, if there is one. Thread: dialog.
    CMicCapture(zav::platform::WaveInApi& waveIn, zav::platform::RegistryStore& registry,
                MicNotifyWindow window = {});
    // Stop, then Close.
    ~CMicCapture();
    CMicCapture(const CMicCapture&) = delete;
    CMicCapture& operator=(const CMicCapture&) = delete;

    // All of the following: Thread: dialog.
    void SetNotifyWindow(MicNotifyWindow window);

    // Lists the input devices (first call only) and opens the wave mapper with the format of
    // the code. BadDeviceId without any input device (and then nothing is opened); Allocated
    // when already open; otherwise the open call's result.
    zav::platform::MmResult Open(std::uint32_t formatCode);
    // Puts the built-in mic map over all 16 entries.
    void ResetMicMap();
    // InvalHandle when not open. The first Start prepares and queues the 16 buffers; if that
    // fails, every buffer already queued is taken back, the device is not started and the
    // failing call's result is given (and again by every later Start until Close). Otherwise
    // the result of starting the device.
    zav::platform::MmResult Start();
    // InvalHandle when not open, else the result of stopping the device.
    zav::platform::MmResult Stop();
    // Resets and closes the device, then releases the buffers, the device list and the format
    // record. Harmless when closed.
    void Close();
    // The published level, 0 to 15. Thread: any.
    std::uint32_t GetLevel() const { return level_.load(std::memory_order_relaxed); }
    // Handles WM_MIC_BUFFER: re-queues a filled buffer, unprepares an empty one (returned by a
    // reset). A message for a device or a set of buffers that is no longer current is dropped
    // without touching its header. Gives 0.
    std::int32_t OnBufferReturned(const MicBufferMessage& message);

    // Inspection. Thread: dialog.
    CaptureStage Stage() const { return stage_; }
    bool IsOpen() const { return stage_ != CaptureStage::Closed; }
    bool Prepared() const { return prepared_.load() == 1; }
    std::uint32_t FormatCode() const { return formatCode_; }
    std::uint32_t BufferLength() const { return bufferLength_; }
    const std::forward_list<WaveInDeviceRecord>& Devices() const { return devices_; }
    MicMap CurrentMicMap() const;

  private:
    using HeaderArray = std::array<zav::platform::WaveHeader, kMicBufferCount>;

    // What the device's callback reaches the engine through. The callback keeps it alive, so
    // a device that outlives the engine (it would not close) finds it empty instead of a
    // destroyed engine.
    struct CallbackRelay {
        explicit CallbackRelay(CMicCapture* owner) : engine(owner) {}
        std::mutex mutex;
        CMicCapture* engine = nullptr;
    };

    // Called on: the device thread.
    void OnWaveIn(zav::platform::WaveInHandle device, zav::platform::WaveMessage message,
                  zav::platform::WaveHeader* header);
    void ListDevices();
    void ReadStoredMicMap(zav::platform::RegistryStore& registry);
    zav::platform::MmResult PrepareAndQueue();
    // Takes back every buffer after a failure while queuing: reset, then unprepare the first
    // preparedCount headers. Called with lock_ held.
    void TakeBackBuffers(std::size_t preparedCount);
    // True when the header is one of the current set. Called with lock_ held or on the
    // dialog thread.
    bool OwnsHeader(const zav::platform::WaveHeader* header) const;
    void ReleaseBuffers();
    // Called with lock_ held.
    void PostToWindow(const MicBufferMessage& message);
    // Runs the window's handler for a posted message. Called on the dialog thread.
    void DeliverToWindow(const MicBufferMessage& message);

    zav::platform::WaveInApi& waveIn_;

    // Dialog thread.
    CaptureStage stage_ = CaptureStage::Closed;
    zav::platform::WaveInHandle handle_;  // the callback uses the handle it is given
    std::forward_list<WaveInDeviceRecord> devices_;
    std::optional<zav::platform::PcmWaveFormat> format_;
    std::uint32_t formatCode_ = 0;
    std::uint32_t bufferLength_ = 0;
    std::unique_ptr<std::uint8_t[]> data_;
    zav::platform::MmResult queueFailure_ = zav::platform::MmResult::NoError;  // QueueFailed

    // Written by the dialog thread under lock_, read by the callback under lock_.
    mutable std::mutex lock_;
    std::unique_ptr<HeaderArray> headers_;
    std::uint32_t generation_ = 0;   // counts the sets of buffers taken back
    std::uint32_t sampleWidth_ = 0;  // the format code's last two digits; 16 is analysed
    MicNotifyWindow window_;
    MicMap micMap_ = kDefaultMicMap;
    MicLevelAnalyser analyser_;  // the callback's alone

    // Posts WM_MIC_BUFFER to the window's dispatcher; messages still queued when the engine
    // goes (or the window changes) are dropped. Null without a dispatcher. Guarded by lock_.
    std::unique_ptr<zav::platform::ScopedPoster> poster_;

    std::atomic<std::uint32_t> level_{0};
    std::atomic<std::uint32_t> prepared_{0};
    std::shared_ptr<CallbackRelay> relay_ = std::make_shared<CallbackRelay>(this);
};

}  // namespace voxgauge
