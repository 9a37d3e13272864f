#include "platform/alsa/alsa_volume_scale.h"

#include <algorithm>

namespace zav::platform::alsa {

long ToElementValue(std::uint32_t volume, ElementRange range) {
    if (range.maximum <= range.minimum)
        return range.minimum;
    const std::int64_t span = std::int64_t{range.maximum} - range.minimum;
    const std::int64_t scaled = std::min(volume, kHostVolumeMaximum);
    return static_cast<long>(range.minimum +
                             (scaled * span + kHostVolumeMaximum / 2) / kHostVolumeMaximum);
}

std::uint32_t ToHostVolume(long value, ElementRange range) {
    if (range.maximum <= range.minimum)
        return 0;
    const std::int64_t span = std::int64_t{range.maximum} - range.minimum;
    const std::int64_t offset =
        std::clamp<std::int64_t>(value, range.minimum, range.maximum) - range.minimum;
    return static_cast<std::uint32_t>((offset * kHostVolumeMaximum + span / 2) / span);
}

}  // namespace zav::platform::alsa
