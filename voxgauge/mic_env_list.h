#pragma once
// The MicEnv snapshot while it is built: one block of records per control, in the order the
// controls were read. Walking the list visits the blocks in that order and each block's records
// in array order, which is the order the stored value keeps.
//
// Thread: dialog (owned by one SaveMicEnv call).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "voxgauge/mic_env_record.h"

namespace voxgauge {

class MicEnvList {
  public:
    // Appends a block of one control's records. Throws std::bad_alloc when memory runs out,
    // leaving the list as it was.
    void AppendBlock(std::vector<MicEnvRecord> block);

    std::size_t Count() const { return count_; }  // records, over all blocks
    bool Empty() const { return count_ == 0; }
    std::size_t BlockCount() const { return blocks_.size(); }

    // The records in walk order.
    std::vector<MicEnvRecord> Walk() const;
    // The stored value: Count() x 20 bytes, every link field 0.
    std::vector<std::uint8_t> Encode() const;

  private:
    std::vector<std::vector<MicEnvRecord>> blocks_;
    std::size_t count_ = 0;
};

}  // namespace voxgauge
