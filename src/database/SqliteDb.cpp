#include "SqliteDb.h"

#include "DbException.h"

#include <sqlite3.h>

CSqliteDb::~CSqliteDb() {
    Close();
}

int CSqliteDb::Open(const std::string& path, bool create) {
    Close();
    m_lastError.clear();
    m_lastErrorCode = SQLITE_OK;
    int flags = SQLITE_OPEN_READWRITE;
    if (create) {
        flags |= SQLITE_OPEN_CREATE;
    }
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_timeout(db, BUSY_TIMEOUT_MS);
        // Reading the schema is where a file that is not a database, or is damaged, shows.
        char* error = nullptr;
        rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, &error);
        if (rc == SQLITE_OK && sqlite3_db_readonly(db, "main") == 1) {
            rc = SQLITE_READONLY;
            sqlite3_free(error);
            error = sqlite3_mprintf("The database file '%s' can only be read", path.c_str());
        }
        if (rc != SQLITE_OK) {
            m_lastErrorCode = sqlite3_extended_errcode(db);
            if (m_lastErrorCode == SQLITE_OK) {
                m_lastErrorCode = rc;
            }
            m_lastError = error != nullptr ? error : sqlite3_errmsg(db);
            sqlite3_free(error);
            sqlite3_close_v2(db);
            return rc;
        }
        m_db = db;
        m_path = path;
        return SQLITE_OK;
    }
    m_lastErrorCode = db != nullptr ? sqlite3_extended_errcode(db) : rc;
    m_lastError = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    return rc;
}

int CSqliteDb::MakeDurable() {
    if (m_db == nullptr) {
        return SQLITE_MISUSE;
    }
    // Write-ahead log with full synchronisation: a commit returns only once the change is on
    // disk, and a crash at any moment leaves the last committed state.
    char* error = nullptr;
    // The larger page cache keeps a purge of many alarms from spilling pages before its commit.
    const int rc =
        sqlite3_exec(m_db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA cache_size=-65536",
                     nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        m_lastErrorCode = sqlite3_extended_errcode(m_db);
        m_lastError = error != nullptr ? error : sqlite3_errmsg(m_db);
    }
    sqlite3_free(error);
    return rc;
}

bool CSqliteDb::InTransaction() const {
    return m_db != nullptr && sqlite3_get_autocommit(m_db) == 0;
}

bool CSqliteDb::Close() {
    if (m_db == nullptr) {
        return true;
    }
    const int rc = sqlite3_close(m_db);
    if (rc != SQLITE_OK) {
        m_lastErrorCode = rc;
        m_lastError = sqlite3_errmsg(m_db);
        // Statements still open: let the engine close the connection once they are finalised.
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        return false;
    }
    m_db = nullptr;
    return true;
}

void CSqliteDb::Exec(std::string_view sql) {
    if (m_db == nullptr) {
        throw CDbException(SQLITE_MISUSE, "The database is not open");
    }
    const std::string text(sql);
    char* error = nullptr;
    const int rc = sqlite3_exec(m_db, text.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        const std::string message = error != nullptr ? error : sqlite3_errmsg(m_db);
        sqlite3_free(error);
        throw CDbException(sqlite3_extended_errcode(m_db), message);
    }
}

std::int64_t CSqliteDb::LastInsertRowId() const {
    return m_db != nullptr ? sqlite3_last_insert_rowid(m_db) : 0;
}

std::int64_t CSqliteDb::Changes() const {
    return m_db != nullptr ? sqlite3_changes64(m_db) : 0;
}

void CSqliteDb::SetBusyTimeout(int milliseconds) {
    if (m_db != nullptr) {
        sqlite3_busy_timeout(m_db, milliseconds);
    }
}

bool CSqliteDb::IsReadOnly() const {
    return m_db != nullptr && sqlite3_db_readonly(m_db, "main") == 1;
}

bool CSqliteDb::HasTable(std::string_view table) {
    CSqliteStmt stmt(m_db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    stmt.Bind(1, table);
    return stmt.Step();
}

bool CSqliteDb::HasColumn(std::string_view table, std::string_view column) {
    CSqliteStmt stmt(m_db, "SELECT 1 FROM pragma_table_info(?1) WHERE name = ?2");
    stmt.Bind(1, table).Bind(2, column);
    return stmt.Step();
}
