#pragma once
// The wave devices of one direction: the numbered device list, their capabilities, and the
// streams opened on them, found by handle. Both the wave-input and the wave-output calls are
// built on it.
//
// Thread: any, but the handle calls are refused from inside a device callback (Error), as the
// host forbids them there and they could deadlock.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/alsa/alsa_error.h"
#include "platform/alsa/alsa_pcm_devices.h"
#include "platform/alsa/alsa_pcm_stream.h"

namespace zav::platform::alsa {

class AlsaPcmEndpoint {
  public:
    // Receives a stream's notices with the handle it was opened under.
    // Called on: that stream's device thread.
    using HandleNotify =
        std::function<void(std::uint32_t handle, WaveMessage message, WaveHeader* header)>;

    AlsaPcmEndpoint(PcmDirection direction, AlsaErrorLog& errors);
    // Streams still open are ended without further callbacks.
    ~AlsaPcmEndpoint();
    AlsaPcmEndpoint(const AlsaPcmEndpoint&) = delete;
    AlsaPcmEndpoint& operator=(const AlsaPcmEndpoint&) = delete;

    // Lists the devices afresh and gives their number.
    std::uint32_t CountDevices();
    // BadDeviceId for a number beyond the list.
    MmResult DeviceCaps(std::uint32_t deviceId, PcmCaps& caps, std::string& productName);

    // Opens deviceId (kWaveMapper: device 0, the system's default device) with format.
    // WaveBadFormat for a format no wave device takes or that the device refuses,
    // BadDeviceId without such a device; ALSA's failures as the error log maps them.
    MmResult Open(std::uint32_t deviceId, const PcmWaveFormat& format, HandleNotify notify,
                  std::uint32_t& handle);
    // Runs call on the stream of handle: InvalHandle for a handle that is not open.
    MmResult WithStream(std::uint32_t handle,
                        const std::function<MmResult(AlsaPcmStream& stream)>& call);
    // Closes the stream (see AlsaPcmStream::Close) and forgets the handle once it is closed.
    MmResult Close(std::uint32_t handle);

    AlsaErrorLog& errors() { return errors_; }

  private:
    // The device list, made on first use; mutex_ held.
    const std::vector<AlsaPcmDevice>& DevicesLocked();
    std::shared_ptr<AlsaPcmStream> Find(std::uint32_t handle);
    MmResult RefuseInCallback();

    const PcmDirection direction_;
    AlsaErrorLog& errors_;
    std::mutex mutex_;
    std::vector<AlsaPcmDevice> devices_;
    bool listed_ = false;
    std::map<std::uint32_t, std::shared_ptr<AlsaPcmStream>> streams_;
    std::uint32_t nextHandle_ = 1;  // never reused, so a stale handle is recognised
};

}  // namespace zav::platform::alsa
