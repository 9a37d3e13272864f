#include "voxgauge/mic_env_list.h"

#include <utility>

namespace voxgauge {

void MicEnvList::AppendBlock(std::vector<MicEnvRecord> block) {
    const std::size_t added = block.size();
    blocks_.push_back(std::move(block));  // strong guarantee: unchanged if this throws
    count_ += added;
}

std::vector<MicEnvRecord> MicEnvList::Walk() const {
    std::vector<MicEnvRecord> records;
    records.reserve(count_);
    for (const auto& block : blocks_)
        records.insert(records.end(), block.begin(), block.end());
    return records;
}

std::vector<std::uint8_t> MicEnvList::Encode() const {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(count_ * MicEnvRecord::kSize);
    for (const auto& block : blocks_) {
        for (const MicEnvRecord& record : block)
            AppendMicEnvRecord(record, bytes);
    }
    return bytes;
}

}  // namespace voxgauge
