#include "platform/sqlite/sqlite_handles.h"

namespace zav::platform {

SqliteDatabase::~SqliteDatabase() {
    sqlite3_close_v2(db_);
}

int SqliteDatabase::Open(const std::string& path, int flags) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
    return sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
}

int SqliteDatabase::Execute(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
}

std::string SqliteDatabase::ErrorMessage() const {
    return db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
}

int SqliteDatabase::SystemErrno() const {
    return db_ != nullptr ? sqlite3_system_errno(db_) : 0;
}

SqliteStatement::SqliteStatement(const SqliteDatabase& db, std::string_view sql) {
    prepareResult_ =
        sqlite3_prepare_v2(db.Get(), sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr);
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(stmt_);
}

int SqliteStatement::BindInt64(int index, std::int64_t number) {
    return sqlite3_bind_int64(stmt_, index, number);
}

int SqliteStatement::BindText(int index, std::string_view text) {
    // A null pointer would bind NULL, so an empty text gets a pointer to an empty literal.
    const char* chars = text.empty() ? "" : text.data();
    return sqlite3_bind_text64(stmt_, index, chars, text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

int SqliteStatement::BindBlob(int index, std::span<const std::uint8_t> data) {
    if (data.empty())
        return sqlite3_bind_zeroblob(stmt_, index, 0);
    return sqlite3_bind_blob64(stmt_, index, data.data(), data.size(), SQLITE_TRANSIENT);
}

void SqliteStatement::Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

int SqliteStatement::Step() {
    return sqlite3_step(stmt_);
}

std::int64_t SqliteStatement::ColumnInt64(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

std::string SqliteStatement::ColumnText(int column) const {
    const auto* chars = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    const int size = sqlite3_column_bytes(stmt_, column);
    return chars != nullptr ? std::string(chars, static_cast<std::size_t>(size)) : std::string();
}

std::vector<std::uint8_t> SqliteStatement::ColumnBlob(int column) const {
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, column));
    const int size = sqlite3_column_bytes(stmt_, column);
    if (bytes == nullptr)
        return {};
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

}  // namespace zav::platform
