#pragma once
// Owning wrappers for a SQLite connection and a prepared statement. Internal to the SQLite
// backend; callers see result codes as SQLite gives them.
//
// Thread: a connection and its statements are used by one thread at a time.

#include <sqlite3.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zav::platform {

class SqliteDatabase {
  public:
    SqliteDatabase() = default;
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;
    ~SqliteDatabase();

    // sqlite3_open_v2 with flags; returns its code. The connection is kept even when opening
    // fails, so that ErrorMessage can explain why.
    int Open(const std::string& path, int flags);
    // Runs statements that return no rows.
    int Execute(const char* sql);

    sqlite3* Get() const { return db_; }
    std::string ErrorMessage() const;
    int SystemErrno() const;  // errno of the last failed file operation, 0 when none

  private:
    sqlite3* db_ = nullptr;
};

class SqliteStatement {
  public:
    SqliteStatement(const SqliteDatabase& db, std::string_view sql);
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;
    ~SqliteStatement();

    // The result of preparing; nothing else may be called unless it is SQLITE_OK.
    int PrepareResult() const { return prepareResult_; }

    // Parameters count from 1. Text and blobs are copied, and an empty blob binds as an empty
    // blob (not NULL).
    int BindInt64(int index, std::int64_t number);
    int BindText(int index, std::string_view text);
    int BindBlob(int index, std::span<const std::uint8_t> data);

    // Makes the statement ready to run again with new parameters.
    void Reset();

    // SQLITE_ROW while rows come, SQLITE_DONE at the end, or an error code.
    int Step();

    // Columns count from 0.
    std::int64_t ColumnInt64(int column) const;
    std::string ColumnText(int column) const;
    std::vector<std::uint8_t> ColumnBlob(int column) const;

  private:
    sqlite3_stmt* stmt_ = nullptr;
    int prepareResult_ = SQLITE_MISUSE;
};

}  // namespace zav::platform
