#include "platform/sqlite/sqlite_registry.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/registry/key_path.h"
#include "platform/sqlite/sqlite_handles.h"

namespace zav::platform {

namespace {

namespace fs = std::filesystem;

// Names are kept as first spelled; the folded columns are what lookups compare. Values get
// their id from the order in which they were created, which is the order ListValues reports.
constexpr const char* kCreateSchema = R"sql(
CREATE TABLE IF NOT EXISTS keys (
    id INTEGER PRIMARY KEY,
    hive INTEGER NOT NULL,
    path TEXT NOT NULL,
    folded TEXT NOT NULL,
    UNIQUE (hive, folded)
);
CREATE TABLE IF NOT EXISTS key_values (
    id INTEGER PRIMARY KEY,
    key_id INTEGER NOT NULL REFERENCES keys (id),
    name TEXT NOT NULL,
    folded TEXT NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    UNIQUE (key_id, folded)
);
PRAGMA user_version = 1;
)sql";

// Replacing keeps the first spelling of the name and the value's place in the list.
constexpr std::string_view kUpsertValue =
    "INSERT INTO key_values (key_id, name, folded, type, data) VALUES (?1, ?2, ?3, ?4, ?5)"
    " ON CONFLICT (key_id, folded) DO UPDATE SET type = excluded.type, data = excluded.data";

std::int64_t HiveNumber(Hive hive) {
    return static_cast<std::uint32_t>(hive);
}

bool IsAccessErrno(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

// A path as the file name of a URI: every byte but the unreserved ones and '/' escaped.
std::string UriPath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
            (byte >= '0' && byte <= '9') || c == '/' || c == '-' || c == '.' || c == '_' ||
            c == '~') {
            escaped += c;
        } else {
            escaped += '%';
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 0x0F];
        }
    }
    return escaped;
}

// Rolls back a write transaction that was not committed, whatever way the body left.
class TransactionGuard {
  public:
    explicit TransactionGuard(SqliteDatabase& db) : db_(db) {}
    TransactionGuard(const TransactionGuard&) = delete;
    TransactionGuard& operator=(const TransactionGuard&) = delete;
    ~TransactionGuard() {
        if (!committed_)
            db_.Execute("ROLLBACK");
    }
    void MarkCommitted() { committed_ = true; }

  private:
    SqliteDatabase& db_;
    bool committed_ = false;
};

}  // namespace

SqliteRegistry::SqliteRegistry(std::string filePath, int busyTimeoutMs)
    : filePath_(std::move(filePath)), busyTimeoutMs_(busyTimeoutMs) {}

std::string SqliteRegistry::LastError() const {
    std::lock_guard lock(errorMutex_);
    return lastError_;
}

RegResult SqliteRegistry::Failure(RegResult result, std::string text) {
    std::lock_guard lock(errorMutex_);
    lastError_ = std::move(text);
    return result;
}

RegResult SqliteRegistry::Failure(const SqliteDatabase& db, int code, std::string_view operation) {
    RegResult result = RegResult::BadDatabase;
    switch (code & 0xff) {
        case SQLITE_PERM:
        case SQLITE_READONLY:
        case SQLITE_AUTH:
            result = RegResult::AccessDenied;
            break;
        case SQLITE_CANTOPEN:
            if (IsAccessErrno(db.SystemErrno()))
                result = RegResult::AccessDenied;
            break;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return Failure(RegResult::Busy,
                           std::string(operation) + " " + filePath_ + ": " + db.ErrorMessage() +
                               " (the store is busy: another program held it for more than " +
                               std::to_string(busyTimeoutMs_) + " ms)");
        default:
            break;
    }
    return Failure(result, std::string(operation) + " " + filePath_ + ": " + db.ErrorMessage());
}

RegResult SqliteRegistry::Connect(Connection kind, SqliteDatabase& db) {
    if (filePath_.empty()) {
        return Failure(RegResult::BadDatabase, "no location for the registry file is known");
    }
    std::error_code error;
    const fs::path file(filePath_);
    // Reading connections may write too: that lets SQLite roll back the journal a crashed
    // writer left behind. It falls back to reading only for a write-protected file.
    int flags = SQLITE_OPEN_READWRITE;
    if (kind == Connection::Create) {
        if (file.has_parent_path())
            fs::create_directories(file.parent_path(), error);
        if (error) {
            return Failure(
                IsAccessErrno(error.value()) ? RegResult::AccessDenied : RegResult::BadDatabase,
                "create folder " + file.parent_path().string() + ": " + error.message());
        }
        flags |= SQLITE_OPEN_CREATE;
    } else if (!fs::exists(file, error)) {
        // Checked here, and the open below cannot create, so a read never makes the file.
        if (!error || error == std::errc::no_such_file_or_directory ||
            error == std::errc::not_a_directory) {
            return RegResult::FileNotFound;
        }
        return Failure(
            IsAccessErrno(error.value()) ? RegResult::AccessDenied : RegResult::BadDatabase,
            "look up " + filePath_ + ": " + error.message());
    }
    if (int code = db.Open(filePath_, flags); code != SQLITE_OK) {
        return Failure(db, code, "open");
    }
    sqlite3_busy_timeout(db.Get(), busyTimeoutMs_);
    return RegResult::Success;
}

RegResult SqliteRegistry::ConnectImmutable(SqliteDatabase& db) {
    const std::string uri = "file:" + UriPath(fs::absolute(filePath_).string()) + "?immutable=1";
    if (int code = db.Open(uri, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI); code != SQLITE_OK) {
        return Failure(db, code, "open");
    }
    return RegResult::Success;
}

RegResult SqliteRegistry::UseWriteAheadLog(SqliteDatabase& db) {
    // A file already in the mode answers at once. Switching needs the file to itself: while
    // another connection uses it, this write goes through the rollback journal and a later
    // one switches.
    SqliteStatement pragma(db, "PRAGMA journal_mode = WAL");
    if (pragma.PrepareResult() != SQLITE_OK)
        return Failure(db, pragma.PrepareResult(), "open");
    const int code = pragma.Step();
    if (code == SQLITE_ROW || (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED)
        return RegResult::Success;
    return Failure(db, code, "open");
}

RegResult SqliteRegistry::ReadSchemaVersion(SqliteDatabase& db, std::int64_t& version) {
    SqliteStatement statement(db, "PRAGMA user_version");
    if (statement.PrepareResult() != SQLITE_OK) {
        return Failure(db, statement.PrepareResult(), "read");
    }
    if (int code = statement.Step(); code != SQLITE_ROW)
        return Failure(db, code, "read");
    version = statement.ColumnInt64(0);
    if (version < 0 || version > kSchemaVersion) {
        return Failure(RegResult::BadDatabase,
                       "read " + filePath_ + ": unknown store version " + std::to_string(version));
    }
    return RegResult::Success;
}

RegResult SqliteRegistry::ConnectForReading(SqliteDatabase& db, bool& hasSchema) {
    hasSchema = false;
    if (RegResult result = Connect(Connection::Existing, db); result != RegResult::Success) {
        return result;
    }
    std::int64_t version = 0;
    RegResult result = ReadSchemaVersion(db, version);
    // A store with a write-ahead log needs its index file beside it even for reading; in a
    // folder where that cannot be made, and with no log left there, the file holds the whole
    // store and nobody can be writing it.
    const int code = sqlite3_errcode(db.Get()) & 0xff;
    std::error_code error;
    if (result != RegResult::Success && (code == SQLITE_READONLY || code == SQLITE_CANTOPEN) &&
        !fs::exists(filePath_ + "-wal", error) && !error) {
        if (result = ConnectImmutable(db); result != RegResult::Success)
            return result;
        result = ReadSchemaVersion(db, version);
    }
    if (result != RegResult::Success)
        return result;
    hasSchema = version == kSchemaVersion;
    return RegResult::Success;
}

RegResult SqliteRegistry::EnsureSchema(SqliteDatabase& db) {
    std::int64_t version = 0;
    if (RegResult result = ReadSchemaVersion(db, version); result != RegResult::Success) {
        return result;
    }
    if (version == kSchemaVersion)
        return RegResult::Success;
    if (int code = db.Execute(kCreateSchema); code != SQLITE_OK) {
        return Failure(db, code, "create tables in");
    }
    return RegResult::Success;
}

template <typename Body>
RegResult SqliteRegistry::Write(Connection kind, Body&& body) {
    SqliteDatabase db;
    if (RegResult result = Connect(kind, db); result != RegResult::Success)
        return result;
    if (RegResult result = UseWriteAheadLog(db); result != RegResult::Success)
        return result;
    // IMMEDIATE takes the write lock now, so two writers queue up here (waiting up to the busy
    // timeout) instead of failing when the second one tries to commit.
    if (int code = db.Execute("BEGIN IMMEDIATE"); code != SQLITE_OK) {
        return Failure(db, code, "lock");
    }
    TransactionGuard guard(db);
    if (RegResult result = EnsureSchema(db); result != RegResult::Success)
        return result;
    if (RegResult result = body(db); result != RegResult::Success)
        return result;
    if (int code = db.Execute("COMMIT"); code != SQLITE_OK)
        return Failure(db, code, "commit");
    guard.MarkCommitted();
    return RegResult::Success;
}

namespace {

// The key's row id; the hive's root gets its row on first use when createRoot is set.
// Returns Success, FileNotFound, or the failing SQLite code through code.
RegResult FindKeyId(const SqliteDatabase& db, Hive hive, const std::string& folded, bool createRoot,
                    std::int64_t& id, int& code) {
    code = SQLITE_OK;
    if (folded.empty() && createRoot) {
        SqliteStatement insert(
            db, "INSERT OR IGNORE INTO keys (hive, path, folded) VALUES (?1, '', '')");
        if ((code = insert.PrepareResult()) != SQLITE_OK)
            return RegResult::BadDatabase;
        insert.BindInt64(1, HiveNumber(hive));
        if ((code = insert.Step()) != SQLITE_DONE)
            return RegResult::BadDatabase;
        code = SQLITE_OK;
    }
    SqliteStatement select(db, "SELECT id FROM keys WHERE hive = ?1 AND folded = ?2");
    if ((code = select.PrepareResult()) != SQLITE_OK)
        return RegResult::BadDatabase;
    select.BindInt64(1, HiveNumber(hive));
    select.BindText(2, folded);
    code = select.Step();
    if (code == SQLITE_ROW) {
        id = select.ColumnInt64(0);
        code = SQLITE_OK;
        return RegResult::Success;
    }
    if (code == SQLITE_DONE) {
        code = SQLITE_OK;
        return RegResult::FileNotFound;
    }
    return RegResult::BadDatabase;
}

}  // namespace

RegResult SqliteRegistry::CheckAccess(Hive, std::string_view, Access access) {
    if (filePath_.empty()) {
        return Failure(RegResult::BadDatabase, "no location for the registry file is known");
    }
    // The permissions of the file, or for a file still to be made, of the nearest folder that
    // exists. Writing also needs the folder, where SQLite keeps its journal.
    const fs::path file(filePath_);
    std::error_code error;
    const bool fileExists = fs::exists(file, error);
    const bool wantsRead = access != Access::Write;
    const bool wantsWrite = access != Access::Read;
    if (fileExists) {
        const int mode = (wantsRead ? R_OK : 0) | (wantsWrite ? W_OK : 0);
        if (::access(filePath_.c_str(), mode) != 0 && IsAccessErrno(errno)) {
            return Failure(RegResult::AccessDenied, "open " + filePath_ + ": permission denied");
        }
    }
    if (wantsWrite) {
        fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
        while (!fs::exists(folder, error) && folder.has_parent_path() &&
               folder != folder.parent_path()) {
            folder = folder.parent_path();
        }
        if (::access(folder.c_str(), W_OK | X_OK) != 0 && IsAccessErrno(errno)) {
            return Failure(RegResult::AccessDenied,
                           "write in " + folder.string() + ": permission denied");
        }
    }
    return RegResult::Success;
}

RegResult SqliteRegistry::KeyExists(Hive hive, std::string_view path) {
    const std::string folded = FoldKeyPath(path);
    if (folded.empty())
        return RegResult::Success;  // a hive's root always exists
    SqliteDatabase db;
    bool hasSchema = false;
    if (RegResult result = ConnectForReading(db, hasSchema); result != RegResult::Success) {
        return result;
    }
    if (!hasSchema)
        return RegResult::FileNotFound;
    std::int64_t id = 0;
    int code = SQLITE_OK;
    RegResult result = FindKeyId(db, hive, folded, false, id, code);
    return code != SQLITE_OK ? Failure(db, code, "read") : result;
}

RegResult SqliteRegistry::CreateKeyPath(Hive hive, std::string_view path) {
    const auto prefixes = KeyPathPrefixes(path);
    if (!prefixes)
        return RegResult::InvalidParameter;
    return Write(Connection::Create, [&](SqliteDatabase& db) {
        if (prefixes->empty()) {
            std::int64_t id = 0;
            int code = SQLITE_OK;
            RegResult result = FindKeyId(db, hive, std::string(), true, id, code);
            return code != SQLITE_OK ? Failure(db, code, "write") : result;
        }
        SqliteStatement insert(
            db, "INSERT OR IGNORE INTO keys (hive, path, folded) VALUES (?1, ?2, ?3)");
        if (insert.PrepareResult() != SQLITE_OK) {
            return Failure(db, insert.PrepareResult(), "write");
        }
        for (std::string_view prefix : *prefixes) {
            insert.Reset();
            insert.BindInt64(1, HiveNumber(hive));
            insert.BindText(2, prefix);
            insert.BindText(3, FoldKeyPath(prefix));
            if (int code = insert.Step(); code != SQLITE_DONE)
                return Failure(db, code, "write");
        }
        return RegResult::Success;
    });
}

RegResult SqliteRegistry::QueryValue(Hive hive, std::string_view path, std::string_view name,
                                     RegistryValue& value) {
    SqliteDatabase db;
    bool hasSchema = false;
    if (RegResult result = ConnectForReading(db, hasSchema); result != RegResult::Success) {
        return result;
    }
    if (!hasSchema)
        return RegResult::FileNotFound;
    SqliteStatement select(db,
                           "SELECT v.type, v.data FROM key_values v JOIN keys k ON v.key_id = k.id"
                           " WHERE k.hive = ?1 AND k.folded = ?2 AND v.folded = ?3");
    if (select.PrepareResult() != SQLITE_OK)
        return Failure(db, select.PrepareResult(), "read");
    select.BindInt64(1, HiveNumber(hive));
    select.BindText(2, FoldKeyPath(path));
    select.BindText(3, FoldName(name));
    const int code = select.Step();
    if (code == SQLITE_DONE)
        return RegResult::FileNotFound;
    if (code != SQLITE_ROW)
        return Failure(db, code, "read");
    value.type = static_cast<ValueType>(static_cast<std::uint32_t>(select.ColumnInt64(0)));
    value.data = select.ColumnBlob(1);
    return RegResult::Success;
}

RegResult SqliteRegistry::SetValue(Hive hive, std::string_view path, std::string_view name,
                                   ValueType type, std::span<const std::uint8_t> data) {
    // One value is a batch of one change.
    const ValueChange change{std::string(name), false,
                             RegistryValue{type, Bytes(data.begin(), data.end())}};
    std::size_t deleted = 0;
    return ApplyChanges(hive, path, std::span(&change, 1), deleted);
}

RegResult SqliteRegistry::DeleteValue(Hive hive, std::string_view path, std::string_view name) {
    return Write(Connection::Existing, [&](SqliteDatabase& db) {
        SqliteStatement erase(db,
                              "DELETE FROM key_values WHERE folded = ?3 AND key_id ="
                              " (SELECT id FROM keys WHERE hive = ?1 AND folded = ?2)");
        if (erase.PrepareResult() != SQLITE_OK) {
            return Failure(db, erase.PrepareResult(), "write");
        }
        erase.BindInt64(1, HiveNumber(hive));
        erase.BindText(2, FoldKeyPath(path));
        erase.BindText(3, FoldName(name));
        if (int code = erase.Step(); code != SQLITE_DONE)
            return Failure(db, code, "write");
        return sqlite3_changes(db.Get()) > 0 ? RegResult::Success : RegResult::FileNotFound;
    });
}

RegResult SqliteRegistry::ListValues(Hive hive, std::string_view path,
                                     std::vector<NamedValue>& values) {
    values.clear();
    const std::string folded = FoldKeyPath(path);
    SqliteDatabase db;
    bool hasSchema = false;
    RegResult connected = ConnectForReading(db, hasSchema);
    if (connected == RegResult::FileNotFound || (connected == RegResult::Success && !hasSchema)) {
        return folded.empty() ? RegResult::Success : RegResult::FileNotFound;
    }
    if (connected != RegResult::Success)
        return connected;

    std::int64_t keyId = 0;
    int code = SQLITE_OK;
    RegResult found = FindKeyId(db, hive, folded, false, keyId, code);
    if (code != SQLITE_OK)
        return Failure(db, code, "read");
    if (found != RegResult::Success)
        return folded.empty() ? RegResult::Success : found;

    SqliteStatement select(db,
                           "SELECT name, type, data FROM key_values WHERE key_id = ?1 ORDER BY id");
    if (select.PrepareResult() != SQLITE_OK)
        return Failure(db, select.PrepareResult(), "read");
    select.BindInt64(1, keyId);
    while ((code = select.Step()) == SQLITE_ROW) {
        values.push_back(NamedValue{
            select.ColumnText(0),
            RegistryValue{static_cast<ValueType>(static_cast<std::uint32_t>(select.ColumnInt64(1))),
                          select.ColumnBlob(2)}});
    }
    if (code != SQLITE_DONE) {
        values.clear();
        return Failure(db, code, "read");
    }
    return RegResult::Success;
}

RegResult SqliteRegistry::ApplyChanges(Hive hive, std::string_view path,
                                       std::span<const ValueChange> changes, std::size_t& deleted) {
    deleted = 0;
    const std::string folded = FoldKeyPath(path);
    const Connection kind = folded.empty() ? Connection::Create : Connection::Existing;
    std::size_t deletedNow = 0;
    const RegResult result = Write(kind, [&](SqliteDatabase& db) {
        std::int64_t keyId = 0;
        int code = SQLITE_OK;
        RegResult found = FindKeyId(db, hive, folded, true, keyId, code);
        if (code != SQLITE_OK)
            return Failure(db, code, "write");
        if (found != RegResult::Success)
            return found;
        SqliteStatement upsert(db, kUpsertValue);
        SqliteStatement erase(db, "DELETE FROM key_values WHERE key_id = ?1 AND folded = ?2");
        for (const SqliteStatement* statement : {&upsert, &erase}) {
            if (statement->PrepareResult() != SQLITE_OK)
                return Failure(db, statement->PrepareResult(), "write");
        }
        for (const ValueChange& change : changes) {
            SqliteStatement& statement = change.remove ? erase : upsert;
            statement.Reset();
            statement.BindInt64(1, keyId);
            if (change.remove) {
                erase.BindText(2, FoldName(change.name));
            } else {
                upsert.BindText(2, change.name);
                upsert.BindText(3, FoldName(change.name));
                upsert.BindInt64(4, static_cast<std::uint32_t>(change.value.type));
                upsert.BindBlob(5, change.value.data);
            }
            if (code = statement.Step(); code != SQLITE_DONE)
                return Failure(db, code, "write " + change.name + " in");
            if (change.remove)
                deletedNow += static_cast<std::size_t>(sqlite3_changes(db.Get()));
        }
        return RegResult::Success;
    });
    if (result == RegResult::Success)
        deleted = deletedNow;
    return result;
}

}  // namespace zav::platform
