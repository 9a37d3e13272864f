#pragma once
// One stored value of one control channel in the MicEnv snapshot, and where the snapshot goes.
//
// The stored value is count x 20 bytes: per record five little-endian 32-bit fields, channels,
// items, control id, value and link. The link field chained the records in memory in the
// host product's format; it is always 0 in the stored value.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/bytes/little_endian.h"

namespace voxgauge {

// The host product's registry key, under HKEY_LOCAL_MACHINE. Two blanks follow "ZAV".
inline constexpr std::string_view kZavKeyPath = "Software\\TAMBORI\\ZAV  - Blue Hollow -\\2.0";
inline constexpr std::string_view kMicEnvValueName = "MicEnv";

struct MicEnvRecord {
    static constexpr std::size_t kSize = 20;

    std::uint32_t channels = 0;   // 1 for a uniform control, else the line's channel count
    std::uint32_t items = 0;      // the item count of a multiple-item control, else 1
    std::uint32_t controlId = 0;  // the control's id
    std::uint32_t value = 0;      // one element of the control's value array
    std::uint32_t link = 0;       // always 0 here: blocks are chained by their container

    friend bool operator==(const MicEnvRecord&, const MicEnvRecord&) = default;
};

// Appends the record's stored form; the link field is written as 0 whatever it holds.
inline void AppendMicEnvRecord(const MicEnvRecord& record, std::vector<std::uint8_t>& out) {
    zav::platform::LeWriter(out)
        .U32(record.channels)
        .U32(record.items)
        .U32(record.controlId)
        .U32(record.value)
        .U32(0);
}

}  // namespace voxgauge
