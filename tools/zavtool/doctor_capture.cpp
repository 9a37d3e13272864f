#include "tools/zavtool/doctor_capture.h"

#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "keyvoice/key_voice_dlg.h"

namespace zavtool {

namespace {

using zav::platform::MmResult;
using zav::platform::WaveHeader;
using zav::platform::WaveInHandle;
using zav::platform::WaveMessage;

// A quarter of a second per buffer.
constexpr std::uint32_t kBuffersPerSecond = 4;

// The buffers and the count of those the device handed back (counted on the device thread).
// They belong to the device until it has handed every one back and closed.
struct Buffers {
    std::vector<std::vector<std::int16_t>> data;
    std::vector<WaveHeader> headers;
    std::mutex mutex;
    std::condition_variable returned;
    std::size_t count = 0;

    bool WaitForReturns(std::size_t queued, std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex);
        return returned.wait_for(lock, limit, [&] { return count >= queued; });
    }
};

std::string Describe(zav::platform::WaveInApi& waveIn, std::string_view call, MmResult result) {
    std::string text;
    if (waveIn.GetErrorText(result, text) != MmResult::NoError || text.empty())
        text = "error " + std::to_string(static_cast<std::uint32_t>(result));
    return std::string(call) + ": " + text;
}

}  // namespace

Capture CaptureFromMicrophone(zav::platform::WaveInApi& waveIn, double seconds,
                              std::chrono::milliseconds grace) {
    Capture capture;
    const zav::platform::PcmWaveFormat format = keyvoice::kRecordingFormat;
    const auto total = static_cast<std::size_t>(std::llround(seconds * format.samplesPerSec));
    const std::size_t perBuffer = format.samplesPerSec / kBuffersPerSecond;
    const std::size_t bufferCount = (total + perBuffer - 1) / perBuffer;

    auto buffers = std::make_unique<Buffers>();
    std::vector<std::vector<std::int16_t>>& data = buffers->data;
    std::vector<WaveHeader>& headers = buffers->headers;
    data.resize(bufferCount);
    headers.resize(bufferCount);
    WaveInHandle handle;
    capture.result =
        waveIn.Open(handle, zav::platform::kWaveMapper, format,
                    [returns = buffers.get()](WaveInHandle, WaveMessage message, WaveHeader*) {
                        if (message != WaveMessage::InData)
                            return;
                        std::lock_guard lock(returns->mutex);
                        ++returns->count;
                        returns->returned.notify_all();
                    });
    if (capture.result != MmResult::NoError) {
        capture.failure = Describe(waveIn, "the input device does not open", capture.result);
        return capture;
    }
    std::size_t queued = 0;
    for (std::size_t i = 0; i < bufferCount && capture.result == MmResult::NoError; ++i) {
        const std::size_t length = std::min(perBuffer, total - i * perBuffer);
        data[i].assign(length, 0);
        headers[i].data = reinterpret_cast<std::uint8_t*>(data[i].data());
        headers[i].bufferLength = static_cast<std::uint32_t>(length * sizeof(std::int16_t));
        capture.result = waveIn.PrepareHeader(handle, headers[i]);
        if (capture.result == MmResult::NoError) {
            capture.result = waveIn.AddBuffer(handle, headers[i]);
            if (capture.result == MmResult::NoError)
                ++queued;
            else
                waveIn.UnprepareHeader(handle, headers[i]);
        }
    }
    if (capture.result == MmResult::NoError)
        capture.result = waveIn.Start(handle);
    if (capture.result != MmResult::NoError) {
        capture.failure = Describe(waveIn, "the input device does not record", capture.result);
    } else {
        const auto limit = std::chrono::milliseconds(std::llround(seconds * 1000)) + grace;
        if (!buffers->WaitForReturns(queued, limit))
            capture.failure = "the input device stopped delivering sound";
    }
    // Reset hands back what is still queued, asynchronously.
    waveIn.Reset(handle);
    buffers->WaitForReturns(queued, grace);
    for (std::size_t i = 0; i < queued; ++i)
        waveIn.UnprepareHeader(handle, headers[i]);
    if (waveIn.Close(handle) != MmResult::NoError) {
        // The device still holds buffers it may write to: they stay alive, unread.
        if (capture.failure.empty())
            capture.failure = "the input device does not hand its buffers back";
        static_cast<void>(buffers.release());
        return capture;
    }
    for (std::size_t i = 0; i < queued; ++i) {
        const std::size_t recorded =
            std::min<std::size_t>(headers[i].bytesRecorded / sizeof(std::int16_t), data[i].size());
        capture.samples.insert(capture.samples.end(), data[i].begin(),
                               data[i].begin() + static_cast<std::ptrdiff_t>(recorded));
    }
    return capture;
}

}  // namespace zavtool
