#pragma once
// The persistent registry store: one SQLite file holding every hive's keys and values.
//
// Each call opens its own connection and does its work in one transaction, so several
// processes may share the file: writers take the file's write lock at the start of their
// transaction (waiting up to kBusyTimeoutMs for another writer, then giving Busy) and never
// lose each other's values. The file keeps a write-ahead log (set by the first write), so
// readers never wait for a writer and a killed writer leaves nothing half-done. Reading never
// creates the file; it appears, with its folder, on the first write. A store in a folder this
// process cannot write is read as it stands in the file (the log cannot be kept there, so
// nobody can be writing it). A file that is not a store of ours, is damaged, or was written by
// a newer schema gives BadDatabase and is left as it is.
//
// Thread: any; calls share no connection.

#include <mutex>
#include <string>

#include "platform/registry/registry.h"

namespace zav::platform {

class SqliteDatabase;

class SqliteRegistry : public RegistryStore {
  public:
    static constexpr int kBusyTimeoutMs = 10000;
    static constexpr int kSchemaVersion = 1;

    // An empty filePath means there is no place for a store: every call gives BadDatabase.
    // busyTimeoutMs: how long a call waits for another process's write lock (tests shorten it).
    explicit SqliteRegistry(std::string filePath, int busyTimeoutMs = kBusyTimeoutMs);

    const std::string& FilePath() const { return filePath_; }

    // The SQLite or system text of the latest failure, with the operation and the file.
    std::string LastError() const override;

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
    // One transaction, with its statements prepared once, whatever the number of changes.
    RegResult ApplyChanges(Hive hive, std::string_view path, std::span<const ValueChange> changes,
                           std::size_t& deleted) override;

  private:
    enum class Connection {
        Existing,  // FileNotFound when the file does not exist
        Create,    // the file and its folder are made when missing
    };

    RegResult Connect(Connection kind, SqliteDatabase& db);
    // Opens the file as it stands, read only and without its log or locks: for a store in a
    // folder where the log cannot be made.
    RegResult ConnectImmutable(SqliteDatabase& db);
    // Puts the file into write-ahead-log mode unless it is already there.
    RegResult UseWriteAheadLog(SqliteDatabase& db);
    // Opens for reading; hasSchema is false for a file that holds no store yet.
    RegResult ConnectForReading(SqliteDatabase& db, bool& hasSchema);
    // Runs body inside one write transaction, committed only when it returns Success.
    template <typename Body>
    RegResult Write(Connection kind, Body&& body);
    RegResult EnsureSchema(SqliteDatabase& db);
    RegResult ReadSchemaVersion(SqliteDatabase& db, std::int64_t& version);

    // Maps a SQLite code to our result and keeps its text; the one place where this happens.
    RegResult Failure(const SqliteDatabase& db, int code, std::string_view operation);
    RegResult Failure(RegResult result, std::string text);

    std::string filePath_;
    int busyTimeoutMs_ = kBusyTimeoutMs;
    mutable std::mutex errorMutex_;
    std::string lastError_;
};

}  // namespace zav::platform
