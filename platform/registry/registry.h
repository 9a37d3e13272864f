#pragma once
// The hierarchical key/value store that stands in for the host's registry.
//
// Keys are paths of names separated by backslashes under a hive, compared without regard to
// ASCII case, as the host does. Values are typed byte strings; the type codes and result codes
// keep the host's numbers so that code reading and writing them can be compared with the host's
// documentation line by line. A string value keeps exactly the bytes written: callers decide
// whether a terminating zero belongs to it.
//
// Thread: a RegistryStore may be used from any thread; each call is atomic on its own, and
// RegistryKey::Apply makes a whole list of changes one call. A RegistryKey is used by one thread
// at a time.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zav::platform {

using Bytes = std::vector<std::uint8_t>;

// Result codes of the host's registry functions.
enum class RegResult : std::int32_t {
    Success = 0,
    FileNotFound = 2,   // no such key or value
    AccessDenied = 5,   // the key was opened without the access the call needs
    InvalidHandle = 6,  // the key handle is closed
    InvalidParameter = 87,
    Busy = 170,          // another program held the store's write lock for longer than the wait
    MoreData = 234,      // the caller's buffer is smaller than the value
    BadDatabase = 1009,  // the store itself could not be read or written
};

// A short text for a result, for messages: "access denied", "the store is busy", ...
std::string_view RegResultText(RegResult result);

enum class Hive : std::uint32_t {
    ClassesRoot = 0x80000000,
    CurrentUser = 0x80000001,
    LocalMachine = 0x80000002,
    Users = 0x80000003,
};

// Value types, with the host's type codes.
enum class ValueType : std::uint32_t {
    None = 0,
    String = 1,        // REG_SZ
    ExpandString = 2,  // REG_EXPAND_SZ
    Binary = 3,        // REG_BINARY
    Dword = 4,         // REG_DWORD, little-endian
    MultiString = 7,   // REG_MULTI_SZ
};

// What a key handle may do: Read queries and lists, Write sets and deletes, All does both.
enum class Access { Read, Write, All };

struct RegistryValue {
    ValueType type = ValueType::None;
    Bytes data;

    friend bool operator==(const RegistryValue&, const RegistryValue&) = default;
};

struct NamedValue {
    std::string name;
    RegistryValue value;
};

// One change of a batch (RegistryKey::Apply): sets the value called name, or deletes it.
struct ValueChange {
    std::string name;
    bool remove = false;
    RegistryValue value;  // what to set; not used when remove is set
};

class RegistryKey;

// A backend: the in-memory store for tests, or the SQLite file. Open and create keys through
// OpenKey/CreateKey; the protected operations below are what a backend implements.
class RegistryStore {
  public:
    virtual ~RegistryStore() = default;

    // Like RegOpenKeyEx: FileNotFound when the key does not exist.
    RegResult OpenKey(Hive hive, std::string_view path, Access access, RegistryKey& key);
    // Like RegCreateKeyEx: opens the key, creating it and its parents when missing.
    RegResult CreateKey(Hive hive, std::string_view path, Access access, RegistryKey& key);

    // The backend's own text for its latest failure (BadDatabase, AccessDenied), naming what
    // it was doing, for messages; empty when it has none.
    virtual std::string LastError() const { return {}; }

  protected:
    friend class RegistryKey;

    virtual RegResult CheckAccess(Hive hive, std::string_view path, Access access) = 0;
    virtual RegResult KeyExists(Hive hive, std::string_view path) = 0;
    virtual RegResult CreateKeyPath(Hive hive, std::string_view path) = 0;
    virtual RegResult QueryValue(Hive hive, std::string_view path, std::string_view name,
                                 RegistryValue& value) = 0;
    virtual RegResult SetValue(Hive hive, std::string_view path, std::string_view name,
                               ValueType type, std::span<const std::uint8_t> data) = 0;
    virtual RegResult DeleteValue(Hive hive, std::string_view path, std::string_view name) = 0;
    // The key's values in the order they were first created.
    virtual RegResult ListValues(Hive hive, std::string_view path,
                                 std::vector<NamedValue>& values) = 0;
    // RegistryKey::Apply on the key at path: every change or, on any failure, none.
    virtual RegResult ApplyChanges(Hive hive, std::string_view path,
                                   std::span<const ValueChange> changes, std::size_t& deleted) = 0;

    // ApplyChanges for a backend without transactions: the changes one by one through
    // SetValue and DeleteValue and, when one fails, the key's earlier values put back as well
    // as that can be done. Gives the failure's result; restored tells whether the key is as it
    // was. Values keep their bytes and spelling; one that was deleted and restored moves to the
    // end of the list.
    RegResult ApplyInTurn(Hive hive, std::string_view path, std::span<const ValueChange> changes,
                          std::size_t& deleted, bool& restored);
};

// An open key. Closing (or destroying) the handle releases it; calls on a closed handle
// return InvalidHandle. Movable, not copyable.
class RegistryKey {
  public:
    RegistryKey() = default;
    RegistryKey(RegistryKey&& other) noexcept;
    RegistryKey& operator=(RegistryKey&& other) noexcept;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey() { Close(); }

    bool IsOpen() const { return store_ != nullptr; }
    void Close() { store_ = nullptr; }

    // Like RegQueryValueEx. Value names compare without regard to ASCII case; the empty name
    // is the key's default value.
    RegResult Query(std::string_view name, RegistryValue& value) const;
    // Like RegQueryValueEx with a buffer of bufferSize bytes: MoreData when the value's data
    // is longer, and then value holds only its type.
    RegResult QueryBounded(std::string_view name, std::size_t bufferSize,
                           RegistryValue& value) const;
    // Like RegSetValueEx: replaces the value, type and data, in one transaction.
    RegResult Set(std::string_view name, ValueType type, std::span<const std::uint8_t> data);
    RegResult SetString(std::string_view name, std::string_view text);  // no terminating zero
    RegResult SetDword(std::string_view name, std::uint32_t number);
    // Like RegDeleteValue.
    RegResult Delete(std::string_view name);
    RegResult List(std::vector<NamedValue>& values) const;
    // Makes changes in their order, as one transaction: when any of them fails, none is made
    // and the key keeps exactly its earlier values (the result and the store's LastError say
    // why). Deleting a value that does not exist is no failure; deleted counts the values that
    // were deleted. A process killed in the middle leaves the key with all the changes or
    // none. (The host's registry has no transactions: there the earlier values are put back
    // after a failure, and LastError says so when even that fails.)
    RegResult Apply(std::span<const ValueChange> changes, std::size_t& deleted);

    Hive KeyHive() const { return hive_; }
    const std::string& Path() const { return path_; }

  private:
    friend class RegistryStore;
    RegistryKey(RegistryStore& store, Hive hive, std::string path, Access access);

    RegistryStore* store_ = nullptr;
    Hive hive_ = Hive::LocalMachine;
    std::string path_;
    Access access_ = Access::Read;
};

// Key paths are compared after folding ASCII letters to lower case and trimming separators at
// either end; this gives the form backends use as a lookup key.
std::string FoldKeyPath(std::string_view path);
std::string FoldName(std::string_view name);

}  // namespace zav::platform
