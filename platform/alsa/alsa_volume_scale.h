#pragma once
// The host's volume scale (0 to 65535) laid linearly over an ALSA element's own range, both
// ways with rounding, so that a volume set and read back comes out the same wherever the
// element's range has at least as many steps.

#include <cstdint>

namespace zav::platform::alsa {

inline constexpr std::uint32_t kHostVolumeMaximum = 65535;

struct ElementRange {
    long minimum = 0;
    long maximum = 0;
};

// The element value for a host volume (values above 65535 count as 65535).
long ToElementValue(std::uint32_t volume, ElementRange range);
// The host volume for an element value (values outside the range count as its ends).
std::uint32_t ToHostVolume(long value, ElementRange range);

}  // namespace zav::platform::alsa
