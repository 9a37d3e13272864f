#pragma once
// An in-memory registry store whose n-th change (a set or a delete) fails once, as a store
// that loses its disk for a moment would: the failing call changes nothing and every later
// call works again. This lets a fuzz target break an import at any point of its writes.
//
// Thread: one thread; the write count is not synchronised.

#include "platform/sim/memory_registry.h"

namespace zav::fuzz {

class FlakyRegistry : public platform::sim::MemoryRegistry {
  public:
    // Counting from now, the n-th change fails with BadDatabase; 0 lets every change through.
    void FailChange(int n) {
        failingChange_ = n;
        changes_ = 0;
    }

  protected:
    platform::RegResult SetValue(platform::Hive hive, std::string_view path, std::string_view name,
                                 platform::ValueType type,
                                 std::span<const std::uint8_t> data) override {
        if (FailsNow())
            return platform::RegResult::BadDatabase;
        return MemoryRegistry::SetValue(hive, path, name, type, data);
    }

    platform::RegResult DeleteValue(platform::Hive hive, std::string_view path,
                                    std::string_view name) override {
        if (FailsNow())
            return platform::RegResult::BadDatabase;
        return MemoryRegistry::DeleteValue(hive, path, name);
    }

  private:
    bool FailsNow() { return ++changes_ == failingChange_; }

    int failingChange_ = 0;
    int changes_ = 0;
};

}  // namespace zav::fuzz
