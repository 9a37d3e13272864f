#pragma once
// The registry store that tests use: keys and values held in memory, with switches that make
// the store refuse access or fail as a damaged store would.
//
// Thread: any; one lock serialises every call, so each call is atomic on its own.

#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry/registry.h"

namespace zav::platform::sim {

class MemoryRegistry : public RegistryStore {
  public:
    // From now on, opening or creating a key with an access that needs any of the rights of
    // access (Read, Write, or All for both) fails with AccessDenied. Handles already open keep
    // working. Denials add up until AllowAllAccess.
    void DenyAccess(Access access);
    void AllowAllAccess();

    // While set, every call fails with BadDatabase and changes nothing.
    void SetBadDatabase(bool bad);

    // Counting from now, the n-th change (a set, a delete, or one change of a batch) fails
    // once with BadDatabase, as a store that loses its disk for a moment would: the call it
    // belongs to changes nothing, and later calls work again. 0 lets every change through.
    void FailChange(int n);

  protected:
    RegResult CheckAccess(Hive hive, std::string_view path, Access access) override;
    RegResult KeyExists(Hive hive, std::string_view path) override;
    RegResult CreateKeyPath(Hive hive, std::string_view path) override;
    RegResult QueryValue(Hive hive, std::string_view path, std::string_view name,
                         RegistryValue& value) override;
    RegResult SetValue(Hive hive, std::string_view path, std::string_view name, ValueType type,
                       std::span<const std::uint8_t> data) override;
    RegResult DeleteValue(Hive hive, std::string_view path, std::string_view name) override;
    RegResult ListValues(Hive hive, std::string_view path,
                         std::vector<NamedValue>& values) override;
    RegResult ApplyChanges(Hive hive, std::string_view path, std::span<const ValueChange> changes,
                           std::size_t& deleted) override;

  private:
    struct StoredValue {
        std::string foldedName;
        NamedValue named;  // the name as first written
    };
    struct Key {
        std::vector<StoredValue> values;  // in creation order
    };
    using KeyId = std::pair<Hive, std::string>;  // the hive and the folded path

    // The key, or nullptr when it does not exist. The hive's root always exists and is made on
    // first use. Called with mutex_ held.
    Key* FindKey(Hive hive, std::string_view path);
    // Counts a change; true when FailChange picked it to fail. Called with mutex_ held.
    bool ChangeFails();
    // The change made on a key's values; false when it deleted a value that did not exist.
    // Called with mutex_ held.
    static bool ApplyTo(Key& key, const ValueChange& change);

    std::mutex mutex_;
    std::map<KeyId, Key> keys_;
    bool readDenied_ = false;
    bool writeDenied_ = false;
    bool badDatabase_ = false;
    int failingChange_ = 0;
    int changes_ = 0;
};

}  // namespace zav::platform::sim
