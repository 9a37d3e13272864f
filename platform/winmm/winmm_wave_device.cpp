#include "platform/winmm/winmm_wave_device.h"

#include "platform/winmm/winmm_format.h"

namespace zav::platform::winmm {

namespace {

constexpr UINT kHeaderSize = sizeof(WAVEHDR);

// Called by the system on its own thread. Only the done notices matter; the open and close
// notices are the core's business.
void CALLBACK OnInputNotice(HWAVEIN, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR) {
    if (message == WIM_DATA)
        ::SetEvent(reinterpret_cast<HANDLE>(instance));
}

void CALLBACK OnOutputNotice(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR) {
    if (message == WOM_DONE)
        ::SetEvent(reinterpret_cast<HANDLE>(instance));
}

}  // namespace

MmResult WinmmWaveDevice::Open(WaveDirection direction, UINT deviceId, const WAVEFORMATEX& format,
                               HANDLE doneEvent, std::unique_ptr<WinmmWaveDevice>& device) {
    device.reset();
    const auto instance = reinterpret_cast<DWORD_PTR>(doneEvent);
    if (direction == WaveDirection::In) {
        HWAVEIN in = nullptr;
        const MMRESULT opened =
            ::waveInOpen(&in, deviceId, &format, reinterpret_cast<DWORD_PTR>(&OnInputNotice),
                         instance, CALLBACK_FUNCTION);
        if (opened != MMSYSERR_NOERROR)
            return ToMmResult(opened);
        device.reset(new WinmmWaveDevice(in, nullptr));
    } else {
        HWAVEOUT out = nullptr;
        const MMRESULT opened =
            ::waveOutOpen(&out, deviceId, &format, reinterpret_cast<DWORD_PTR>(&OnOutputNotice),
                          instance, CALLBACK_FUNCTION);
        if (opened != MMSYSERR_NOERROR)
            return ToMmResult(opened);
        device.reset(new WinmmWaveDevice(nullptr, out));
    }
    return MmResult::NoError;
}

WinmmWaveDevice::~WinmmWaveDevice() {
    if (in_ != nullptr) {
        ::waveInReset(in_);
        ::waveInClose(in_);
    }
    if (out_ != nullptr) {
        ::waveOutReset(out_);
        ::waveOutClose(out_);
    }
}

MmResult WinmmWaveDevice::Prepare(WAVEHDR& header) {
    return ToMmResult(in_ != nullptr ? ::waveInPrepareHeader(in_, &header, kHeaderSize)
                                     : ::waveOutPrepareHeader(out_, &header, kHeaderSize));
}

MmResult WinmmWaveDevice::Unprepare(WAVEHDR& header) {
    return ToMmResult(in_ != nullptr ? ::waveInUnprepareHeader(in_, &header, kHeaderSize)
                                     : ::waveOutUnprepareHeader(out_, &header, kHeaderSize));
}

MmResult WinmmWaveDevice::Queue(WAVEHDR& header) {
    return ToMmResult(in_ != nullptr ? ::waveInAddBuffer(in_, &header, kHeaderSize)
                                     : ::waveOutWrite(out_, &header, kHeaderSize));
}

MmResult WinmmWaveDevice::Start() {
    return in_ != nullptr ? ToMmResult(::waveInStart(in_)) : MmResult::NotSupported;
}

MmResult WinmmWaveDevice::Stop() {
    return in_ != nullptr ? ToMmResult(::waveInStop(in_)) : MmResult::NotSupported;
}

MmResult WinmmWaveDevice::Reset() {
    return ToMmResult(in_ != nullptr ? ::waveInReset(in_) : ::waveOutReset(out_));
}

std::optional<std::uint64_t> WinmmWaveDevice::BytePosition() {
    MMTIME time{};
    time.wType = TIME_BYTES;
    const MMRESULT asked = in_ != nullptr ? ::waveInGetPosition(in_, &time, sizeof time)
                                          : ::waveOutGetPosition(out_, &time, sizeof time);
    // A device may answer in another unit than the one asked for.
    if (asked != MMSYSERR_NOERROR || time.wType != TIME_BYTES)
        return std::nullopt;
    return time.u.cb;
}

}  // namespace zav::platform::winmm
