#pragma once
// What a MicEnv snapshot must hold, written down from a card's description (SnapshotCard's
// here), and the stored bytes built from it without the code under test.

#include <cstdint>
#include <vector>

namespace zav::test {

inline constexpr std::int32_t kOwnControls = -1;

// The values of one control as the snapshot keeps them, with where the control sits.
struct ExpectedBlock {
    std::uint32_t destination;
    std::int32_t source;  // kOwnControls for the destination's own controls
    std::uint32_t lineId;
    std::uint32_t controlId;
    std::uint32_t channels;
    std::uint32_t items;
    std::vector<std::uint32_t> values;
};

// SnapshotCard in walk order: the recording destination's own volume and multiplexer, its
// microphone's mute and volume, then the speaker destination's microphone.
inline std::vector<ExpectedBlock> SnapshotCardBlocks() {
    return {
        {0, kOwnControls, 1, 101, 2, 1, {50000, 50001}},
        {0, kOwnControls, 1, 102, 1, 3, {0, 1, 0}},
        {0, 1, 12, 121, 1, 1, {1}},
        {0, 1, 12, 122, 2, 1, {30000, 30001}},
        {1, 1, 22, 221, 1, 1, {0}},
        {1, 1, 22, 222, 1, 1, {12345}},
    };
}

// 20 bytes per value: channels, items, control id, value, link 0, each little-endian.
inline std::vector<std::uint8_t> StoredBytes(const std::vector<ExpectedBlock>& blocks) {
    std::vector<std::uint8_t> bytes;
    auto put = [&bytes](std::uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<std::uint8_t>((v >> shift) & 0xFF));
        }
    };
    for (const ExpectedBlock& block : blocks) {
        for (std::uint32_t value : block.values) {
            put(block.channels);
            put(block.items);
            put(block.controlId);
            put(value);
            put(0);
        }
    }
    return bytes;
}

}  // namespace zav::test
