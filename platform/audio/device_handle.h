#pragma once
// Typed handles of open devices. A handle is a number the backend hands out on open; 0 is
// the null handle. Distinct tag types keep input and output handles apart at compile time.

#include <cstdint>

namespace zav::platform {

template <typename Tag>
struct DeviceHandle {
    std::uint32_t value = 0;

    explicit operator bool() const { return value != 0; }
    friend bool operator==(DeviceHandle, DeviceHandle) = default;
};

using WaveInHandle = DeviceHandle<struct WaveInHandleTag>;
using WaveOutHandle = DeviceHandle<struct WaveOutHandleTag>;

}  // namespace zav::platform
