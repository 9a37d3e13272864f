#pragma once
// The wave calls that input and output share, for either direction's interface: the device
// list, opening and closing, the buffer headers, position and reset. The direction's own calls
// (AddBuffer, Start, Stop; Write) are in AlsaWaveIn and AlsaWaveOut.
//
// Thread: as AlsaPcmEndpoint.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "platform/alsa/alsa_pcm_endpoint.h"

namespace zav::platform::alsa {

template <typename Api, typename Handle, typename Caps, typename Callback>
class AlsaWaveBase : public Api {
  public:
    std::uint32_t GetNumDevs() override { return endpoint_.CountDevices(); }

    MmResult GetDevCaps(std::uint32_t deviceId, Caps& caps) override {
        PcmCaps found;
        std::string name;
        const MmResult result = endpoint_.DeviceCaps(deviceId, found, name);
        if (result != MmResult::NoError)
            return result;
        caps = Caps{};
        caps.productName = std::move(name);
        caps.formats = found.formats;
        caps.channels = found.channels;
        return MmResult::NoError;
    }

    MmResult Open(Handle& handle, std::uint32_t deviceId, const PcmWaveFormat& format,
                  Callback callback) override {
        std::uint32_t opened = 0;
        const MmResult result = endpoint_.Open(
            deviceId, format,
            [callback = std::move(callback)](std::uint32_t id, WaveMessage message,
                                             WaveHeader* header) {
                if (callback)
                    callback(Handle{id}, message, header);
            },
            opened);
        handle = Handle{opened};
        return result;
    }

    MmResult PrepareHeader(Handle handle, WaveHeader& header) override {
        return endpoint_.WithStream(handle.value,
                                    [&](AlsaPcmStream& stream) { return stream.Prepare(header); });
    }

    MmResult UnprepareHeader(Handle handle, WaveHeader& header) override {
        return endpoint_.WithStream(
            handle.value, [&](AlsaPcmStream& stream) { return stream.Unprepare(header); });
    }

    MmResult Reset(Handle handle) override {
        return endpoint_.WithStream(handle.value,
                                    [](AlsaPcmStream& stream) { return stream.Reset(); });
    }

    MmResult GetPosition(Handle handle, std::uint32_t& bytes) override {
        return endpoint_.WithStream(handle.value,
                                    [&](AlsaPcmStream& stream) { return stream.Position(bytes); });
    }

    MmResult Close(Handle handle) override { return endpoint_.Close(handle.value); }

    MmResult GetErrorText(MmResult result, std::string& text) override {
        return endpoint_.errors().Describe(result, text);
    }

  protected:
    AlsaWaveBase(PcmDirection direction, AlsaErrorLog& errors) : endpoint_(direction, errors) {}

    // Runs call on the stream of handle (see AlsaPcmEndpoint::WithStream).
    MmResult WithStream(Handle handle, const std::function<MmResult(AlsaPcmStream& stream)>& call) {
        return endpoint_.WithStream(handle.value, call);
    }

    // AddBuffer and Write alike: hands header to the stream of handle.
    MmResult Queue(Handle handle, WaveHeader& header) {
        return WithStream(handle, [&](AlsaPcmStream& stream) { return stream.Queue(header); });
    }

  private:
    AlsaPcmEndpoint endpoint_;
};

}  // namespace zav::platform::alsa
